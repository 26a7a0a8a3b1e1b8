// The simulated USB bus of builds without IOKit: the printers "attached" are described, one
// printer interface a line, in the file named by HALVARD_USB_BUS (tab-separated key=value
// fields, '#' starts a comment), so that tests, the demo and a person can plug printers in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SimUsbPrinter {
    uint16_t idVendor = 0;
    uint16_t idProduct = 0;
    uint8_t bInterfaceClass = 0;
    bool bHasSerial = false;
    std::string strSerial;
    bool bHasVendorName = false;
    std::string strVendorName;
    bool bHasProductName = false;
    std::string strProductName;
    bool bHasDeviceId = false; // without one the device stalls the device-ID request
    std::string strDeviceId;
    std::string strTcpHost; // bulk pipes carried to HOST:PORT; empty: I/O fails
    uint16_t wTcpPort = 0;
    int nExclusiveOpens = 0; // the first N opens answer exclusive access
    bool bNoParent = false;
    std::string strKey; // identifies the printer across re-reads of the file
};

// One line; false with a reason for a malformed one. Blank and comment lines are not printers:
// false with an empty reason.
bool ParseSimUsbLine(const std::string& line, SimUsbPrinter& printer, std::string& strError);

// The bus as the file describes it now; no variable or no file is an empty bus. Malformed lines
// are left out and reported once each on stderr.
std::vector<SimUsbPrinter> LoadSimUsbBus();

// For tests: the printers (by key) whose interface was asked to open, in order since the last
// call, and a hook run each time an iterator is reset, before the bus is read again.
std::vector<std::string> TakeSimUsbOpenAttempts();
void SetSimUsbResetHook(void (*hook)());
