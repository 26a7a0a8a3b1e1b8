// Transport for network devices: resolves the port name to an IPv4 address (a typed address, a
// print port whose monitor stores the device's address, or a URL) and carries the protocol over
// one TCP connection. Sockets live in DevConnTCP_posix.cpp / DevConnTCP_win.cpp, the platform's
// address resolution in DevConnTCPResolve_mac.cpp / DevConnTCPResolve_win.cpp.
#pragma once

#include "DevConnBase.h"
#include "DevConnMonitorTable.h"

#include <cstdint>

struct sockaddr_in;

class DevConnTCP : public DevConnBase {
public:
    DevConnTCP();
    ~DevConnTCP() override;

    int Connect(LPCSTR pPrinterName, LPCSTR pPortName, WORD wPortNo) override;
    int SendRecvData(PBYTE pSndBuf, DWORD dwSndSize, PBYTE* ppRcvBuf, DWORD* pdwRcvSize) override;
    int GetModelName(LPSTR* ppModelName, DWORD* pdwSize) override;
    int SetTimeout(DWORD dwTimeout) override;
    int Disconnect() override;

    // Address resolution; each fills the address of addr and returns whether it found one.
    bool GetIpFromPort(LPCSTR pPortName, sockaddr_in* addr);
    bool GetIpFromReg(LPCSTR pKey, LPCSTR pValue, LPCSTR pPortName, sockaddr_in* addr);
    bool GetIpFromUrl(LPCSTR pPortName, sockaddr_in* addr);
    bool ResolveIpAddr(LPCSTR pPortName, sockaddr_in* addr);
    // Windows: the address of one spooler port record by the monitor table.
    bool GetIpFromRecord(const ZepPortRecord& record, sockaddr_in* addr);


protected:
    BOOL WritePort(PBYTE pBuff, DWORD cbBuf, LPDWORD pcbWritten, DWORD dwTimeout) override;
    BOOL ReadPort(PBYTE pBuff, DWORD cbBuf, LPDWORD pcbReaded, DWORD dwTimeout) override;

private:
    // Socket layer of the platform.
    static void IgnoreBrokenPipe();
    bool SockStartup();
    void SockCleanup();
    bool SockOpen();
    bool SockConnect(uint32_t dwAddrNet, WORD wPortNo);
    void SockClose();
    long SockSendSome(const BYTE* pBuff, DWORD cbBuf); // bytes taken, 0 if none fit, -1 error
    int SockWaitWritable(DWORD dwTimeout);             // 1 writable, 0 not in time, -1 error
    bool SetRecvWait(DWORD dwTimeout);                 // POSIX layer only

    // The port's address in network byte order, through GetIpFromPort.
    bool ResolvePortAddr(LPCSTR pPortName, uint32_t* pdwAddrNet);
    int ConnectFailed();
    void CloseConnection();

    bool m_bInitWinsock = false;
    intptr_t m_hSocket = -1;
    DWORD m_dwRecvWait = 0; // receive time-out set on the socket (POSIX); 0 when none
};
