// Whole updates through the window against the device simulator on loopback, each ending with
// its result alert and the quit.
#import "MacWindowFixture.h"

#import "InputNSMatrixControl.h"
#import "ZepAlert.h"

#include "DeviceSimulator.h"

#include <memory>

namespace {

const char kOlderDevice[] =
    "TGMNAME HV2000\r\nVERSION BOOTABLE1=HV001100\r\n"
    "VERSION LANGUAGE1=HV000300\r\nMAXPACKET 4156\r\n"
    "SUPPORT_COMMAND 5101\r\nSUPPORT_COMMAND 5102\r\nSUPPORT_COMMAND 5103\r\n";
const char kCurrentDevice[] = "TGMNAME HV2000\r\nVERSION BOOTABLE1=HV001200\r\n"
                              "VERSION LANGUAGE1=HV000310\r\nMAXPACKET 4156\r\n"
                              "SUPPORT_COMMAND 5101\r\nSUPPORT_COMMAND 5102\r\n"
                              "SUPPORT_COMMAND 5103\r\n";
const char kOtherModel[] = "TGMNAME XX9999\r\nVERSION BOOTABLE1=HV001100\r\nMAXPACKET 4156\r\n";

class MacUpdateTest : public MacWindowTest {
protected:
    void TearDown() override {
        if (sim)
            sim->Stop();
        MacWindowTest::TearDown();
    }

    // Through the pages with the simulator's address typed in; Start answered YES.
    void UpdateThroughWindow(SimOptions options) {
        options.host = "127.0.0.1";
        options.port = 0;
        sim = std::make_unique<DeviceSimulator>(options);
        std::string error;
        ASSERT_TRUE(sim->Start(&error)) << error;
        UsePackage("", sim->Port());
        Open();
        [m_controller showPreferencePage:nil];
        [m_controller showSelectDevicePage:nil];
        [Outlet("_IPAddressMatrix")
            setCellValue:[NSArray arrayWithObjects:@"127", @"0", @"0", @"1", nil]];
        [m_controller inputCheckAndShowPrepPage:nil];
        ASSERT_NSEQ(@"ConfirmationScreen", SelectedPage());
        alerts.clear();
        [m_controller startUpdate:nil];
        EXPECT_FALSE([Outlet("_mainwindow") isVisible]);
        RunUntilQuit(30);
        ASSERT_EQ(1, quits);
        ASSERT_EQ(2u, alerts.size()); // the start confirmation, then the result
        EXPECT_TRUE(Outlet("_updateStatusTimer") == nil) << "the timer is stopped before the alert";
    }

    std::unique_ptr<DeviceSimulator> sim;
};

} // namespace

TEST_F(MacUpdateTest, UpdatedImagesArriveWhole) {
    SimOptions options;
    options.targetInfo = kOlderDevice;
    UpdateThroughWindow(options);
    EXPECT_EQ(Text("NormalEndTitle"), alerts[1].title);
    EXPECT_EQ(Text("NormalEnd_AutoMes"), alerts[1].message);
    EXPECT_EQ(ZEP_ALERT_INFORMATIONAL, alerts[1].nStyle);
    const auto images = sim->ReceivedImages();
    ASSERT_EQ(2u, images.size());
    EXPECT_TRUE(images.at("BOOTABLE") == m_boot);
    EXPECT_TRUE(images.at("LANGUAGE") == m_lang);
}

TEST_F(MacUpdateTest, ResultAlertForEachOutcome) {
    struct Case {
        const char* name;
        const char* targetInfo;
        uint16_t enterStatus;
        uint32_t closeAtRecord;
        const char* title;
        const char* message;
        int nStyle;
    } const cases[] = {
        {"nothing to update", kCurrentDevice, 0x0080, 0, "NoUpdateEndTitle", "NoUpdateEnd_AutoMes",
         ZEP_ALERT_INFORMATIONAL},
        {"busy", kOlderDevice, 0x1001, 0, "Error_DeviceBusyTitle", "Error_DeviceBusyMes",
         ZEP_ALERT_CRITICAL},
        {"model mismatch", kOtherModel, 0x0080, 0, "Error_ModelMismatchTitle",
         "Error_ModelMismatchMes", ZEP_ALERT_CRITICAL},
        {"connection lost", kOlderDevice, 0x0080, 8, "Error_PoweredOffTitle", "Error_PoweredOffMes",
         ZEP_ALERT_CRITICAL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        alerts.clear();
        quits = 0;
        SimOptions options;
        options.targetInfo = c.targetInfo;
        options.enterStatus = c.enterStatus;
        options.closeAtRecord = c.closeAtRecord;
        UpdateThroughWindow(options);
        if (alerts.size() == 2) {
            EXPECT_EQ(Text(c.title), alerts[1].title);
            EXPECT_EQ(Text(c.message), alerts[1].message);
            EXPECT_EQ(c.nStyle, alerts[1].nStyle);
        }
        sim->Stop();
        sim.reset();
    }
}
