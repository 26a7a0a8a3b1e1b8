// A port monitor of our own in place of the maker's: its port carries the records over TCP to
// the device simulator named by HALVARD_PM_TARGET ("host:port"), and answers the device-ID
// request with HALVARD_PM_DEVICE_ID. HALVARD_PM_NO_DEVICEID=1 leaves that function out of the
// table. Built with ZEP_PLANTED it is the DLL an attacker would plant beside the program: loading
// it creates the file named by HALVARD_PM_PLANTED_MARKER.
#include "DevConnMonitorApi.h"

#include <winsock2.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct TestPort {
    SOCKET s = INVALID_SOCKET;
};

std::string Env(const char* pszName) {
    char szValue[512] = {};
    const DWORD n = GetEnvironmentVariableA(pszName, szValue, sizeof szValue);
    return n > 0 && n < sizeof szValue ? std::string(szValue, n) : std::string();
}

BOOL WINAPI OpenPort(LPSTR, PHANDLE pHandle) {
    const std::string target = Env("HALVARD_PM_TARGET");
    const size_t colon = target.find(':');
    WSADATA wsa;
    if (colon == std::string::npos || WSAStartup(MAKEWORD(2, 2), &wsa) != 0)
        return FALSE;
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(u_short(std::atoi(target.c_str() + colon + 1)));
    addr.sin_addr.s_addr = inet_addr(target.substr(0, colon).c_str());
    TestPort* pPort = new TestPort;
    pPort->s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (pPort->s == INVALID_SOCKET ||
        connect(pPort->s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        if (pPort->s != INVALID_SOCKET)
            closesocket(pPort->s);
        delete pPort;
        WSACleanup();
        return FALSE;
    }
    *pHandle = pPort;
    return TRUE;
}

BOOL WINAPI StartDocPort(HANDLE hPort, LPSTR, DWORD, DWORD dwLevel, LPBYTE pDocInfo) {
    return hPort != nullptr && dwLevel == 2 && pDocInfo != nullptr;
}

BOOL WINAPI WritePort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten) {
    TestPort* pPort = static_cast<TestPort*>(hPort);
    *pcbWritten = 0;
    while (*pcbWritten < cbBuf) {
        const int n = send(pPort->s, reinterpret_cast<const char*>(pBuffer) + *pcbWritten,
                           int(cbBuf - *pcbWritten), 0);
        if (n <= 0)
            return FALSE;
        *pcbWritten += DWORD(n);
    }
    return TRUE;
}

// Waits a few milliseconds for data, as a monitor polling its device would; a device that has
// gone away is a CRC error, the one read error that ends a read at once.
BOOL WINAPI ReadPort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbRead) {
    TestPort* pPort = static_cast<TestPort*>(hPort);
    *pcbRead = 0;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(pPort->s, &readable);
    timeval wait = {0, 5000};
    const int ready = select(0, &readable, nullptr, nullptr, &wait);
    if (ready == 0)
        return TRUE;
    const int n =
        ready > 0 ? recv(pPort->s, reinterpret_cast<char*>(pBuffer), int(cbBuffer), 0) : -1;
    if (n <= 0) {
        SetLastError(ERROR_CRC);
        return FALSE;
    }
    *pcbRead = DWORD(n);
    return TRUE;
}

BOOL WINAPI EndDocPort(HANDLE hPort) {
    return hPort != nullptr;
}

BOOL WINAPI ClosePort(HANDLE hPort) {
    TestPort* pPort = static_cast<TestPort*>(hPort);
    closesocket(pPort->s);
    delete pPort;
    WSACleanup();
    return TRUE;
}

BOOL WINAPI GetPrinterDataFromPort(HANDLE, DWORD dwControl, LPSTR, LPSTR, DWORD, LPSTR pOut,
                                   DWORD cbOut, LPDWORD pcbReturned) {
    std::string id = Env("HALVARD_PM_DEVICE_ID");
    if (id.empty())
        id = "MFG:Torvi;CMD:ZEP;MDL:HV2000;CLS:PRINTER;";
    if (dwControl != kPmDeviceIdControl || id.size() > cbOut)
        return FALSE;
    std::memcpy(pOut, id.data(), id.size());
    *pcbReturned = DWORD(id.size());
    return TRUE;
}

} // namespace

extern "C" __declspec(dllexport) BOOL WINAPI InitializeMonitorEx(LPSTR, PmFunctionTable* pMonitor) {
    std::memset(pMonitor, 0, sizeof(FARPROC) * 13);
    pMonitor->pfnOpenPort = OpenPort;
    pMonitor->pfnStartDocPort = StartDocPort;
    pMonitor->pfnWritePort = WritePort;
    pMonitor->pfnReadPort = ReadPort;
    pMonitor->pfnEndDocPort = EndDocPort;
    pMonitor->pfnClosePort = ClosePort;
    if (Env("HALVARD_PM_NO_DEVICEID") != "1")
        pMonitor->pfnGetPrinterDataFromPort = GetPrinterDataFromPort;
    return TRUE;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD dwReason, LPVOID) {
#ifdef ZEP_PLANTED
    if (dwReason == DLL_PROCESS_ATTACH) {
        const std::string marker = Env("HALVARD_PM_PLANTED_MARKER");
        if (FILE* fp = marker.empty() ? nullptr : std::fopen(marker.c_str(), "w"))
            std::fclose(fp);
    }
#else
    (void)dwReason;
#endif
    return TRUE;
}
