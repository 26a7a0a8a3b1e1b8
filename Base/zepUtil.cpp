// Platform-neutral helpers of zepUtil.h.
#include "zepUtil.h"

#include <cctype>

bool IsNumberStr(const char* psz) {
    if (psz == nullptr)
        return false;
    for (; *psz != '\0'; ++psz) {
        if (*psz < '0' || *psz > '9')
            return false;
    }
    return true;
}

bool ZepEqualNoCase(const char* a, const char* b) {
    a = a != nullptr ? a : "";
    b = b != nullptr ? b : "";
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        if (std::tolower(static_cast<unsigned char>(*a)) !=
            std::tolower(static_cast<unsigned char>(*b)))
            return false;
    }
    return *a == *b;
}

bool ZepEqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool IsAnyUsbPort(const char* PortName) {
    return IsStdUSBPort(PortName) || IsUSBPRNPort(PortName) || IsMPUSBPRNPort(PortName);
}

void ZepCopyText(char* pDst, size_t size, const char* pszText) {
    if (pszText == nullptr || size == 0)
        return;
    size_t len = 0;
    while (len + 1 < size && pszText[len] != '\0')
        ++len;
    std::memcpy(pDst, pszText, len);
    pDst[len] = '\0';
}
