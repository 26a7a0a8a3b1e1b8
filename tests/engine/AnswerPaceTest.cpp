// The engine's answer accounting over each transport's real reply framing, on a scripted clock:
// a serial device answers every block or none, at a given pace, and gives its verdict on each
// final packet late. The result must be the device's own word, a healthy slow device must pass,
// nothing may be left in the stream, and a device that answers no block costs no time-out.
#include "EngineFixture.h"

#include "DevConnMgr.h"

#include <deque>

namespace {

unsigned long g_now = 0; // the scripted clock, in ms

struct PacedDevice {
    bool ackBlocks = true;
    uint32_t blockDelay = 0;        // ms from receiving a block to its answer
    uint32_t verdictDelay = 0;      // ms from receiving a final packet to its verdict
    std::map<int, uint16_t> status; // SendFile packet (from 0) -> refusal
    bool silentFinals = false;      // never answers a final packet
    std::string targetInfo;

    struct Pending {
        unsigned long at;
        std::vector<uint8_t> bytes;
    };
    std::deque<Pending> stream; // answers in the order the device sends them
    unsigned long busyUntil = 0;
    int sendFiles = 0;
    int finals = 0;
};
PacedDevice* g_paced = nullptr;

uint16_t Be16(const uint8_t* p) {
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

// The device behind the real framing: the transport's numbers decide how it is polled.
class PacedConn : public DevConnBase {
public:
    PacedConn(const DevConnFraming& framing, bool bTenths)
        : m_framing(framing), m_bTenths(bTenths) {}
    int Connect(LPCSTR, LPCSTR, WORD) override {
        m_fConnected = true;
        return 0;
    }
    int SendRecvData(PBYTE pSndBuf, DWORD dwSndSize, PBYTE* ppRcvBuf, DWORD* pdwRcvSize) override {
        return FrameSendRecv(m_framing, pSndBuf, dwSndSize, ppRcvBuf, pdwRcvSize);
    }
    int GetModelName(LPSTR*, DWORD*) override { return -7; }
    int SetTimeout(DWORD dwTimeout) override { return StoreTimeout(dwTimeout); }
    int Disconnect() override {
        m_fConnected = false;
        return 0;
    }

protected:
    BOOL WritePort(PBYTE pBuff, DWORD cbBuf, LPDWORD pcbWritten, DWORD) override {
        *pcbWritten = cbBuf;
        Answer(std::vector<uint8_t>(pBuff, pBuff + cbBuf));
        return TRUE;
    }
    BOOL ReadPort(PBYTE pBuff, DWORD cbBuf, LPDWORD pcbReaded, DWORD dwTimeout) override {
        *pcbReaded = 0;
        auto& stream = g_paced->stream;
        if (stream.empty() || stream.front().at > g_now + dwTimeout) {
            g_now += dwTimeout;
            return TRUE;
        }
        g_now = std::max(g_now, stream.front().at);
        std::vector<uint8_t>& bytes = stream.front().bytes;
        const DWORD n = std::min<DWORD>(cbBuf, static_cast<DWORD>(bytes.size()));
        std::memcpy(pBuff, bytes.data(), n);
        bytes.erase(bytes.begin(), bytes.begin() + n);
        if (bytes.empty())
            stream.pop_front();
        *pcbReaded = n;
        return TRUE;
    }
    // The macOS transport awaits a block's answer only at a new tenth of the image.
    bool IsReplyAwaited(PBYTE pSndBuf, DWORD dwSndSize) override {
        if (!m_bTenths || !IsIntermediateBlock(pSndBuf, dwSndSize))
            return true;
        if (m_nBlocks++ % 10 == 0)
            return true;
        ZepSleep(20);
        return false;
    }

private:
    static void Send(unsigned long at, std::vector<uint8_t> bytes) {
        g_paced->stream.push_back({at, std::move(bytes)});
    }
    void Answer(const std::vector<uint8_t>& request) {
        PacedDevice& d = *g_paced;
        const uint16_t code = Be16(&request[2]);
        const unsigned long start = std::max(g_now, d.busyUntil);
        switch (code) {
        case ZEP_CMD_ENTERDOWNLOAD:
        case ZEP_CMD_EXITDOWNLOAD:
            Send(start, MakeStatusReply(code, ZEP_STATUS_OK));
            break;
        case ZEP_CMD_GETFILE:
            Send(start, MakeGetFilePacket(
                            ZEP_END_FINAL, 0, uint32_t(d.targetInfo.size()),
                            ZepChecksum(reinterpret_cast<const uint8_t*>(d.targetInfo.data()),
                                        d.targetInfo.size()),
                            d.targetInfo));
            break;
        case ZEP_CMD_QUERYUPDATESTATUS:
            Send(start, MakeQueryReply(ZEP_STATUS_OK, 100, 100));
            break;
        case ZEP_CMD_SENDFILE: {
            const bool bBlock = Be16(&request[42]) == ZEP_END_MORE;
            const int n = d.sendFiles++;
            d.finals += bBlock ? 0 : 1;
            const auto refusal = d.status.find(n);
            if ((bBlock && !d.ackBlocks && refusal == d.status.end()) ||
                (!bBlock && d.silentFinals))
                break;
            d.busyUntil = start + (bBlock ? d.blockDelay : d.verdictDelay);
            Send(d.busyUntil, MakeStatusReply(ZEP_CMD_SENDFILE, refusal == d.status.end()
                                                                    ? uint16_t(ZEP_STATUS_OK)
                                                                    : refusal->second));
            break;
        }
        default:
            break;
        }
    }

    DevConnFraming m_framing;
    bool m_bTenths;
    unsigned m_nBlocks = 0;
};

struct Transport {
    const char* name;
    const DevConnFraming* framing;
    bool tenths;
};
const Transport kTransports[] = {{"TCP", &kTcpFraming, false},
                                 {"USB (Windows)", &kUsbWinFraming, false},
                                 {"USB (macOS)", &kUsbMacFraming, true},
                                 {"port monitor", &kPortMonitorFraming, false}};
const Transport* g_transport = nullptr;

DevConnBase* MakePaced(LPCSTR, LPCSTR) {
    return new PacedConn(*g_transport->framing, g_transport->tenths);
}

const size_t kImage = 10 * 4096 + 100; // eleven blocks

class AnswerPace : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        LoadZepInfo(Rows({"TGMNAME HV2000", "PORTNO 48350", "ENTERTIME 20", "EXITTIME 5",
                          "UPDATETIME 60", "ALLOWVERSIONDOWN NO", "SPECIALCMDPATTERN NO",
                          "VERSION BOOTABLE=HV001200 boot.bin BOOTABLE",
                          "VERSION LANGUAGE=HV000400 lang.bin LANGUAGE"}));
        UsePackage({{"boot.bin", Pattern(kImage)}, {"lang.bin", Pattern(kImage, 2)}});
        m_prevTick = ZepSetTickHook([] { return g_now; });
        ZepSetSleepHook([](unsigned long ms) { g_now += ms; });
    }
    void TearDown() override {
        ZepSetTickHook(m_prevTick);
        EngineTest::TearDown();
    }

