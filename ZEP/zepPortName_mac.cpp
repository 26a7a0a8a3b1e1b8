// macOS print-port name tests: a USB device's port is its device URI ("usb://..."); the
// port-monitor kinds of Windows do not exist here.
#include "zepUtil.h"

#include <cstring>

bool IsStdUSBPort(const char* PortName) {
    return PortName != nullptr && std::strstr(PortName, "usb") != nullptr;
}

bool IsUSBPRNPort(const char*) {
    return false;
}

bool IsMPUSBPRNPort(const char*) {
    return false;
}
