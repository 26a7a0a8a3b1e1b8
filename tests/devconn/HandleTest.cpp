// Handles and ownership through the manager, over the scripted in-process transport. This file
// is linked first, so its first test sees the process's first handle.
#include "FakeConn.h"
#include "TestMessages.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

DWORD Value(HANDLE h) {
    return static_cast<DWORD>(reinterpret_cast<uintptr_t>(h));
}

class HandleTest : public ::testing::Test {
protected:
    HandleTest() : m_scope(kTcpLikeFraming), m_pMgr(DevConnMgr::Instance()) {}

    HANDLE Open() {
        HANDLE h = nullptr;
        EXPECT_EQ(0, m_pMgr->Connect(nullptr, "fake", FALSE, 1, &h));
        return h;
    }

    FakeTransportScope m_scope;
    DevConnMgr* m_pMgr;
};

TEST_F(HandleTest, IssuesOneThenTwoAndReusesTwoAfterBothClose) {
    static bool s_bFirstInProcess = true; // later runs (--gtest_repeat) start further on
    HANDLE h1 = Open();
    HANDLE h2 = Open();
    if (s_bFirstInProcess) {
        EXPECT_EQ(1u, Value(h1));
        s_bFirstInProcess = false;
    }
    EXPECT_EQ(Value(h1) + 1, Value(h2));
    EXPECT_EQ(0, m_pMgr->Disconnect(h1));
    EXPECT_EQ(0, m_pMgr->Disconnect(h2));
    HANDLE h3 = Open();
    EXPECT_EQ(Value(h2), Value(h3));
    // With that value taken the next moves on, not back to the free first one.
    HANDLE h4 = Open();
    EXPECT_EQ(Value(h3) + 1, Value(h4));
    m_pMgr->Disconnect(h3);
    m_pMgr->Disconnect(h4);
}

TEST_F(HandleTest, UnknownAndClosedHandlesGiveMinus4) {
    HANDLE never = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x7777));
    PBYTE pReply = nullptr;
    DWORD dwSize = 0;
    LPSTR pModel = nullptr;
    for (HANDLE h : {never, static_cast<HANDLE>(nullptr)}) {
        EXPECT_EQ(-4, m_pMgr->Disconnect(h));
        EXPECT_EQ(-4, m_pMgr->SendRecvData(h, nullptr, 0, &pReply, &dwSize));
        EXPECT_EQ(-4, m_pMgr->DisposeData(h, nullptr));
        EXPECT_EQ(-4, m_pMgr->SetTimeout(h, 100));
        EXPECT_EQ(-4, m_pMgr->SetRecvPacketSize(h, 100));
        EXPECT_EQ(-4, m_pMgr->GetModelName(h, &pModel, &dwSize));
    }
    HANDLE h = Open();
    ASSERT_EQ(0, m_pMgr->Disconnect(h));
    EXPECT_EQ(-4, m_pMgr->Disconnect(h));
    EXPECT_EQ(-4, m_pMgr->SetTimeout(h, 100));
}

TEST_F(HandleTest, ConnectArgumentsAndFailures) {
    HANDLE h = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x55));
    int nDestroyed = FakeConn::s_nDestroyed;
    EXPECT_EQ(-2, m_pMgr->Connect(nullptr, "fake", FALSE, 1, nullptr));
    EXPECT_EQ(nullptr, m_scope.Last()); // nothing created
    EXPECT_EQ(-3, m_pMgr->Connect(nullptr, nullptr, FALSE, 1, &h));
    EXPECT_EQ(-3, m_pMgr->Connect(nullptr, "fake", TRUE, 1, &h));
    EXPECT_EQ(nullptr, m_scope.Last());
    EXPECT_EQ(0x55u, Value(h));
    EXPECT_EQ(nDestroyed, FakeConn::s_nDestroyed);
}

