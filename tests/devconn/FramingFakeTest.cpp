// The shared reply framing driven by a scripted transport: argument checks, header and payload
// rules, the buffer-size guard, and each transport number of DevConnFraming.
#include "FakeConn.h"
#include "TestMessages.h"

#include "zepClock.h"

#include <gtest/gtest.h>

namespace {

class FramingFakeTest : public ::testing::Test {
protected:
    explicit FramingFakeTest(const DevConnFraming& framing = kTcpLikeFraming) : m_conn(framing) {
        m_prevTick = ZepSetTickHook(FakeConn::Now);
        m_conn.Connect(nullptr, "fake", 1);
    }
    ~FramingFakeTest() override { ZepSetTickHook(m_prevTick); }

    int Exchange(const Bytes& request) {
        return m_conn.SendRecvData(const_cast<PBYTE>(request.data()),
                                   static_cast<DWORD>(request.size()), &m_pReply, &m_dwSize);
    }
    Bytes Got() const { return m_pReply ? Bytes(m_pReply, m_pReply + m_dwSize) : Bytes(); }

    ZepTickFn m_prevTick = nullptr;
    FakeConn m_conn;
    PBYTE m_pReply = nullptr;
    DWORD m_dwSize = 0;
};

TEST_F(FramingFakeTest, ArgumentsAndState) {
    EXPECT_EQ(-2, m_conn.SendRecvData(nullptr, 4, &m_pReply, &m_dwSize));
    EXPECT_EQ(-2, m_conn.SendRecvData(nullptr, 0, nullptr, &m_dwSize));
    EXPECT_EQ(-2, m_conn.SendRecvData(nullptr, 0, &m_pReply, nullptr));
    FakeConn unconnected(kTcpLikeFraming);
    EXPECT_EQ(-9, unconnected.SendRecvData(nullptr, 0, &m_pReply, &m_dwSize));
}

TEST_F(FramingFakeTest, WholeReplyReadAsHeaderThenPayload) {
    Bytes reply = Reply(ZEP_CMD_ENTERDOWNLOAD, Pattern(100));
    m_conn.QueueBytes(reply);
    ASSERT_EQ(0, Exchange(EnterRequest()));
    EXPECT_EQ(reply, Got());
    EXPECT_EQ(EnterRequest(), m_conn.m_written);
    EXPECT_EQ((std::vector<DWORD>{8, 100}), m_conn.m_readSizes);
    EXPECT_EQ(0, m_conn.DisposeData(m_pReply));
}

TEST_F(FramingFakeTest, ShortHeaderAndReadErrorsAreMinus13) {
    m_conn.QueueBytes({0, 0, 0x51});
    EXPECT_EQ(-13, Exchange(EnterRequest()));
    EXPECT_EQ(nullptr, m_pReply);
    EXPECT_EQ(0u, m_dwSize);

    m_conn.QueueReadError();
    EXPECT_EQ(-13, Exchange(EnterRequest()));

    m_conn.QueueBytes(Reply(ZEP_CMD_ENTERDOWNLOAD, {}, 4));
    m_conn.QueueReadError();
    EXPECT_EQ(-13, Exchange(EnterRequest()));
    EXPECT_EQ(nullptr, m_pReply);
}

TEST_F(FramingFakeTest, WriteFailuresAreMinus12) {
    m_conn.m_bWriteFails = true;
    EXPECT_EQ(-12, Exchange(EnterRequest()));
    m_conn.m_bWriteFails = false;
    m_conn.m_dwWriteAccepts = 10;
    EXPECT_EQ(-12, Exchange(EnterRequest()));
    EXPECT_TRUE(m_conn.m_readSizes.empty());
}

TEST_F(FramingFakeTest, WriteWaitsAtLeastTheFloor) {
    m_conn.SetTimeout(100);
    Exchange(EnterRequest());
    EXPECT_EQ(5000u, m_conn.m_dwLastWriteTimeout);
    // A silent device is polled until the window closes on the framing's clock.
    EXPECT_EQ(10u, m_conn.m_readPolls.size());
    m_conn.SetTimeout(7000);
    m_conn.QueueBytes(Reply(ZEP_CMD_ENTERDOWNLOAD, {}));
    Exchange(EnterRequest());
    EXPECT_EQ(7000u, m_conn.m_dwLastWriteTimeout);
    EXPECT_EQ(10u, m_conn.m_readPolls.back());
}

TEST_F(FramingFakeTest, NullRequestOnlyReadsTheNextReply) {
    Bytes reply = Reply(ZEP_CMD_GETFILE, Pattern(30));
    m_conn.QueueBytes(reply);
    ASSERT_EQ(0, m_conn.SendRecvData(nullptr, 0, &m_pReply, &m_dwSize));
    EXPECT_EQ(reply, Got());
    EXPECT_TRUE(m_conn.m_written.empty());
}

// A window of 10 ms, one poll, even though no time-out was ever set.
TEST_F(FramingFakeTest, UnsetTimeoutStillGivesAReplyWindow) {
    m_conn.QueueBytes(Reply(ZEP_CMD_ENTERDOWNLOAD, Pattern(4)));
    ASSERT_EQ(0, Exchange(EnterRequest()));
    EXPECT_EQ(12u, m_dwSize);
    m_conn.QueueEmptyRead();
    m_conn.QueueBytes(Reply(ZEP_CMD_ENTERDOWNLOAD, Pattern(4)));
    ASSERT_EQ(0, Exchange(EnterRequest()));
    EXPECT_EQ(0u, m_dwSize);
}

TEST_F(FramingFakeTest, PayloadInPiecesIsAssembled) {
    Bytes reply = Reply(ZEP_CMD_GETFILE, Pattern(50));
    m_conn.SetTimeout(2000);
    m_conn.QueueBytes(Bytes(reply.begin(), reply.begin() + 8));
    m_conn.QueueEmptyRead();
    m_conn.QueueBytes(Bytes(reply.begin() + 8, reply.begin() + 30));
    m_conn.QueueEmptyRead();
    m_conn.QueueBytes(Bytes(reply.begin() + 30, reply.end()));
    ASSERT_EQ(0, Exchange(EnterRequest()));
    EXPECT_EQ(reply, Got());
    EXPECT_EQ((std::vector<DWORD>{8, 50, 50, 28, 28}), m_conn.m_readSizes);
}

// A receive packet size below a header is raised to one, and a reply announcing more payload
// than the buffer holds is refused without touching memory beyond it.
TEST_F(FramingFakeTest, BufferSizeGuards) {
    EXPECT_EQ(0, m_conn.SetRecvPacketSize(3));
    m_conn.QueueBytes(Reply(ZEP_CMD_ENTERDOWNLOAD, {}));
    ASSERT_EQ(0, Exchange(EnterRequest()));
    EXPECT_EQ(8u, m_dwSize);
    m_conn.QueueBytes(Reply(ZEP_CMD_ENTERDOWNLOAD, Pattern(1)));
    EXPECT_EQ(-13, Exchange(EnterRequest()));
    m_conn.ClearReads(); // the refused payload is still waiting

    EXPECT_EQ(0, m_conn.SetRecvPacketSize(16));
    m_conn.QueueBytes(Reply(ZEP_CMD_GETFILE, Pattern(8)));
    ASSERT_EQ(0, Exchange(EnterRequest()));
    EXPECT_EQ(16u, m_dwSize);
    m_conn.QueueBytes(Reply(ZEP_CMD_GETFILE, Pattern(9)));
    EXPECT_EQ(-13, Exchange(EnterRequest()));
    EXPECT_EQ(nullptr, m_pReply);
    EXPECT_EQ(0u, m_dwSize);
    m_conn.ClearReads();
    m_conn.QueueBytes(Reply(ZEP_CMD_GETFILE, {}, 0xFFFFFFFFu));
    EXPECT_EQ(-13, Exchange(EnterRequest()));
}

TEST_F(FramingFakeTest, IntermediateBlockGetsOnePoll) {
    m_conn.SetTimeout(5000);
    ASSERT_EQ(0, Exchange(SendFileBlock(ZEP_END_MORE, 16)));
    EXPECT_EQ(nullptr, m_pReply);
    EXPECT_EQ(1u, m_conn.m_readSizes.size());

    // A reply already waiting is read.
    m_conn.QueueBytes(Reply(ZEP_CMD_SENDFILE, Pattern(4)));
    ASSERT_EQ(0, Exchange(SendFileBlock(ZEP_END_MORE, 16)));
    EXPECT_EQ(12u, m_dwSize);
}

TEST_F(FramingFakeTest, FinalBlockWaitsForItsReply) {
    m_conn.SetTimeout(2000);
    m_conn.QueueEmptyRead();
    m_conn.QueueEmptyRead();
    m_conn.QueueBytes(Reply(ZEP_CMD_SENDFILE, Pattern(4)));
    ASSERT_EQ(0, Exchange(SendFileBlock(ZEP_END_FINAL, 16)));
    EXPECT_EQ(12u, m_dwSize);

    // Too short to be a SendFile head: an ordinary request, whose reply is waited for.
    Bytes cut = SendFileBlock(ZEP_END_MORE, 0);
    cut.resize(59);
    m_conn.QueueEmptyRead();
    m_conn.QueueBytes(Reply(ZEP_CMD_SENDFILE, Pattern(4)));
    ASSERT_EQ(0, Exchange(cut));
    EXPECT_EQ(12u, m_dwSize);
}

TEST_F(FramingFakeTest, TransportMayDeclineToWait) {
    m_conn.m_nRepliesAwaited = 0;
    m_conn.QueueBytes(Reply(ZEP_CMD_ENTERDOWNLOAD, {}));
    ASSERT_EQ(0, Exchange(EnterRequest()));
    EXPECT_EQ(nullptr, m_pReply);
    EXPECT_TRUE(m_conn.m_readSizes.empty());
}

// Numbers of a transport that needs a request, reads nothing after a block, pauses before each
// payload read and retries an empty one once.
const DevConnFraming kMonitorLikeFraming = {0, 50, 50, false, true, 10, true};

unsigned g_nPauses = 0;
void CountPause(unsigned long) {
    ++g_nPauses;
}

class MonitorLikeFramingTest : public FramingFakeTest {
protected:
    MonitorLikeFramingTest() : FramingFakeTest(kMonitorLikeFraming) {
        g_nPauses = 0;
        m_prevSleep = ZepSetSleepHook(CountPause);
    }
    ~MonitorLikeFramingTest() override { ZepSetSleepHook(m_prevSleep); }

