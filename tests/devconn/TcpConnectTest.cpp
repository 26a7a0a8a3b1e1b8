// Connection life cycle of the TCP transport on loopback: arguments, address rules, states.
#include "DevConnMgr.h"
#include "DevConnTCP.h"
#include "LoopbackPeer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class TcpConnectTest : public ::testing::Test {
protected:
    TcpConnectTest() : m_pMgr(DevConnMgr::Instance()) { m_peer.Start(); }

    DevConnMgr* m_pMgr;
    LoopbackPeer m_peer;
    HANDLE m_hDevice = nullptr;
};

TEST_F(TcpConnectTest, ArgumentsAreCheckedFirst) {
    EXPECT_EQ(-2, m_pMgr->Connect(nullptr, "127.0.0.1", FALSE, 0, &m_hDevice));
    DevConnTCP conn;
    EXPECT_EQ(-2, conn.Connect(nullptr, nullptr, 48350));
    EXPECT_EQ(-2, conn.Connect(nullptr, "127.0.0.1", 0));
}

// A typed address must be dotted: a name that would resolve to the peer is not looked up.
TEST_F(TcpConnectTest, TypedHostNameIsNotLookedUp) {
    EXPECT_EQ(-8, m_pMgr->Connect(nullptr, "localhost", FALSE, m_peer.Port(), &m_hDevice));
    EXPECT_EQ(-8, m_pMgr->Connect(nullptr, "0.0.0.0", FALSE, m_peer.Port(), &m_hDevice));
    EXPECT_EQ(-8, m_pMgr->Connect(nullptr, "255.255.255.255", FALSE, m_peer.Port(), &m_hDevice));
    EXPECT_EQ(nullptr, m_hDevice);
}

// A failed connect releases what it took, so the same object can connect afterwards.
TEST_F(TcpConnectTest, RefusedConnectionIsMinus8AndCanBeRetried) {
    uint16_t wClosedPort = 0;
    loopback::Close(loopback::Listen(&wClosedPort));
    DevConnTCP conn;
    EXPECT_EQ(-8, conn.Connect(nullptr, "127.0.0.1", wClosedPort));
    EXPECT_EQ(0, conn.Connect(nullptr, "127.0.0.1", m_peer.Port()));
    EXPECT_EQ(0, conn.Disconnect());
}

TEST_F(TcpConnectTest, StatesOfAConnection) {
    DevConnTCP conn;
    LPSTR pModel = nullptr;
    DWORD dwSize = 0;
    EXPECT_EQ(-9, conn.SetTimeout(100));
    EXPECT_EQ(-9, conn.GetModelName(&pModel, &dwSize));
    EXPECT_EQ(-9, conn.Disconnect());
    ASSERT_EQ(0, conn.Connect(nullptr, "127.0.0.1", m_peer.Port()));
    EXPECT_EQ(-10, conn.Connect(nullptr, "127.0.0.1", m_peer.Port()));
    EXPECT_EQ(-2, conn.SetTimeout(0));
    EXPECT_EQ(0, conn.SetTimeout(100));
    EXPECT_EQ(-7, conn.GetModelName(&pModel, &dwSize));
    EXPECT_EQ(-2, conn.GetModelName(nullptr, &dwSize));
    EXPECT_EQ(0, conn.Disconnect());
    EXPECT_EQ(-9, conn.Disconnect());
}

TEST_F(TcpConnectTest, ThroughTheManager) {
    ASSERT_EQ(0, m_pMgr->Connect(nullptr, "127.0.0.1", FALSE, m_peer.Port(), &m_hDevice));
    LPSTR pModel = nullptr;
    DWORD dwSize = 0;
    EXPECT_EQ(-2, m_pMgr->SetTimeout(m_hDevice, 0));
    EXPECT_EQ(-7, m_pMgr->GetModelName(m_hDevice, &pModel, &dwSize));
    EXPECT_EQ(0, m_pMgr->SetRecvPacketSize(m_hDevice, 2));
    EXPECT_EQ(0, m_pMgr->Disconnect(m_hDevice));
}

// A device that stops reading makes a write end short at its time-out instead of blocking.
TEST_F(TcpConnectTest, WriteGivesUpAtItsTimeout) {
    struct Probe : DevConnTCP {
        using DevConnTCP::WritePort;
    } conn;
    ASSERT_EQ(0, conn.Connect(nullptr, "127.0.0.1", m_peer.Port()));
    std::vector<BYTE> big(64u << 20);
    DWORD dwWritten = 0;
    EXPECT_TRUE(conn.WritePort(big.data(), static_cast<DWORD>(big.size()), &dwWritten, 50));
    EXPECT_LT(dwWritten, big.size());
    EXPECT_EQ(0, conn.Disconnect());
}

// A print queue's port resolves through the platform's rules; a URL works on both.
TEST_F(TcpConnectTest, PrinterPortResolvesAsUrl) {
    std::string port = std::string(ZEP_VARIANT_URL_SCHEME) + "127.0.0.1/queue";
    ASSERT_EQ(0, m_pMgr->Connect("Queue", port.c_str(), FALSE, m_peer.Port(), &m_hDevice));
    EXPECT_EQ(0, m_pMgr->Disconnect(m_hDevice));
    EXPECT_EQ(-8, m_pMgr->Connect("Queue", "no-such-port", FALSE, m_peer.Port(), &m_hDevice));
}

} // namespace
