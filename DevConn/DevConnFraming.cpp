// The reply framing of SendRecvData, shared by every transport: write the request, then read one
// reply message (8-byte header, then as much payload as the header announces) within the
// connection's time-out. Each transport supplies its port primitives and DevConnFraming numbers.
#include "DevConnBase.h"

#include "zepClock.h"
#include "zepUtil.h"
#include "zepWire.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

static const DWORD kHeaderSize = sizeof(TAG_SSTHEADER);

static DWORD Elapsed(DWORD dwStart) {
    return static_cast<DWORD>(ZepElapsedMs(dwStart));
}

static DWORD Tick() {
    return static_cast<DWORD>(static_cast<uint32_t>(ZepTickCount()));
}

bool DevConnBase::IsIntermediateBlock(const BYTE* pSndBuf, DWORD dwSndSize) {
    if (pSndBuf == nullptr || dwSndSize < sizeof(TAG_CMDSENDFILE))
        return false;
    TAG_CMDSENDFILE head;
    std::memcpy(&head, pSndBuf, sizeof(head));
    return head.Header.CommandCode.get() == ZEP_CMD_SENDFILE &&
           head.EndNotice.get() == ZEP_END_MORE;
}

int DevConnBase::FrameSendRecv(const DevConnFraming& framing, PBYTE pSndBuf, DWORD dwSndSize,
                               PBYTE* ppRcvBuf, DWORD* pdwRcvSize) {
    ZepLock lock(m_lock);
    if ((pSndBuf == nullptr && dwSndSize != 0) || ppRcvBuf == nullptr || pdwRcvSize == nullptr)
        return DEVCONN_ERR_PARAM;
    if (framing.bNeedRequest && (pSndBuf == nullptr || dwSndSize == 0))
        return DEVCONN_ERR_PARAM;
    if (!m_fConnected)
        return DEVCONN_ERR_NOT_CONNECTED;
    *ppRcvBuf = nullptr;
    *pdwRcvSize = 0;

    const DWORD dwStart = Tick();
    if (pSndBuf != nullptr) {
        DWORD dwWritten = 0;
        DWORD dwWriteTimeout = std::max(m_dwTimeout, framing.dwWriteFloor);
        if (!WritePort(pSndBuf, dwSndSize, &dwWritten, dwWriteTimeout) || dwWritten != dwSndSize)
            return DEVCONN_ERR_SEND;
    }
    const DWORD dwPassed = Elapsed(dwStart);
    const DWORD dwRemain = dwPassed < m_dwTimeout ? m_dwTimeout - dwPassed : framing.dwRemainFloor;
    const DWORD dwReadStart = Tick();

    PBYTE pBuf = static_cast<PBYTE>(AllocMem(m_dwRcvPktSize));
    if (pBuf == nullptr)
        return DEVCONN_ERR_MEMORY;
    const bool bBlock = IsIntermediateBlock(pSndBuf, dwSndSize);
    DWORD dwReplySize = 0;
    int rc =
        ReadReply(framing, pBuf, bBlock, pSndBuf, dwSndSize, dwReadStart, dwRemain, &dwReplySize);
    if (rc == DEVCONN_OK && dwReplySize != 0 && !addMemList(pBuf))
        rc = DEVCONN_ERR_MEMORY;
    if (rc != DEVCONN_OK || dwReplySize == 0) {
        FreeMem(pBuf);
        return rc;
    }
    *ppRcvBuf = pBuf;
    *pdwRcvSize = dwReplySize;
    return DEVCONN_OK;
}

// Polls for the header until it comes or the window closes; a reply size of 0 means none came
// (or none was awaited).
int DevConnBase::ReadReply(const DevConnFraming& framing, PBYTE pBuf, bool bBlock, PBYTE pSndBuf,
                           DWORD dwSndSize, DWORD dwReadStart, DWORD dwRemain,
                           DWORD* pdwReplySize) {
    if (bBlock && !framing.bReadAfterBlock)
        return DEVCONN_OK;
    for (;;) {
        if (!IsReplyAwaited(pSndBuf, dwSndSize))
            return DEVCONN_OK;
        DWORD dwGot = 0;
        if (!ReadPort(pBuf, kHeaderSize, &dwGot, framing.dwReadPoll) || dwGot > kHeaderSize)
            return DEVCONN_ERR_RECV;
        if (dwGot == kHeaderSize)
            break;
        if (dwGot > 0)
            return DEVCONN_ERR_RECV;
        if (bBlock || Elapsed(dwReadStart) >= dwRemain)
            return DEVCONN_OK;
    }

    TAG_SSTHEADER header;
    std::memcpy(&header, pBuf, kHeaderSize);
    const DWORD dwLength = header.DataLength.get();
    // A payload the buffer cannot hold is refused rather than cut: a cut reply would leave its
    // tail in the stream to be taken for the next reply.
    if (dwLength > m_dwRcvPktSize - kHeaderSize)
        return DEVCONN_ERR_RECV;
    DWORD dwReceived = 0;
    int rc = ReadPayload(framing, pBuf + kHeaderSize, dwLength, dwReadStart, dwRemain, &dwReceived);
    if (rc == DEVCONN_OK)
        *pdwReplySize = kHeaderSize + dwReceived;
    return rc;
}

// Reads until the payload is complete or the window closes; a payload cut short by the time-out
// is returned with its shorter length.
int DevConnBase::ReadPayload(const DevConnFraming& framing, PBYTE pPayload, DWORD dwLength,
                             DWORD dwReadStart, DWORD dwRemain, DWORD* pdwReceived) {
    DWORD dwHave = 0;
    while (dwHave < dwLength) {
        if (framing.dwPayloadPause != 0)
            ZepSleep(framing.dwPayloadPause);
        const DWORD dwWant = dwLength - dwHave;
        DWORD dwGot = 0;
        BOOL ok = ReadPort(pPayload + dwHave, dwWant, &dwGot, framing.dwReadPoll);
        if (framing.bRetryPayloadRead && (!ok || dwGot == 0)) {
            dwGot = 0;
            ok = ReadPort(pPayload + dwHave, dwWant, &dwGot, framing.dwReadPoll);
        }
        if (!ok || dwGot > dwWant)
            return DEVCONN_ERR_RECV;
        dwHave += dwGot;
        if (dwHave < dwLength && Elapsed(dwReadStart) >= dwRemain)
            break;
    }
    *pdwReceived = dwHave;
    return DEVCONN_OK;
}
