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

bool IsRedirectedPort(const char* PortName) {
    if (PortName == nullptr || (PortName[0] != 'T' && PortName[0] != 't') ||
        (PortName[1] != 'S' && PortName[1] != 's'))
        return false;
    for (int i = 2; i < 5 && PortName[i] != '\0'; ++i) {
        if (PortName[i] < '0' || PortName[i] > '9')
            return false;
    }
    return true;
}
