// macOS print-port name tests: USB device URIs.
#include "zepUtil.h"

#include <gtest/gtest.h>

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

} // namespace
