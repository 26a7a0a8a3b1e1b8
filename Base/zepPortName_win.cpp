// Windows print-port name tests: USBnnn (USB printing class), USBPRNnn and MPUSBPRNnn (the
// maker's port monitors). Prefixes match in any letter case.
#include "zepUtil.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

// A digit is what the ANSI classification calls alphanumeric but not alphabetic.
static bool IsAnsiDigit(char c) {
    return IsCharAlphaNumericA(c) && !IsCharAlphaA(c);
}

// pszPrefix in any case followed by exactly nDigits digits.
static bool IsPrefixAndDigits(const char* PortName, const char* pszPrefix, size_t nDigits) {
    if (PortName == nullptr)
        return false;
    const size_t cchPrefix = std::strlen(pszPrefix);
    if (std::strlen(PortName) != cchPrefix + nDigits)
        return false;
    if (CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, PortName,
                       static_cast<int>(cchPrefix), pszPrefix,
                       static_cast<int>(cchPrefix)) != CSTR_EQUAL)
        return false;
    for (size_t i = cchPrefix; i < cchPrefix + nDigits; ++i) {
        if (!IsAnsiDigit(PortName[i]))
            return false;
    }
    return true;
}

bool IsStdUSBPort(const char* PortName) {
    return IsPrefixAndDigits(PortName, "USB", 3);
}

bool IsUSBPRNPort(const char* PortName) {
    return IsPrefixAndDigits(PortName, "USBPRN", 2);
}

bool IsMPUSBPRNPort(const char* PortName) {
    return IsPrefixAndDigits(PortName, "MPUSBPRN", 2);
}

bool IsRedirectedPort(const char* PortName) {
    if (PortName == nullptr ||
        CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, PortName,
                       std::min<int>(2, int(std::strlen(PortName))), "TS", 2) != CSTR_EQUAL)
        return false;
    for (int i = 2; i < 5 && PortName[i] != '\0'; ++i) {
        if (!IsAnsiDigit(PortName[i]))
            return false;
    }
    return true;
}
