// What the macOS USB transport and the USB port list both do with a printer interface service:
// test that it is one of the maker's, read its registry texts, open its user client (retrying
// while another program holds it) and ask for its IEEE 1284 device ID.
#pragma once

#include "MacIOKit.h"
#include "zepTypes.h"

// Registry texts are read with a limit of 256 bytes and terminated after what was read.
const UInt32 kMacUsbTextLimit = 256;
typedef char MacUsbText[kMacUsbTextLimit + 1];

// "idVendor" is the maker's (as is or with its bytes swapped) and "bInterfaceClass" is 7.
bool MacUsbIsMakerPrinterInterface(io_service_t service);
bool MacUsbReadText(io_registry_entry_t entry, const char* pszName, MacUsbText& szText);

// The version-190 interface of a service (plug-in created, queried and released), or null.
IOUSBInterfaceInterface190** MacUsbCreateInterface(io_service_t service);
// Up to 5 attempts while the system answers exclusive access, a 1 s pause after each refusal.
IOReturn MacUsbOpenInterface(IOUSBInterfaceInterface190** intf);

// GET_DEVICE_ID on an open interface. On success the reply's two length bytes are in host order
// and *pdwCount is the number of bytes delivered.
bool MacUsbDeviceIdRequest(IOUSBInterfaceInterface190** intf, BYTE* pReply, UInt16 wLength,
                           UInt32 dwTimeoutMs, DWORD* pdwCount);

// The device ID through a temporary opening (256 bytes, 500 ms time-outs), as text without its
// length bytes; false unless every step succeeded.
bool MacUsbReadDeviceId(io_service_t service, char (&szText)[kMacUsbTextLimit + 1]);
