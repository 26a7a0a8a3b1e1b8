// The plain-function wrappers of the macOS user interface, over the scripted transport.
#include "DevConnMgrController.h"
#include "FakeConn.h"
#include "TestMessages.h"

#include <gtest/gtest.h>

namespace {

TEST(MacGlue, ForwardsToTheManager) {
    FakeTransportScope scope(kTcpLikeFraming);
    dev_conn_mgr pDev = devConnMgr_Instance();
    ASSERT_NE(nullptr, pDev);
    HANDLE h = nullptr;
    ASSERT_EQ(0, devConnMgr_Connect(pDev, nullptr, "fake", FALSE, 1, &h));
    FakeConn* pConn = scope.Last();
    pConn->m_pszDeviceID = "MDL:Office 5;";
    pConn->QueueBytes(Reply(ZEP_CMD_ENTERDOWNLOAD, Pattern(4)));
    EXPECT_EQ(0, devConnMgr_SetTimeout(pDev, h, 100));
    EXPECT_EQ(0, devConnMgr_SetRecvPacketSize(pDev, h, 4096));
    Bytes request = EnterRequest();
    PBYTE pReply = nullptr;
    DWORD dwSize = 0;
    ASSERT_EQ(0, devConnMgr_SendRecvData(pDev, h, request.data(),
                                         static_cast<DWORD>(request.size()), &pReply, &dwSize));
    EXPECT_EQ(12u, dwSize);
    EXPECT_EQ(0, devConnMgr_DisposeData(pDev, h, pReply));
    LPSTR pModel = nullptr;
    ASSERT_EQ(0, devConnMgr_GetModelName(pDev, h, &pModel, &dwSize));
    EXPECT_STREQ("Office 5", pModel);
    EXPECT_EQ(0, devConnMgr_DisposeData(pDev, h, pModel));
    EXPECT_EQ(0, devConnMgr_Disconnect(pDev, h));
    EXPECT_EQ(-4, devConnMgr_Disconnect(pDev, h));

    _PORT_INFO_1A* pPorts = nullptr;
    EXPECT_EQ(0, devConnMgr_EnumUsbPort(pDev, &pPorts));
    EXPECT_EQ(nullptr, pPorts);
    devConnMgr_FreeUsbPort(pDev, pPorts);
}

TEST(MacGlue, NullManagerIsAnInvalidArgument) {
    HANDLE h = nullptr;
    PBYTE pReply = nullptr;
    DWORD dwSize = 0;
    EXPECT_EQ(-2, devConnMgr_Connect(nullptr, nullptr, "fake", FALSE, 1, &h));
    EXPECT_EQ(-2, devConnMgr_SendRecvData(nullptr, h, nullptr, 0, &pReply, &dwSize));
    EXPECT_EQ(-2, devConnMgr_Disconnect(nullptr, h));
    _PORT_INFO_1A* pPorts = reinterpret_cast<_PORT_INFO_1A*>(1);
    EXPECT_EQ(0, devConnMgr_EnumUsbPort(nullptr, &pPorts));
    EXPECT_EQ(nullptr, pPorts);
}

TEST(MacGlue, PortNameTests) {
    EXPECT_TRUE(is_std_usb_port("usb://Torvi/Office?serial=1"));
    EXPECT_FALSE(is_std_usb_port("lpd://10.0.0.7/q"));
    EXPECT_FALSE(is_usb_prn_port("USBPRN01"));
    EXPECT_FALSE(is_mp_usb_prn_port("MPUSBPRN01"));
}

} // namespace
