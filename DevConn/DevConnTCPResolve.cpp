// Dotted addresses, URL host parts and host text, shared by both platforms' resolution.
#include "DevConnTCPResolve.h"

#include <cstring>

// Four decimal fields of 1 to 3 digits, each at most 255, and nothing else.
static bool ParseDottedQuad(const char* p, unsigned char bytes[4]) {
    for (int i = 0; i < 4; ++i) {
        if (i > 0 && *p++ != '.')
            return false;
        unsigned value = 0;
        int digits = 0;
        for (; *p >= '0' && *p <= '9'; ++p) {
            value = value * 10 + static_cast<unsigned>(*p - '0');
            if (++digits > 3)
                return false;
        }
        if (digits == 0 || value > 255)
            return false;
        bytes[i] = static_cast<unsigned char>(value);
    }
    return *p == '\0';
}

bool ZepDottedAddr(LPCSTR pszText, uint32_t* pdwAddrNet) {
    unsigned char bytes[4];
    if (pszText == nullptr || pdwAddrNet == nullptr || !ParseDottedQuad(pszText, bytes))
        return false;
    uint32_t dwAddrNet;
    std::memcpy(&dwAddrNet, bytes, sizeof(dwAddrNet));
    if (dwAddrNet == 0 || dwAddrNet == 0xFFFFFFFFu)
        return false;
    *pdwAddrNet = dwAddrNet;
    return true;
}

bool ZepUrlHost(LPCSTR pszName, LPCSTR pszScheme, bool bAnywhere, size_t cchMax, char* pszHost,
                size_t cbHost) {
    if (pszName == nullptr || pszScheme == nullptr || pszHost == nullptr || cbHost == 0)
        return false;
    if (std::strlen(pszName) >= cchMax)
        return false;
    const size_t cchScheme = std::strlen(pszScheme);
    const char* pHost = nullptr;
    if (bAnywhere) {
        const char* pScheme = std::strstr(pszName, pszScheme);
        pHost = pScheme != nullptr ? pScheme + cchScheme : nullptr;
    } else if (std::strncmp(pszName, pszScheme, cchScheme) == 0) {
        pHost = pszName + cchScheme;
    }
    const char* pSlash = pHost != nullptr ? std::strchr(pHost, '/') : nullptr;
    if (pSlash == nullptr)
        return false;
    const size_t cchHost = static_cast<size_t>(pSlash - pHost);
    if (cchHost >= cbHost)
        return false;
    std::memcpy(pszHost, pHost, cchHost);
    pszHost[cchHost] = '\0';
    return true;
}

bool ZepHostTextAddr(LPCSTR pszHost, bool bPortSuffix, uint32_t* pdwAddrNet) {
    if (pszHost == nullptr || pdwAddrNet == nullptr)
        return false;
    if (ZepDottedAddr(pszHost, pdwAddrNet))
        return true;
    const char* pColon = bPortSuffix ? std::strchr(pszHost, ':') : nullptr;
    if (pColon == nullptr)
        return *pszHost != '\0' && ZepLookupHost(pszHost, pdwAddrNet);
    char szName[ZEP_BUNDLE_PATH_SIZE];
    const size_t cchName = static_cast<size_t>(pColon - pszHost);
    if (cchName == 0 || cchName >= sizeof(szName))
        return false;
    std::memcpy(szName, pszHost, cchName);
    szName[cchName] = '\0';
    return ZepDottedAddr(szName, pdwAddrNet) || ZepLookupHost(szName, pdwAddrNet);
}

bool ZepUrlAddr(LPCSTR pszName, LPCSTR pszScheme, bool bAnywhere, size_t cchMax,
                uint32_t* pdwAddrNet) {
    char szHost[ZEP_BUNDLE_PATH_SIZE];
    return ZepUrlHost(pszName, pszScheme, bAnywhere, cchMax, szHost, sizeof(szHost)) &&
           ZepHostTextAddr(szHost, true, pdwAddrNet);
}