// A transport's Connect failure comes back unchanged and leaves no connection or handle behind.
TEST_F(HandleTest, FailedTransportConnectIsDestroyed) {
    int nDestroyed = FakeConn::s_nDestroyed;
    DevConnMgr::SetTransportFactory([](LPCSTR, LPCSTR) -> DevConnBase* {
        FakeConn* p = new FakeConn(kTcpLikeFraming);
        p->m_nConnectResult = -8;
        return p;
    });
    HANDLE h = nullptr;
    EXPECT_EQ(-8, m_pMgr->Connect(nullptr, "fake", FALSE, 1, &h));
    EXPECT_EQ(nullptr, h);
    EXPECT_EQ(nDestroyed + 1, FakeConn::s_nDestroyed);
}

TEST_F(HandleTest, NoTransportForPortGivesMinus3) {
    DevConnMgr::SetTransportFactory([](LPCSTR, LPCSTR) -> DevConnBase* { return nullptr; });
    HANDLE h = nullptr;
    EXPECT_EQ(-3, m_pMgr->Connect(nullptr, "fake", FALSE, 1, &h));
}

TEST_F(HandleTest, DisposeDataGivesBackOnceAndOnlyOwnBuffers) {
    HANDLE h = Open();
    FakeConn* pConn = m_scope.Last();
    HANDLE hOther = Open();
    pConn->QueueBytes(Reply(ZEP_CMD_ENTERDOWNLOAD, Pattern(4)));
    Bytes request = EnterRequest();
    PBYTE pReply = nullptr;
    DWORD dwSize = 0;
    ASSERT_EQ(0, m_pMgr->SendRecvData(h, request.data(), static_cast<DWORD>(request.size()),
                                      &pReply, &dwSize));
    ASSERT_NE(nullptr, pReply);
    EXPECT_EQ(12u, dwSize);
    EXPECT_EQ(-6, m_pMgr->DisposeData(hOther, pReply));
    EXPECT_EQ(0, m_pMgr->DisposeData(h, pReply));
    EXPECT_EQ(-6, m_pMgr->DisposeData(h, pReply));
    EXPECT_EQ(-6, m_pMgr->DisposeData(h, nullptr));
    m_pMgr->Disconnect(h);
    m_pMgr->Disconnect(hOther);
}

// Replies and model names never given back are freed with their connection (the sanitizer
// build reports them otherwise).
TEST_F(HandleTest, DisconnectFreesWhatWasNotGivenBack) {
    HANDLE h = Open();
    FakeConn* pConn = m_scope.Last();
    pConn->m_pszDeviceID = "MFG:Torvi;MDL:Office 5;";
    pConn->QueueBytes(Reply(ZEP_CMD_GETFILE, Pattern(40)));
    pConn->QueueBytes(Reply(ZEP_CMD_GETFILE, Pattern(20)));
    PBYTE pReply = nullptr;
    DWORD dwSize = 0;
    Bytes request = EnterRequest();
    ASSERT_EQ(0, m_pMgr->SendRecvData(h, request.data(), static_cast<DWORD>(request.size()),
                                      &pReply, &dwSize));
    EXPECT_EQ(48u, dwSize);
    ASSERT_EQ(0, m_pMgr->SendRecvData(h, nullptr, 0, &pReply, &dwSize));
    EXPECT_EQ(28u, dwSize);
    LPSTR pModel = nullptr;
    ASSERT_EQ(0, m_pMgr->GetModelName(h, &pModel, &dwSize));
    EXPECT_STREQ("Office 5", pModel);
    EXPECT_EQ(9u, dwSize);
    int nDestroyed = FakeConn::s_nDestroyed;
    EXPECT_EQ(0, m_pMgr->Disconnect(h));
    EXPECT_EQ(nDestroyed + 1, FakeConn::s_nDestroyed);
}

TEST_F(HandleTest, ModelNameAbsentGivesNullAndZero) {
    HANDLE h = Open();
    m_scope.Last()->m_pszDeviceID = "MFG:Torvi;CMD:PCL;";
    LPSTR pModel = reinterpret_cast<LPSTR>(1);
    DWORD dwSize = 5;
    EXPECT_EQ(0, m_pMgr->GetModelName(h, &pModel, &dwSize));
    EXPECT_EQ(nullptr, pModel);
    EXPECT_EQ(0u, dwSize);
    m_pMgr->Disconnect(h);
}

} // namespace