    // Both images through one session; the first result other than 1, or 1.
    ZEPRESULT Run(PacedDevice& paced, const Transport& transport, bool bQuery) {
        g_paced = &paced;
        g_transport = &transport;
        paced.targetInfo = Rows({"TGMNAME HV2000", "VERSION BOOTABLE1=HV001100",
                                 "VERSION LANGUAGE1=HV000300", "MAXPACKET 4156"}) +
                           (bQuery ? "SUPPORT_COMMAND 5103\r\n" : "");
        DevConnMgr::SetTransportFactory(MakePaced);
        g_now = 0;
        ZEPRESULT result;
        {
            zepProtocol proto;
            result = Enter(proto);
            const char* const rows[][3] = {{"BOOTABLE", "HV001200", "boot.bin"},
                                           {"LANGUAGE", "HV000400", "lang.bin"}};
            for (const auto& row : rows) {
                if (result != RESULT_OK)
                    break;
                tag_devinfo info;
                result = proto.UpdateFirmware("HV2000", row[0], row[1], row[2], row[0], "", info);
            }
        }
        DevConnMgr::SetTransportFactory(nullptr);
        return result;
    }

    ZepTickFn m_prevTick = nullptr;
};

TEST_F(AnswerPace, TheVerdictIsTheDevicesAnswerToTheFinalPacket) {
    struct Case {
        const char* what;
        bool ackBlocks;
        uint32_t blockDelay, verdictDelay;
        std::map<int, uint16_t> status;
        ZEPRESULT expect;
    } const cases[] = {
        {"prompt, every block answered", true, 0, 0, {}, 1},
        {"slow blocks, slow verdicts", true, 60, 1500, {}, 1},
        {"blocks slower than the window", true, 3000, 0, {}, 1},
        {"verdict near UPDATETIME", true, 0, 59000, {}, 1},
        {"first closing packet refused", true, 60, 1500, {{11, ZEP_STATUS_CHECKSUM_ERROR}}, -2},
        {"second closing packet refused", true, 60, 1500, {{23, ZEP_STATUS_WRITE_ERROR}}, -1},
        {"a late block refused", true, 60, 0, {{2, ZEP_STATUS_WRITE_ERROR}}, -1},
        {"a block answered with nonsense", true, 60, 0, {{5, 0x0123}}, -5},
        {"no block answered", false, 0, 1500, {}, 1},
        {"no block answered, closing refused",
         false,
         0,
         1500,
         {{11, ZEP_STATUS_CHECKSUM_ERROR}},
         -2},
        {"no block answered, second refused",
         false,
         0,
         1500,
         {{23, ZEP_STATUS_CHECKSUM_ERROR}},
         -2},
    };
    for (const Transport& transport : kTransports) {
        for (const Case& c : cases) {
            for (bool bQuery : {false, true}) {
                PacedDevice paced;
                paced.ackBlocks = c.ackBlocks;
                paced.blockDelay = c.blockDelay;
                paced.verdictDelay = c.verdictDelay;
                paced.status = c.status;
                const std::string where =
                    std::string(transport.name) + ", " + c.what + (bQuery ? ", queries" : "");
                EXPECT_EQ(c.expect, Run(paced, transport, bQuery)) << where;
                if (c.expect == RESULT_OK) {
                    EXPECT_EQ(2, paced.finals) << where;
                    EXPECT_TRUE(paced.stream.empty()) << where << ": answers left behind";
                    // Two images of eleven blocks, four fixed pauses, the device's own time:
                    // never a time-out per block, nor one of UPDATETIME to learn its habits.
                    const unsigned long limit =
                        8000 + 2 * (c.verdictDelay + 11 * (c.blockDelay + 80));
                    EXPECT_LE(g_now, limit) << where;
                }
            }
        }
    }
}

