// Windows address resolution: a print queue's port is looked up among the spooler's ports, and
// the monitor table says whether its monitor keeps the device's address in the registry or the
// port name is a URL.
#include <winsock2.h>

#include "DevConnTCP.h"

#include "DevConnTCPResolve.h"
#include "zepUtil.h"

#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <cstring>

bool DevConnTCP::GetIpFromUrl(LPCSTR pPortName, sockaddr_in* addr) {
    if (pPortName == nullptr || addr == nullptr)
        return false;
    uint32_t dwAddrNet = 0;
    const bool bFound = ZepUrlAddr(pPortName, "http://", false, ZEP_PATH_SIZE, &dwAddrNet);
    return ZepTakeAddr(bFound, dwAddrNet, addr);
}

// Reads a string value of a port's key under the monitor's registry key.
static bool ReadPortValue(LPCSTR pKey, LPCSTR pValue, LPCSTR pPortName, char* pszText,
                          DWORD cbText) {
    char szPath[1024];
    int n = std::snprintf(szPath, sizeof(szPath),
                          "System\\CurrentControlSet\\Control\\print\\monitors\\%s\\Ports\\%s",
                          pKey != nullptr ? pKey : "", pPortName);
    if (n < 0 || static_cast<size_t>(n) >= sizeof(szPath))
        return false;
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, szPath, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    DWORD dwType = 0;
    DWORD cbData = cbText - 1; // room for a terminator the stored text may lack
    LONG rc =
        RegQueryValueExA(hKey, pValue, nullptr, &dwType, reinterpret_cast<BYTE*>(pszText), &cbData);
    RegCloseKey(hKey);
    if (rc != ERROR_SUCCESS || (dwType != REG_SZ && dwType != REG_EXPAND_SZ))
        return false;
    pszText[cbData] = '\0';
    return pszText[0] != '\0';
}

bool DevConnTCP::GetIpFromReg(LPCSTR pKey, LPCSTR pValue, LPCSTR pPortName, sockaddr_in* addr) {
    if (pValue == nullptr || pPortName == nullptr || addr == nullptr)
        return false;
    char szText[ZEP_PATH_SIZE + 1];
    if (!ReadPortValue(pKey, pValue, pPortName, szText, sizeof(szText)))
        return false;
    uint32_t dwAddrNet = 0;
    const bool bFound = ZepHostTextAddr(szText, false, &dwAddrNet);
    return ZepTakeAddr(bFound, dwAddrNet, addr);
}

bool DevConnTCP::GetIpFromRecord(const ZepPortRecord& record, sockaddr_in* addr) {
    const ZepAddrSource source = ChooseAddrSource(record);
    switch (source.kind) {
    case ZEP_ADDR_REGISTRY:
        return GetIpFromReg(source.pKey, source.pValue, record.pPortName, addr) ||
               (source.pFallbackValue != nullptr &&
                GetIpFromReg(source.pKey, source.pFallbackValue, record.pPortName, addr));
    case ZEP_ADDR_URL:
        return GetIpFromUrl(record.pPortName, addr);
    case ZEP_ADDR_NONE:
        break;
    }
    return false;
}

// The spooler's level-2 port list in an AllocMem block, or null.
static PORT_INFO_2A* EnumSpoolerPorts2(DWORD* pdwCount) {
    DWORD cbNeeded = 0;
    *pdwCount = 0;
    if (EnumPortsA(nullptr, 2, nullptr, 0, &cbNeeded, pdwCount) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER || cbNeeded == 0)
        return nullptr;
    BYTE* pBuf = static_cast<BYTE*>(AllocMem(cbNeeded));
    if (pBuf == nullptr)
        return nullptr;
    if (!EnumPortsA(nullptr, 2, pBuf, cbNeeded, &cbNeeded, pdwCount)) {
        FreeMem(pBuf);
        *pdwCount = 0;
        return nullptr;
    }
    return reinterpret_cast<PORT_INFO_2A*>(pBuf);
}

bool DevConnTCP::GetIpFromPort(LPCSTR pPortName, sockaddr_in* addr) {
    if (pPortName == nullptr || addr == nullptr)
        return false;
    DWORD dwCount = 0;
    PORT_INFO_2A* pPorts = EnumSpoolerPorts2(&dwCount);
    bool bFound = false;
    for (DWORD i = 0; pPorts != nullptr && i < dwCount; ++i) {
        const ZepPortRecord record = {pPorts[i].pPortName, pPorts[i].pMonitorName,
                                      pPorts[i].pDescription};
        if (record.pPortName != nullptr && ZepEqualNoCase(record.pPortName, pPortName)) {
            bFound = GetIpFromRecord(record, addr);
            break;
        }
    }
    FreeMem(pPorts);
    return bFound || GetIpFromUrl(pPortName, addr);
}

bool DevConnTCP::ResolvePortAddr(LPCSTR pPortName, uint32_t* pdwAddrNet) {
    sockaddr_in addr;
    if (!GetIpFromPort(pPortName, &addr))
        return false;
    *pdwAddrNet = addr.sin_addr.s_addr;
    return true;
}
