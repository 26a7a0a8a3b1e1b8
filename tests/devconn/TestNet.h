// sockaddr_in for the tests that call the transport's address resolution directly.
#pragma once

#ifdef _WIN32
#include <winsock2.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#endif

#include <cstring>
#include <string>

// Dotted text of a resolved address, or "-" when resolution failed.
inline std::string AddrText(bool bFound, const sockaddr_in& addr) {
    if (!bFound)
        return "-";
    const unsigned char* b = reinterpret_cast<const unsigned char*>(&addr.sin_addr.s_addr);
    return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
           std::to_string(b[3]);
}
