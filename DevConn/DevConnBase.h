// The abstract connection every transport derives from: its lock, time-out, reply buffer size and
// the list of buffers handed to callers, the reply framing shared by all transports, and the
// IEEE 1284 device-ID key scan.
#pragma once

#include "DevConnErr.h"
#include "zepLock.h"
#include "zepTypes.h"

#include <vector>

// The numbers by which one transport's reply framing differs from another's.
struct DevConnFraming {
    DWORD dwWriteFloor;     // ms; the request write waits at least this long
    DWORD dwReadPoll;       // ms; how long one header or payload read may wait
    DWORD dwRemainFloor;    // ms; reply window left when the write used up the time-out
    bool bReadAfterBlock;   // after an intermediate SendFile block: one poll (true) or none
    bool bNeedRequest;      // a call without a request is an invalid argument
    DWORD dwPayloadPause;   // ms slept before each payload read
    bool bRetryPayloadRead; // a failed or empty payload read is retried once at once
};

// Each transport's numbers (DevConnFramings.cpp).
extern const DevConnFraming kTcpFraming;
extern const DevConnFraming kUsbWinFraming;
extern const DevConnFraming kUsbMacFraming;
extern const DevConnFraming kPortMonitorFraming;

class DevConnBase {
public:
    virtual ~DevConnBase();

    virtual int Connect(LPCSTR pPrinterName, LPCSTR pPortName, WORD wPortNo) = 0;
    virtual int SendRecvData(PBYTE pSndBuf, DWORD dwSndSize, PBYTE* ppRcvBuf,
                             DWORD* pdwRcvSize) = 0;
    virtual int GetModelName(LPSTR* ppModelName, DWORD* pdwSize) = 0;
    virtual int SetTimeout(DWORD dwTimeout) = 0;
    virtual int Disconnect() = 0;

    // Sizes below a message header are raised to one, so a reply buffer always holds a header.
    int SetRecvPacketSize(DWORD dwRcvPktSize);
    int DisposeData(void* pbuf);
    bool addMemList(void* p);

    // Scan an IEEE 1284 device ID in place for the MODEL:/MDL: (or MFG:) value; the last such key
    // wins. Returns a pointer into the text, NUL-terminated at its ';', or null.
    static char* FindModelKey(char* pszDeviceID);
    static char* FindMFGKey(char* pszDeviceID);

    DevConnBase(const DevConnBase&) = delete;
    DevConnBase& operator=(const DevConnBase&) = delete;

protected:
    DevConnBase() = default;

    // Port primitives of the transport. A read waits at most dwTimeout ms and may deliver 0
    // bytes; false means a read or write error.
    virtual BOOL WritePort(PBYTE pBuff, DWORD cbBuf, LPDWORD pcbWritten, DWORD dwTimeout) = 0;
    virtual BOOL ReadPort(PBYTE pBuff, DWORD cbBuf, LPDWORD pcbReaded, DWORD dwTimeout) = 0;
    // Asked before each header read: false ends the call with no reply (the transport may pause).
    virtual bool IsReplyAwaited(PBYTE pSndBuf, DWORD dwSndSize);

    // The reply framing of SendRecvData, run under m_lock over the port primitives.
    int FrameSendRecv(const DevConnFraming& framing, PBYTE pSndBuf, DWORD dwSndSize,
                      PBYTE* ppRcvBuf, DWORD* pdwRcvSize);
    static bool IsIntermediateBlock(const BYTE* pSndBuf, DWORD dwSndSize);

    // Hand a new copy of a device-ID value to the caller through the memory list.
    int ReturnModelName(const char* pszModel, LPSTR* ppModelName, DWORD* pdwSize);
    // GetModelName of the transports that ask the device for its IEEE 1284 ID: readId(buffer,
    // size, &returned) asks, nFailCode is the transport's code for a failed request. The model
    // comes back from the memory list; 0 with null when the ID names none.
    template <class ReadId>
    int ModelFromDeviceId(LPSTR* ppModelName, DWORD* pdwSize, int nFailCode, ReadId readId) {
        ZepLock lock(m_lock);
        if (ppModelName == nullptr || pdwSize == nullptr)
            return DEVCONN_ERR_PARAM;
        if (!m_fConnected)
            return DEVCONN_ERR_NOT_CONNECTED;
        char szDeviceId[kDeviceIdSize] = {};
        DWORD cbReturned = 0;
        if (!readId(szDeviceId, DWORD(kDeviceIdSize), &cbReturned))
            return nFailCode;
        szDeviceId[cbReturned < kDeviceIdSize ? cbReturned : kDeviceIdSize - 1] = '\0';
        return ReturnModelName(FindModelKey(szDeviceId), ppModelName, pdwSize);
    }
    static const DWORD kDeviceIdSize = 1024;
    // SetTimeout of every transport: 0 is refused, and only a connection has one.
    int StoreTimeout(DWORD dwTimeout);

    CRITSECT m_lock;
    DWORD m_dwTimeout = 0;
    DWORD m_dwRcvPktSize = 4096;
    bool m_fConnected = false;
    std::vector<void*> m_MemList;

private:
    int ReadReply(const DevConnFraming& framing, PBYTE pBuf, bool bBlock, PBYTE pSndBuf,
                  DWORD dwSndSize, DWORD dwReadStart, DWORD dwRemain, DWORD* pdwReplySize);
    int ReadPayload(const DevConnFraming& framing, PBYTE pPayload, DWORD dwLength,
                    DWORD dwReadStart, DWORD dwRemain, DWORD* pdwReceived);
};
