// Portable pieces of address resolution for the TCP transport: dotted IPv4 text, the host part of
// a URL-like port name, and host text to address. Addresses are IPv4 in network byte order.
#pragma once

#include "zepTypes.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

// True for an address that names a device by the one address reader (zepAddress.h); never
// looks a name up.
bool ZepDottedAddr(LPCSTR pszText, uint32_t* pdwAddrNet);

// Copies the host part of pszName (the text after pszScheme up to the first '/'). The scheme must
// begin the name, or with bAnywhere appear anywhere in it; the name must be shorter than cchMax.
bool ZepUrlHost(LPCSTR pszName, LPCSTR pszScheme, bool bAnywhere, size_t cchMax, char* pszHost,
                size_t cbHost);

// A dotted address, or else a name looked up; with bPortSuffix the text after a ':' is a port
// number and only the text before it counts.
bool ZepHostTextAddr(LPCSTR pszHost, bool bPortSuffix, uint32_t* pdwAddrNet);

// The address of a URL-like port name, as ZepUrlHost and ZepHostTextAddr with a port suffix.
bool ZepUrlAddr(LPCSTR pszName, LPCSTR pszScheme, bool bAnywhere, size_t cchMax,
                uint32_t* pdwAddrNet);

// Clears an address record (sockaddr_in, complete where the platform's file uses it) and stores
// the address found, if any; returns bFound.
template <class SockAddrIn> bool ZepTakeAddr(bool bFound, uint32_t dwAddrNet, SockAddrIn* addr) {
    std::memset(addr, 0, sizeof(*addr));
    if (bFound)
        addr->sin_addr.s_addr = dwAddrNet;
    return bFound;
}

// The first IPv4 address of a host name (DevConnTCP_posix.cpp / DevConnTCP_win.cpp).
bool ZepLookupHost(LPCSTR pszName, uint32_t* pdwAddrNet);
