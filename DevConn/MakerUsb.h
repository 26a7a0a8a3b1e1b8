// The maker's USB identity: the vendor ID its printers report, and the interface class that
// marks a printer interface.
#pragma once

#include <cstdint>

const uint16_t kMakerUsbVendorId = 0x2F4C;
const uint8_t kUsbPrinterInterfaceClass = 7;
