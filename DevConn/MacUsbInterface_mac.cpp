// Printer interface services: identity, registry texts, opening and the device-ID request.
#include "MacUsbInterface_mac.h"

#include "MakerUsb.h"
#include "zepClock.h"

#include <cstring>

namespace {

const int kOpenAttempts = 5;
const DWORD kExclusivePauseMs = 1000;
const UInt32 kShortTimeoutMs = 500;

} // namespace

bool MacUsbIsMakerPrinterInterface(io_service_t service) {
    UInt16 wVendor = 0;
    UInt32 size = sizeof wVendor;
    if (IORegistryEntryGetProperty(service, "idVendor", &wVendor, &size) != kIOReturnSuccess ||
        size != sizeof wVendor)
        return false;
    const UInt16 wSwapped = static_cast<UInt16>((wVendor >> 8) | (wVendor << 8));
    if (wVendor != kMakerUsbVendorId && wSwapped != kMakerUsbVendorId)
        return false;
    UInt8 bClass = 0;
    size = sizeof bClass;
    return IORegistryEntryGetProperty(service, "bInterfaceClass", &bClass, &size) ==
               kIOReturnSuccess &&
           size == sizeof bClass && bClass == kUsbPrinterInterfaceClass;
}

bool MacUsbReadText(io_registry_entry_t entry, const char* pszName, MacUsbText& szText) {
    UInt32 size = kMacUsbTextLimit;
    szText[0] = '\0';
    if (IORegistryEntryGetProperty(entry, pszName, szText, &size) != kIOReturnSuccess)
        return false;
    szText[size < kMacUsbTextLimit ? size : kMacUsbTextLimit] = '\0';
    return true;
}

IOUSBInterfaceInterface190** MacUsbCreateInterface(io_service_t service) {
    IOCFPlugInInterface** plugIn = nullptr;
    SInt32 score = 0;
    if (IOCreatePlugInInterfaceForService(service, kIOUSBInterfaceUserClientTypeID,
                                          kIOCFPlugInInterfaceID, &plugIn,
                                          &score) != kIOReturnSuccess ||
        plugIn == nullptr)
        return nullptr;
    IOUSBInterfaceInterface190** intf = nullptr;
    const HRESULT hr = (*plugIn)->QueryInterface(
        plugIn, CFUUIDGetUUIDBytes(kIOUSBInterfaceInterfaceID190), reinterpret_cast<LPVOID*>(&intf));
    (*plugIn)->Release(plugIn);
    return hr == S_OK ? intf : nullptr;
}

IOReturn MacUsbOpenInterface(IOUSBInterfaceInterface190** intf) {
    IOReturn kr = kIOReturnExclusiveAccess;
    for (int i = 0; i < kOpenAttempts && kr == kIOReturnExclusiveAccess; ++i) {
        kr = (*intf)->USBInterfaceOpen(intf);
        if (kr == kIOReturnExclusiveAccess)
            ZepSleep(kExclusivePauseMs);
    }
    return kr;
}

bool MacUsbDeviceIdRequest(IOUSBInterfaceInterface190** intf, BYTE* pReply, UInt16 wLength,
                           UInt32 dwTimeoutMs, DWORD* pdwCount) {
    UInt8 config = 0, number = 0, alt = 0;
    if ((*intf)->GetConfigurationValue(intf, &config) != kIOReturnSuccess ||
        (*intf)->GetInterfaceNumber(intf, &number) != kIOReturnSuccess ||
        (*intf)->GetAlternateSetting(intf, &alt) != kIOReturnSuccess)
        return false;
    IOUSBDevRequestTO req = {};
    req.bmRequestType = 0xA1; // device to host, class, interface
    req.bRequest = 0;         // GET_DEVICE_ID
    req.wValue = static_cast<UInt16>(config - 1);
    req.wIndex = static_cast<UInt16>((number << 8) | alt);
    req.wLength = wLength;
    req.pData = pReply;
    req.noDataTimeout = dwTimeoutMs;
    req.completionTimeout = dwTimeoutMs;
    if ((*intf)->ControlRequestTO(intf, 0, &req) != kIOReturnSuccess)
        return false;
    if (req.wLenDone >= 2) {
        const UInt16 wLen = static_cast<UInt16>((pReply[0] << 8) | pReply[1]);
        std::memcpy(pReply, &wLen, sizeof wLen);
    }
    *pdwCount = req.wLenDone;
    return true;
}

bool MacUsbReadDeviceId(io_service_t service, char (&szText)[kMacUsbTextLimit + 1]) {
    szText[0] = '\0';
    IOUSBInterfaceInterface190** intf = MacUsbCreateInterface(service);
    if (intf == nullptr)
        return false;
    bool bOk = false;
    if (MacUsbOpenInterface(intf) == kIOReturnSuccess) {
        BYTE reply[kMacUsbTextLimit + 1] = {};
        DWORD dwCount = 0;
        bOk = MacUsbDeviceIdRequest(intf, reply, kMacUsbTextLimit, kShortTimeoutMs, &dwCount);
        if (bOk && dwCount > 2) {
            std::memcpy(szText, reply + 2, dwCount - 2);
            szText[dwCount - 2] = '\0';
        }
        (*intf)->USBInterfaceClose(intf);
    }
    (*intf)->Release(intf);
    return bOk;
}
