// The part of the print port-monitor interface this program uses: the function table that a
// monitor DLL's InitializeMonitorEx fills in, declared once for the transport and for test
// monitors. Windows only.
#pragma once

#include <windows.h>

#include <cstddef>

extern "C" {
typedef BOOL(WINAPI* PmOpenPortFn)(LPSTR pName, PHANDLE pHandle);
typedef BOOL(WINAPI* PmStartDocPortFn)(HANDLE hPort, LPSTR pPrinterName, DWORD JobId, DWORD Level,
                                       LPBYTE pDocInfo);
typedef BOOL(WINAPI* PmWritePortFn)(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten);
typedef BOOL(WINAPI* PmReadPortFn)(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbRead);
typedef BOOL(WINAPI* PmEndDocPortFn)(HANDLE hPort);
typedef BOOL(WINAPI* PmClosePortFn)(HANDLE hPort);
typedef BOOL(WINAPI* PmGetPrinterDataFromPortFn)(HANDLE hPort, DWORD ControlID, LPSTR pValueName,
                                                 LPSTR lpInBuffer, DWORD cbInBuffer,
                                                 LPSTR lpOutBuffer, DWORD cbOutBuffer,
                                                 LPDWORD lpcbReturned);
}

// 13 entries in the interface's order; the ones this program calls are typed. Monitors of other
// versions may write more entries: kSpare leaves them room.
struct PmFunctionTable {
    FARPROC pfnEnumPorts;                                 // 1
    PmOpenPortFn pfnOpenPort;                             // 2
    FARPROC pfnOpenPortEx;                                // 3
    PmStartDocPortFn pfnStartDocPort;                     // 4
    PmWritePortFn pfnWritePort;                           // 5
    PmReadPortFn pfnReadPort;                             // 6
    PmEndDocPortFn pfnEndDocPort;                         // 7
    PmClosePortFn pfnClosePort;                           // 8
    FARPROC pfnAddPort;                                   // 9
    FARPROC pfnConfigurePort;                             // 10
    FARPROC pfnDeletePort;                                // 11
    PmGetPrinterDataFromPortFn pfnGetPrinterDataFromPort; // 12
    FARPROC pfnSetPortTimeOuts;                           // 13
    static const size_t kSpare = 32;
    FARPROC spare[kSpare];
};

static_assert(offsetof(PmFunctionTable, pfnOpenPort) == 1 * sizeof(void*), "entry 2");
static_assert(offsetof(PmFunctionTable, pfnStartDocPort) == 3 * sizeof(void*), "entry 4");
static_assert(offsetof(PmFunctionTable, pfnClosePort) == 7 * sizeof(void*), "entry 8");
static_assert(offsetof(PmFunctionTable, pfnGetPrinterDataFromPort) == 11 * sizeof(void*),
              "entry 12");
static_assert(offsetof(PmFunctionTable, spare) == 13 * sizeof(void*), "13 entries");

// Level-2 document information handed to StartDocPort: five 32-bit fields, all zero here.
struct PmDocInfo2 {
    DWORD dwFields[5];
};

extern "C" typedef BOOL(WINAPI* PmInitializeMonitorExFn)(LPSTR pRegistryRoot,
                                                         PmFunctionTable* pMonitor);

// The device-ID request of GetPrinterDataFromPort.
const DWORD kPmDeviceIdControl = 17;
