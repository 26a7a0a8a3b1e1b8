// Transport for devices on the system's USB printing class (ports USBnnn): the device interface
// registered for the port, opened for overlapped I/O, with one read that may stay outstanding
// across calls and a 512-byte cache for what the driver delivers beyond a read. Windows only.
#pragma once

#include "DevConnBase.h"
#include "DevConnUSBCache.h"

#include <windows.h>

// Finding and opening the device of a port, and its IEEE 1284 device ID: SetupAPI and the
// driver on a real system; tests put a device of their own behind it.
class UsbPrintDeviceAccess {
public:
    virtual ~UsbPrintDeviceAccess() = default;
    // An open handle (overlapped I/O) for the port's device, or null.
    virtual HANDLE Open(LPCSTR pPortName) = 0;
    virtual bool QueryDeviceId(HANDLE hDevice, char* pBuf, DWORD cbBuf, DWORD* pcbReturned) = 0;
};

// The system's: SetupAPI finds the interface registered for the port, the driver answers the
// device-ID request.
UsbPrintDeviceAccess& SetupApiUsbAccess();

// The port name a USB printing-class interface stands for: base name (null: "USB") and the
// port number in three digits.
void UsbInterfacePortName(LPCSTR pBaseName, DWORD dwPortNumber, char (&szName)[300]);

class DevConnUSB : public DevConnBase, public DevConnUSBCache {
public:
    DevConnUSB();
    ~DevConnUSB() override;

    int Connect(LPCSTR pPrinterName, LPCSTR pPortName, WORD wPortNo) override;
    int SendRecvData(PBYTE pSndBuf, DWORD dwSndSize, PBYTE* ppRcvBuf, DWORD* pdwRcvSize) override;
    int GetModelName(LPSTR* ppModelName, DWORD* pdwSize) override;
    int SetTimeout(DWORD dwTimeout) override;
    int Disconnect() override;

    // The device access used by connections made from now on; null restores SetupAPI's.
    static void SetDeviceAccess(UsbPrintDeviceAccess* pAccess);


protected:
    HANDLE StdUsbOpen(LPCSTR pPortName);
    BOOL WritePort(PBYTE pBuff, DWORD cbBuf, LPDWORD pcbWritten, DWORD dwTimeout) override;
    // Never waits more than 10 ms; a read still pending stays outstanding for the next call.
    BOOL ReadPort(PBYTE pBuff, DWORD cbBuf, LPDWORD pcbReaded, DWORD dwTimeout) override;

    HANDLE m_hPort = nullptr;
    bool m_bReading = false;
    PBYTE m_pReadBuf = nullptr;
    DWORD m_dwReadSize = 0;
    DWORD m_dwReaded = 0;
    OVERLAPPED m_ReadOverlapped = {};

private:
    BOOL CompleteRead(PBYTE pBuff, DWORD cbBuf, LPDWORD pcbReaded);
    BOOL FailRead();
    void EndOutstandingRead();

    UsbPrintDeviceAccess* m_pAccess;
};
