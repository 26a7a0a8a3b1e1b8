// The reply framing over a real loopback TCP connection against scripted peers.
#include "DevConnMgr.h"
#include "LoopbackPeer.h"
#include "TestMessages.h"

#include "zepClock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

class FramingTcpTest : public ::testing::Test {
protected:
    FramingTcpTest() : m_pMgr(DevConnMgr::Instance()) {}
    ~FramingTcpTest() override {
        if (m_hDevice != nullptr)
            m_pMgr->Disconnect(m_hDevice);
    }

    // Starts the peer and connects to it with the given time-out.
    void Open(DWORD dwTimeout) {
        m_peer.Start();
        ASSERT_EQ(0, m_pMgr->Connect(nullptr, "127.0.0.1", FALSE, m_peer.Port(), &m_hDevice));
        ASSERT_EQ(0, m_pMgr->SetTimeout(m_hDevice, dwTimeout));
    }

    int Exchange(const Bytes& request) {
        m_pReply = nullptr;
        m_dwSize = 0;
        m_dwStart = ZepTickCount();
        int rc = m_pMgr->SendRecvData(m_hDevice, const_cast<PBYTE>(request.data()),
                                      static_cast<DWORD>(request.size()), &m_pReply, &m_dwSize);
        m_dwTook = static_cast<DWORD>(ZepElapsedMs(m_dwStart));
        return rc;
    }
    Bytes Got() const { return m_pReply ? Bytes(m_pReply, m_pReply + m_dwSize) : Bytes(); }
    void GiveBack() { EXPECT_EQ(0, m_pMgr->DisposeData(m_hDevice, m_pReply)); }

    DevConnMgr* m_pMgr;
    LoopbackPeer m_peer;
    HANDLE m_hDevice = nullptr;
    PBYTE m_pReply = nullptr;
    DWORD m_dwSize = 0;
    unsigned long m_dwStart = 0;
    DWORD m_dwTook = 0;
};

TEST_F(FramingTcpTest, ReplyWithPayloadAndRequestBytesOnTheWire) {
    Bytes reply = Reply(ZEP_CMD_ENTERDOWNLOAD, Pattern(4));
    m_peer.Receive(44).Send(reply);
    Open(2000);
    ASSERT_EQ(0, Exchange(EnterRequest()));
    EXPECT_EQ(reply, Got());
    EXPECT_EQ(EnterRequest(), m_peer.Received());
    GiveBack();
}

TEST_F(FramingTcpTest, HeaderOnlyReplyHasLength8) {
    m_peer.Receive(44).Send(Reply(ZEP_CMD_ENTERDOWNLOAD, {}));
    Open(2000);
    ASSERT_EQ(0, Exchange(EnterRequest()));
    EXPECT_EQ(8u, m_dwSize);
    GiveBack();
}

TEST_F(FramingTcpTest, HeaderCutShortIsMinus13) {
    m_peer.Receive(44).Send({0, 0, 0x51, 0x01, 0});
    Open(2000);
    EXPECT_EQ(-13, Exchange(EnterRequest()));
    EXPECT_EQ(nullptr, m_pReply);
    EXPECT_EQ(0u, m_dwSize);
}

TEST_F(FramingTcpTest, SilenceGivesNoReplyAfterTheTimeout) {
    m_peer.Receive(44);
    Open(60);
    ASSERT_EQ(0, Exchange(EnterRequest()));
    EXPECT_EQ(nullptr, m_pReply);
    EXPECT_EQ(0u, m_dwSize);
    EXPECT_GE(m_dwTook, 50u);
}

// An intermediate SendFile block is not answered: one short poll, not the whole time-out.
TEST_F(FramingTcpTest, IntermediateBlockDoesNotWait) {
    Bytes block = SendFileBlock(ZEP_END_MORE, 100);
    m_peer.Receive(block.size());
    Open(3000);
    ASSERT_EQ(0, Exchange(block));
    EXPECT_EQ(nullptr, m_pReply);
    EXPECT_LT(m_dwTook, 1500u);
}

TEST_F(FramingTcpTest, PayloadInPiecesIsAssembled) {
    Bytes reply = Reply(ZEP_CMD_GETFILE, Pattern(300));
    m_peer.Receive(44)
        .Send(Bytes(reply.begin(), reply.begin() + 8))
        .Pause(30)
        .Send(Bytes(reply.begin() + 8, reply.begin() + 100))
        .Pause(30)
        .Send(Bytes(reply.begin() + 100, reply.end()));
    Open(3000);
    ASSERT_EQ(0, Exchange(EnterRequest()));
    EXPECT_EQ(reply, Got());
    GiveBack();
}

TEST_F(FramingTcpTest, PayloadCutByTheTimeoutKeepsWhatArrived) {
    Bytes reply = Reply(ZEP_CMD_GETFILE, Pattern(40), 100);
    m_peer.Receive(44).Send(reply);
    Open(80);
    ASSERT_EQ(0, Exchange(EnterRequest()));
    EXPECT_EQ(48u, m_dwSize);
    EXPECT_EQ(reply, Got());
    GiveBack();
}

// A closed connection is lost at once, not after the whole time-out.
TEST_F(FramingTcpTest, PeerThatClosesIsLostAtOnce) {
    m_peer.Receive(44).Close();
    Open(60000);
    EXPECT_EQ(-13, Exchange(EnterRequest()));
    EXPECT_EQ(nullptr, m_pReply);
    EXPECT_LT(m_dwTook, 5000u);
}

TEST_F(FramingTcpTest, PayloadLargerThanTheBufferIsRefused) {
    m_peer.Receive(44).Send(Reply(ZEP_CMD_GETFILE, Pattern(200)));
    Open(2000);
    ASSERT_EQ(0, m_pMgr->SetRecvPacketSize(m_hDevice, 64));
    EXPECT_EQ(-13, Exchange(EnterRequest()));
    EXPECT_EQ(nullptr, m_pReply);
}

// The later packets of a file fetch are read without a request.
TEST_F(FramingTcpTest, ReadsFollowingRepliesWithoutRequest) {
    Bytes first = Reply(ZEP_CMD_GETFILE, Pattern(30, 1));
    Bytes second = Reply(ZEP_CMD_GETFILE, Pattern(20, 9));
    m_peer.Receive(44).Send(first).Pause(20).Send(second);
    Open(2000);
    ASSERT_EQ(0, Exchange(EnterRequest()));
    EXPECT_EQ(first, Got());
    GiveBack();
    ASSERT_EQ(0, m_pMgr->SendRecvData(m_hDevice, nullptr, 0, &m_pReply, &m_dwSize));
    EXPECT_EQ(second, Got());
    GiveBack();
}

} // namespace
