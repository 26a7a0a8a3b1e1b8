// A scripted in-process transport: reads come from a queue of chunks, writes are recorded. It
// derives from DevConnBase and so runs the real reply framing.
#pragma once

#include "DevConnBase.h"
#include "DevConnMgr.h"

#include <cstdint>
#include <deque>
#include <vector>

class FakeConn : public DevConnBase {
public:
    struct Chunk {
        std::vector<uint8_t> bytes; // empty: a poll with no data
        bool bError = false;        // the read fails
    };

    explicit FakeConn(const DevConnFraming& framing) : m_framing(framing) {}
    ~FakeConn() override { ++s_nDestroyed; }

    int Connect(LPCSTR, LPCSTR pPortName, WORD) override;
    int SendRecvData(PBYTE pSndBuf, DWORD dwSndSize, PBYTE* ppRcvBuf, DWORD* pdwRcvSize) override {
        return FrameSendRecv(m_framing, pSndBuf, dwSndSize, ppRcvBuf, pdwRcvSize);
    }
    int GetModelName(LPSTR* ppModelName, DWORD* pdwSize) override;
    int SetTimeout(DWORD dwTimeout) override;
    int Disconnect() override;

    void QueueBytes(const std::vector<uint8_t>& bytes) { m_reads.push_back({bytes, false}); }
    void QueueEmptyRead() { m_reads.push_back({{}, false}); }
    void QueueReadError() { m_reads.push_back({{}, true}); }
    void ClearReads() { m_reads.clear(); }

    int m_nConnectResult = 0;
    DWORD m_dwWriteAccepts = UINT32_MAX; // bytes a write accepts at most
    bool m_bWriteFails = false;
    int m_nRepliesAwaited = -1; // IsReplyAwaited answers true this many times (-1: always)
    const char* m_pszDeviceID = nullptr;

    std::vector<uint8_t> m_written;
    std::vector<DWORD> m_readSizes; // size asked by each read
    std::vector<DWORD> m_readPolls; // poll time passed to each read
    DWORD m_dwLastWriteTimeout = 0;

    static int s_nDestroyed;
    // A clock for ZepSetTickHook: a read that finds nothing waits its whole poll time on it.
    static unsigned long s_dwNow;
    static unsigned long Now() { return s_dwNow; }

protected:
    BOOL WritePort(PBYTE pBuff, DWORD cbBuf, LPDWORD pcbWritten, DWORD dwTimeout) override;
    BOOL ReadPort(PBYTE pBuff, DWORD cbBuf, LPDWORD pcbReaded, DWORD dwTimeout) override;
    bool IsReplyAwaited(PBYTE, DWORD) override;

private:
    DevConnFraming m_framing;
    std::deque<Chunk> m_reads;
};

// Installs a factory that makes FakeConn objects for the manager, and removes it again.
class FakeTransportScope {
public:
    explicit FakeTransportScope(const DevConnFraming& framing);
    ~FakeTransportScope();
    FakeConn* Last() const; // the connection made last
};

extern const DevConnFraming kTcpLikeFraming;
