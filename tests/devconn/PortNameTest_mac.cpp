// macOS print-port name tests (USB device URIs), and the transport each kind of port gets.
#include "DevConnMgr.h"
#include "zepUtil.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(PortNameMac, StandardUsbIsAnyNameContainingUsb) {
    EXPECT_TRUE(IsStdUSBPort("usb://Torvi/Office%205?serial=0123"));
    EXPECT_TRUE(IsStdUSBPort("xusby"));
    EXPECT_FALSE(IsStdUSBPort("USB001")); // exact case
    EXPECT_FALSE(IsStdUSBPort("lpd://10.0.0.7/queue"));
    EXPECT_FALSE(IsStdUSBPort(nullptr));
}

TEST(PortNameMac, NoPortMonitorPorts) {
    EXPECT_FALSE(IsUSBPRNPort("USBPRN01"));
    EXPECT_FALSE(IsMPUSBPRNPort("MPUSBPRN01"));
    EXPECT_FALSE(IsUSBPRNPort(nullptr));
    EXPECT_FALSE(IsMPUSBPRNPort(nullptr));
}

// USB device URIs get the USB transport (no such device on an empty bus); everything else TCP.
TEST(TransportChoiceMac, ByPortName) {
    DevConnMgr* pMgr = DevConnMgr::Instance();
    HANDLE h = nullptr;
    unsetenv("HALVARD_USB_BUS");
    EXPECT_EQ(-8, pMgr->Connect(nullptr, "usb://Torvi/Office?serial=1", FALSE, 48350, &h));
    EXPECT_EQ(-8, pMgr->Connect(nullptr, "USB001", FALSE, 48350, &h)); // TCP, not an address
    EXPECT_EQ(nullptr, h);
}

} // namespace
