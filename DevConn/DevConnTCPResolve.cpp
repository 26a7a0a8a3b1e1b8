// Dotted addresses, URL host parts and host text, shared by both platforms' resolution.
#include "DevConnTCPResolve.h"

#include "zepAddress.h"

#include <cstring>
#include <string>

bool ZepDottedAddr(LPCSTR pszText, uint32_t* pdwAddrNet) {
    uint32_t addr = 0;
    std::string why;
    if (pszText == nullptr || pdwAddrNet == nullptr || !ZepParseDeviceAddr(pszText, addr, why))
        return false;
    const unsigned char bytes[4] = {static_cast<unsigned char>(addr >> 24),
                                    static_cast<unsigned char>(addr >> 16),
                                    static_cast<unsigned char>(addr >> 8),
                                    static_cast<unsigned char>(addr)};
    std::memcpy(pdwAddrNet, bytes, sizeof(*pdwAddrNet));
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
    // Text that reads as an address is judged as one, never handed to the system's look-up
    // (which would take "0.0.0.0" or an octal "010.0.0.1" its own way).
    uint32_t addr = 0;
    if (ZepParseIPv4(pszHost, addr))
        return ZepDottedAddr(pszHost, pdwAddrNet);
    const char* pColon = bPortSuffix ? std::strchr(pszHost, ':') : nullptr;
    if (pColon == nullptr)
        return *pszHost != '\0' && ZepLookupHost(pszHost, pdwAddrNet);
    char szName[ZEP_BUNDLE_PATH_SIZE];
    const size_t cchName = static_cast<size_t>(pColon - pszHost);
    if (cchName == 0 || cchName >= sizeof(szName))
        return false;
    std::memcpy(szName, pszHost, cchName);
    szName[cchName] = '\0';
    if (ZepParseIPv4(szName, addr))
        return ZepDottedAddr(szName, pdwAddrNet);
    return ZepLookupHost(szName, pdwAddrNet);
}

bool ZepUrlAddr(LPCSTR pszName, LPCSTR pszScheme, bool bAnywhere, size_t cchMax,
                uint32_t* pdwAddrNet) {
    char szHost[ZEP_BUNDLE_PATH_SIZE];
    return ZepUrlHost(pszName, pszScheme, bAnywhere, cchMax, szHost, sizeof(szHost)) &&
           ZepHostTextAddr(szHost, true, pdwAddrNet);
}
