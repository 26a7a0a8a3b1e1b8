// Transport for devices behind the maker's USB port monitors (ports USBPRNnn and MPUSBPRNnn):
// the monitor's DLL is loaded into the process, its port opened as the spooler would, and the
// protocol carried through its write and read functions. Windows only.
#pragma once

#include "DevConnBase.h"
#include "DevConnMonitorApi.h"

class DevConnUSBPM : public DevConnBase {
public:
    DevConnUSBPM();
    ~DevConnUSBPM() override;

    int Connect(LPCSTR pPrinterName, LPCSTR pPortName, WORD wPortNo) override;
    int SendRecvData(PBYTE pSndBuf, DWORD dwSndSize, PBYTE* ppRcvBuf, DWORD* pdwRcvSize) override;
    int GetModelName(LPSTR* ppModelName, DWORD* pdwSize) override;
    int SetTimeout(DWORD dwTimeout) override;
    int Disconnect() override;

    // The monitor DLL's file name for a port name; null when no monitor serves it.
    static LPCSTR MonitorDllFor(LPCSTR pPortName);


protected:
    BOOL WritePort(PBYTE pBuff, DWORD cbBuf, LPDWORD pcbWritten, DWORD dwTimeout) override;
    // Collects cbBuf bytes for up to dwTimeout ms; ERROR_CRC from the monitor ends it at once.
    BOOL ReadPort(PBYTE pBuff, DWORD cbBuf, LPDWORD pcbReaded, DWORD dwTimeout) override;

private:
    HANDLE OpenMonitorPort(LPCSTR pPortName);
    void FreeMonitor();
    void ClosePort();

    HANDLE m_hPort = nullptr;
    HMODULE m_hMonitor = nullptr;
    PmFunctionTable m_table;
};