// One block owed: an answer read after the final packet would fit a device that answers every
// block (it is the block's) and one that answers none (it is the verdict). A device that answers
// its block after the host's short look and never a final packet must fail, within UPDATETIME;
// a healthy one must pass, and one that answers no block costs no time-out.
TEST_F(AnswerPace, OneOwedAnswerIsNeverTakenForTheVerdict) {
    UsePackage({{"boot.bin", Pattern(1000)}, {"lang.bin", Pattern(3000, 2)}});
    struct Case {
        const char* what;
        bool ackBlocks;
        uint32_t blockDelay;
        bool silentFinals;
        ZEPRESULT expect;
    } const cases[] = {
        {"late block, verdict given", true, 100, false, 1},
        {"late block, no verdict", true, 100, true, -5},
        {"slow block, no verdict", true, 500, true, -5},
        {"prompt block, no verdict", true, 0, true, -5},
        {"no block answered, verdict given", false, 0, false, 1},
        {"no block answered, no verdict", false, 0, true, -5},
    };
    for (const Transport& transport : kTransports) {
        for (const Case& c : cases) {
            for (bool bQuery : {false, true}) {
                PacedDevice paced;
                paced.ackBlocks = c.ackBlocks;
                paced.blockDelay = c.blockDelay;
                paced.silentFinals = c.silentFinals;
                const std::string where =
                    std::string(transport.name) + ", " + c.what + (bQuery ? ", queries" : "");
                EXPECT_EQ(c.expect, Run(paced, transport, bQuery)) << where;
                // Four fixed pauses, the device's own time, and at most one UPDATETIME.
                const unsigned long limit =
                    8000 + 2 * (c.blockDelay + 200) + (c.expect == RESULT_OK ? 0 : 60000);
                EXPECT_LE(g_now, limit) << where;
                if (c.expect == RESULT_OK) {
                    EXPECT_TRUE(paced.stream.empty()) << where << ": answers left behind";
                }
            }
        }
    }
}

} // namespace
