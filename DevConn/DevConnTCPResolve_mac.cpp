// macOS address resolution: a print queue's port is its device URI, of which only "lpd://" ones
// carry an address; there is no registry.
#include "DevConnTCP.h"

#include "DevConnTCPResolve.h"

#include <cstring>
#include <netinet/in.h>

bool DevConnTCP::GetIpFromUrl(LPCSTR pPortName, sockaddr_in* addr) {
    if (pPortName == nullptr || addr == nullptr)
        return false;
    uint32_t dwAddrNet = 0;
    const bool bFound = ZepUrlAddr(pPortName, "lpd://", true, ZEP_BUNDLE_PATH_SIZE, &dwAddrNet);
    return ZepTakeAddr(bFound, dwAddrNet, addr);
}

bool DevConnTCP::GetIpFromPort(LPCSTR pPortName, sockaddr_in* addr) {
    return GetIpFromUrl(pPortName, addr);
}

bool DevConnTCP::GetIpFromReg(LPCSTR, LPCSTR, LPCSTR, sockaddr_in*) {
    return false;
}

bool DevConnTCP::GetIpFromRecord(const ZepPortRecord&, sockaddr_in*) {
    return false;
}

bool DevConnTCP::ResolvePortAddr(LPCSTR pPortName, uint32_t* pdwAddrNet) {
    sockaddr_in addr;
    if (!GetIpFromPort(pPortName, &addr))
        return false;
    *pdwAddrNet = addr.sin_addr.s_addr;
    return true;
}
