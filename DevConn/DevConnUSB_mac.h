// Transport for the maker's printers attached by USB on macOS: the printer interface whose
// device matches a "usb://vendor/product?serial=S" URI and the package's models, opened through
// the USB user client, with asynchronous bulk transfers completed on the calling thread's run
// loop, one read that may stay outstanding across calls, and a 512-byte cache.
#pragma once

#include "DevConnBase.h"
#include "DevConnUSBCache.h"
#include "MacIOKit.h"

// The open interface of a connection.
struct USBContext {
    IOUSBInterfaceInterface190** intf;
    bool intfOpend;
    UInt8 outPipe;
    UInt8 inPipe;
    UInt8 intrPipe;
};

class DevConnUSB : public DevConnBase, public DevConnUSBCache {
public:
    DevConnUSB() = default;
    ~DevConnUSB() override;

    int Connect(LPCSTR pPrinterName, LPCSTR pPortName, WORD wPortNo) override;
    int SendRecvData(PBYTE pSndBuf, DWORD dwSndSize, PBYTE* ppRcvBuf, DWORD* pdwRcvSize) override;
    int GetModelName(LPSTR* ppModelName, DWORD* pdwSize) override;
    int SetTimeout(DWORD dwTimeout) override;
    int Disconnect() override;

    // The serial number a port URI names, or false when its layout is not "usb://" text '/'
    // text '?' ... "serial=" serial.
    static bool SerialFromUri(LPCSTR pPortName, const char** ppSerial);
    // Whether a device-ID model is one of the package's: DEVICEIDMODELNAME exactly, else TGMNAME
    // with the model cut at its first '(' and then its first space.
    static bool IsPackageModel(const char* pszModel);


protected:
    io_service_t searchDevice(LPCSTR pPortName);
    USBContext* StdUsbOpen(LPCSTR pPortName);
    static bool getProductName(io_service_t usbInterface, char* productName);
    bool usbGetDeviceID(char* szID, DWORD* pdwSize);

    BOOL WritePort(PBYTE pBuff, DWORD cbBuf, LPDWORD pcbWritten, DWORD dwTimeout) override;
    BOOL ReadPort(PBYTE pBuff, DWORD cbBuf, LPDWORD pcbReaded, DWORD dwTimeout) override;
    bool IsReplyAwaited(PBYTE pSndBuf, DWORD dwSndSize) override;
    bool IsSendFileCheck(PBYTE pSndBuf, DWORD dwSndSize);

    friend void ReadCompletion(void* refCon, IOReturn result, void* arg0);
    friend void WriteCompletion(void* refCon, IOReturn result, void* arg0);

    USBContext* m_hPort = nullptr;
    bool m_bReading = false;
    PBYTE m_pReadBuf = nullptr;
    DWORD m_dwReadSize = 0;
    DWORD m_dwRatio = UINT32_MAX; // no percentage yet: block 0 of the first image is awaited
    DWORD m_dwReaded = 0;
    bool m_bReadComplete = false;
    bool m_bWriteComplete = false;
    IOReturn m_ReadCompletionResult = 0;
    IOReturn m_WriteCompletionResult = 0;

private:
    // Runs the run loop until *pbDone is set or dwTimeout ms pass; false on time-out. Another
    // request's completion (a read outstanding while a write runs) does not end the wait.
    bool RunUntil(const bool* pbDone, DWORD dwTimeout);
    BOOL CompleteRead(PBYTE pBuff, DWORD cbBuf, LPDWORD pcbReaded);
    void CloseContext(USBContext* pCtx);
};

void ReadCompletion(void* refCon, IOReturn result, void* arg0);
void WriteCompletion(void* refCon, IOReturn result, void* arg0);