    ZepSleepFn m_prevSleep;
};

TEST_F(MonitorLikeFramingTest, RequestRequiredAndNoReadAfterBlock) {
    EXPECT_EQ(-2, m_conn.SendRecvData(nullptr, 0, &m_pReply, &m_dwSize));
    m_conn.QueueBytes(Reply(ZEP_CMD_SENDFILE, {}));
    ASSERT_EQ(0, Exchange(SendFileBlock(ZEP_END_MORE, 8)));
    EXPECT_EQ(nullptr, m_pReply);
    EXPECT_TRUE(m_conn.m_readSizes.empty());
}

TEST_F(MonitorLikeFramingTest, PausesAndRetriesPayloadReads) {
    m_conn.SetTimeout(2000);
    Bytes reply = Reply(ZEP_CMD_GETFILE, Pattern(20));
    m_conn.QueueBytes(Bytes(reply.begin(), reply.begin() + 8));
    m_conn.QueueEmptyRead();
    m_conn.QueueBytes(Bytes(reply.begin() + 8, reply.begin() + 18));
    m_conn.QueueReadError();
    m_conn.QueueBytes(Bytes(reply.begin() + 18, reply.end()));
    ASSERT_EQ(0, Exchange(EnterRequest()));
    EXPECT_EQ(reply, Got());
    EXPECT_EQ(2u, g_nPauses);
    EXPECT_EQ(50u, m_conn.m_readPolls.front());
}

TEST_F(MonitorLikeFramingTest, FailedRetryIsMinus13) {
    m_conn.QueueBytes(Reply(ZEP_CMD_GETFILE, {}, 20));
    m_conn.QueueReadError();
    m_conn.QueueReadError();
    EXPECT_EQ(-13, Exchange(EnterRequest()));
}

} // namespace
