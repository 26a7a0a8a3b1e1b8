// Windows print-port name tests, and the transport each kind of port gets.
#include "DevConnMgr.h"
#include "zepUtil.h"

#include <gtest/gtest.h>

namespace {

TEST(PortNameWin, StandardUsb) {
    EXPECT_TRUE(IsStdUSBPort("USB001"));
    EXPECT_TRUE(IsStdUSBPort("usb001"));
    EXPECT_TRUE(IsStdUSBPort("UsB999"));
    EXPECT_FALSE(IsStdUSBPort("USB01"));
    EXPECT_FALSE(IsStdUSBPort("USB0001"));
    EXPECT_FALSE(IsStdUSBPort("USBA01"));
    EXPECT_FALSE(IsStdUSBPort("USBPRN01"));
    EXPECT_FALSE(IsStdUSBPort("MPUSBPRN01"));
    EXPECT_FALSE(IsStdUSBPort("LPT1:"));
    EXPECT_FALSE(IsStdUSBPort(""));
    EXPECT_FALSE(IsStdUSBPort(nullptr));
}

TEST(PortNameWin, PortMonitorPorts) {
    EXPECT_TRUE(IsUSBPRNPort("USBPRN01"));
    EXPECT_TRUE(IsUSBPRNPort("usbprn99"));
    EXPECT_FALSE(IsUSBPRNPort("USBPRN1"));
    EXPECT_FALSE(IsUSBPRNPort("USBPRN001"));
    EXPECT_FALSE(IsUSBPRNPort("MPUSBPRN01"));
    EXPECT_FALSE(IsUSBPRNPort(nullptr));
    EXPECT_TRUE(IsMPUSBPRNPort("MPUSBPRN01"));
    EXPECT_TRUE(IsMPUSBPRNPort("mpusbprn42"));
    EXPECT_FALSE(IsMPUSBPRNPort("MPUSBPRN1"));
    EXPECT_FALSE(IsMPUSBPRNPort("USBPRN01"));
    EXPECT_FALSE(IsMPUSBPRNPort(nullptr));
    EXPECT_FALSE(IsStdUSBPort("USBPRN1") || IsUSBPRNPort("USBPRN1") || IsMPUSBPRNPort("USBPRN1"));
}

// USB ports get their USB transports, which find no device here; everything else is TCP.
TEST(TransportChoiceWin, ByPortName) {
    DevConnMgr* pMgr = DevConnMgr::Instance();
    HANDLE h = nullptr;
    EXPECT_EQ(-8, pMgr->Connect(nullptr, "USB001", FALSE, 48350, &h));
    EXPECT_EQ(-8, pMgr->Connect(nullptr, "USBPRN01", FALSE, 48350, &h));
    EXPECT_EQ(-8, pMgr->Connect(nullptr, "MPUSBPRN01", FALSE, 48350, &h));
    EXPECT_EQ(-8, pMgr->Connect(nullptr, "USBPRN1", FALSE, 48350, &h)); // TCP, not an address
    EXPECT_EQ(nullptr, h);
}

} // namespace
