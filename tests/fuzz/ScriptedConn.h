// A transport whose port reads come from the fuzz input, run through the real reply framing.
// Each read takes one control byte: deliver what is asked (as far as the input goes), nothing,
// a read error, or a short piece. An exhausted script is a silent device. Writes always succeed.
#pragma once

#include "DevConnBase.h"
#include "FuzzInput.h"

#include <cstring>
#include <vector>

class ScriptedConn : public DevConnBase {
public:
    ScriptedConn(FuzzInput& script, const DevConnFraming& framing)
        : m_script(script), m_framing(framing) {}

    int Connect(LPCSTR, LPCSTR, WORD) override {
        ZepLock lock(m_lock);
        m_fConnected = true;
        return DEVCONN_OK;
    }
    int SendRecvData(PBYTE pSndBuf, DWORD dwSndSize, PBYTE* ppRcvBuf, DWORD* pdwRcvSize) override {
        return FrameSendRecv(m_framing, pSndBuf, dwSndSize, ppRcvBuf, pdwRcvSize);
    }
    int GetModelName(LPSTR*, DWORD*) override { return DEVCONN_ERR_PARAM; }
    int SetTimeout(DWORD dwTimeout) override { return StoreTimeout(dwTimeout); }
    int Disconnect() override {
        ZepLock lock(m_lock);
        m_fConnected = false;
        return DEVCONN_OK;
    }

protected:
    BOOL WritePort(PBYTE, DWORD cbBuf, LPDWORD pcbWritten, DWORD) override {
        *pcbWritten = cbBuf;
        return TRUE;
    }
    BOOL ReadPort(PBYTE pBuff, DWORD cbBuf, LPDWORD pcbReaded, DWORD dwTimeout) override {
        *pcbReaded = 0;
        DWORD n = 0;
        if (!m_script.Empty()) {
            const uint8_t c = m_script.Byte();
            switch (c & 3) {
            case 0:
                n = cbBuf;
                break;
            case 1:
                break;
            case 2:
                return FALSE;
            default:
                n = c >> 2;
                break;
            }
        }
        std::vector<uint8_t> bytes = m_script.Bytes(n < cbBuf ? n : cbBuf);
        if (bytes.empty()) {
            FuzzClock::s_now += dwTimeout; // the read waited its whole poll
            return TRUE;
        }
        std::memcpy(pBuff, bytes.data(), bytes.size());
        *pcbReaded = static_cast<DWORD>(bytes.size());
        return TRUE;
    }

private:
    FuzzInput& m_script;
    DevConnFraming m_framing;
};

// Framing numbers from one byte: the TCP transport's and the port monitors' kinds of framing, and
// mixtures of them.
inline DevConnFraming FramingFromByte(uint8_t b) {
    DevConnFraming f = {5000, 10, 10, true, false, 0, false};
    if (b & 1) {
        f.dwWriteFloor = 0;
        f.dwReadPoll = 50;
        f.dwRemainFloor = 50;
    }
    f.bReadAfterBlock = (b & 2) == 0;
    f.bNeedRequest = (b & 4) != 0;
    f.dwPayloadPause = (b & 8) ? 10 : 0;
    f.bRetryPayloadRead = (b & 16) != 0;
    return f;
}
