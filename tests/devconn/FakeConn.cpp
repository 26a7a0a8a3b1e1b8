// Scripted transport for the manager and framing tests.
#include "FakeConn.h"

#include "DevConnTCP.h"

#include <algorithm>
#include <cstring>

int FakeConn::s_nDestroyed = 0;
unsigned long FakeConn::s_dwNow = 0;
const DevConnFraming kTcpLikeFraming = kTcpFraming;

static DevConnFraming g_framing;
static FakeConn* g_pLast = nullptr;

int FakeConn::Connect(LPCSTR, LPCSTR pPortName, WORD) {
    ZepLock lock(m_lock);
    if (pPortName == nullptr)
        return DEVCONN_ERR_PARAM;
    if (m_fConnected)
        return DEVCONN_ERR_CONNECTED;
    if (m_nConnectResult == 0)
        m_fConnected = true;
    return m_nConnectResult;
}

int FakeConn::GetModelName(LPSTR* ppModelName, DWORD* pdwSize) {
    ZepLock lock(m_lock);
    if (ppModelName == nullptr || pdwSize == nullptr)
        return DEVCONN_ERR_PARAM;
    if (!m_fConnected)
        return DEVCONN_ERR_NOT_CONNECTED;
    std::vector<char> id(m_pszDeviceID, m_pszDeviceID + std::strlen(m_pszDeviceID) + 1);
    return ReturnModelName(FindModelKey(id.data()), ppModelName, pdwSize);
}

int FakeConn::SetTimeout(DWORD dwTimeout) {
    return StoreTimeout(dwTimeout);
}

int FakeConn::Disconnect() {
    ZepLock lock(m_lock);
    if (!m_fConnected)
        return DEVCONN_ERR_NOT_CONNECTED;
    m_fConnected = false;
    return DEVCONN_OK;
}

BOOL FakeConn::WritePort(PBYTE pBuff, DWORD cbBuf, LPDWORD pcbWritten, DWORD dwTimeout) {
    m_dwLastWriteTimeout = dwTimeout;
    if (m_bWriteFails)
        return FALSE;
    *pcbWritten = std::min(cbBuf, m_dwWriteAccepts);
    m_written.insert(m_written.end(), pBuff, pBuff + *pcbWritten);
    return TRUE;
}

BOOL FakeConn::ReadPort(PBYTE pBuff, DWORD cbBuf, LPDWORD pcbReaded, DWORD dwTimeout) {
    m_readSizes.push_back(cbBuf);
    m_readPolls.push_back(dwTimeout);
    *pcbReaded = 0;
    if (m_reads.empty()) {
        s_dwNow += dwTimeout;
        return TRUE;
    }
    Chunk& chunk = m_reads.front();
    if (chunk.bError) {
        m_reads.pop_front();
        return FALSE;
    }
    DWORD n = std::min<DWORD>(cbBuf, static_cast<DWORD>(chunk.bytes.size()));
    if (n == 0)
        s_dwNow += dwTimeout;
    if (n != 0)
        std::memcpy(pBuff, chunk.bytes.data(), n);
    chunk.bytes.erase(chunk.bytes.begin(), chunk.bytes.begin() + n);
    if (chunk.bytes.empty())
        m_reads.pop_front();
    *pcbReaded = n;
    return TRUE;
}

bool FakeConn::IsReplyAwaited(PBYTE, DWORD) {
    if (m_nRepliesAwaited < 0)
        return true;
    if (m_nRepliesAwaited == 0)
        return false;
    --m_nRepliesAwaited;
    return true;
}

static DevConnBase* MakeFake(LPCSTR, LPCSTR) {
    g_pLast = new FakeConn(g_framing);
    return g_pLast;
}

FakeTransportScope::FakeTransportScope(const DevConnFraming& framing) {
    g_framing = framing;
    g_pLast = nullptr;
    DevConnMgr::SetTransportFactory(MakeFake);
}

FakeTransportScope::~FakeTransportScope() {
    DevConnMgr::SetTransportFactory(nullptr);
    g_pLast = nullptr;
}

FakeConn* FakeTransportScope::Last() const {
    return g_pLast;
}
