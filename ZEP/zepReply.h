// One reply from the connection manager, handed back to it when the scope ends, on every path.
#pragma once

#include "DevConnMgr.h"
#include "zepProtocol.h"

class zepReply {
public:
    zepReply(DevConnMgr* pMgr, HANDLE hDevice) : m_pMgr(pMgr), m_hDevice(hDevice) {}
    ~zepReply() {
        if (m_pBuf != nullptr && m_dwSize != 0)
            m_pMgr->DisposeData(m_hDevice, m_pBuf);
    }
    zepReply(const zepReply&) = delete;
    zepReply& operator=(const zepReply&) = delete;

    int Exchange(PBYTE pSndBuf, DWORD dwSndSize) {
        return m_pMgr->SendRecvData(m_hDevice, pSndBuf, dwSndSize, &m_pBuf, &m_dwSize);
    }
    // The reply as record T, or null when it is not a well-formed reply to wCmdCode of at
    // least T's size.
    template <class T> const T* As(zepProtocol& proto, unsigned short wCmdCode) {
        if (m_pBuf == nullptr || m_dwSize < sizeof(T) ||
            !proto.CheckRecvHeader(m_pBuf, m_dwSize, wCmdCode))
            return nullptr;
        return reinterpret_cast<const T*>(m_pBuf);
    }
    PBYTE Data() const { return m_pBuf; }
    DWORD Size() const { return m_dwSize; }

private:
    DevConnMgr* m_pMgr;
    HANDLE m_hDevice;
    PBYTE m_pBuf = nullptr;
    DWORD m_dwSize = 0;
};
