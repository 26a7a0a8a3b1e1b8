// The reply framing on arbitrary byte streams: a scripted transport feeds the real framing
// through a run of exchanges, each with a request, a time-out and a reply buffer size chosen by
// the input. A reply handed out must fit the buffer and be exactly what its header announces or
// a prefix of it.
#include "FuzzInput.h"
#include "ScriptedConn.h"
#include "zepClock.h"
#include "zepWire.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

std::vector<uint8_t> Request(uint8_t kind, FuzzInput& in) {
    std::vector<uint8_t> req;
    switch (kind % 4) {
    case 0: // none: only the next reply is read
        break;
    case 1: { // an intermediate or final SendFile block
        TAG_CMDSENDFILE head = {};
        head.Header.CommandCode.set(ZEP_CMD_SENDFILE);
        head.EndNotice.set(in.Byte() & 1 ? ZEP_END_MORE : ZEP_END_FINAL);
        req.assign(reinterpret_cast<uint8_t*>(&head), reinterpret_cast<uint8_t*>(&head + 1));
        req.resize(req.size() + (in.Byte() & 0x3F));
        break;
    }
    default: { // a short command
        TAG_CMDENTERDOWNLOAD cmd = {};
        cmd.Header.CommandCode.set(ZEP_CMD_ENTERDOWNLOAD);
        req.assign(reinterpret_cast<uint8_t*>(&cmd), reinterpret_cast<uint8_t*>(&cmd + 1));
        req.resize(kind % 64);
        break;
    }
    }
    return req;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool s_hooked =
        (ZepSetTickHook(FuzzClock::Now), ZepSetSleepHook([](unsigned long) {}), true);
    (void)s_hooked;
    FuzzInput in(data, size);
    ScriptedConn conn(in, FramingFromByte(in.Byte()));
    conn.Connect(nullptr, "fuzz", 0);
    for (int round = 0; round < 16 && !in.Empty(); ++round) {
        const uint8_t kind = in.Byte();
        const DWORD packet = in.U16();
        conn.SetRecvPacketSize(packet);
        conn.SetTimeout(1 + in.Byte() * 10u);
        std::vector<uint8_t> req = Request(kind, in);
        PBYTE reply = nullptr;
        DWORD got = 0;
        int rc = conn.SendRecvData(req.empty() ? nullptr : req.data(),
                                   static_cast<DWORD>(req.size()), &reply, &got);
        if (rc != DEVCONN_OK || reply == nullptr) {
            if (reply != nullptr || got != 0)
                std::abort(); // a failure hands nothing out
            continue;
        }
        TAG_SSTHEADER header;
        const DWORD buffer = packet < sizeof header ? DWORD(sizeof header) : packet;
        if (got < sizeof header || got > buffer)
            std::abort();
        std::memcpy(&header, reply, sizeof header);
        if (got - sizeof header > header.DataLength.get())
            std::abort();
        if (conn.DisposeData(reply) != DEVCONN_OK)
            std::abort();
    }
    return 0;
}
