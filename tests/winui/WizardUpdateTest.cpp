// Whole updates through the wizard under Wine, at the program's real pace, against the device
// simulator on loopback: what the progress page shows, the one result message, and what the
// device received.
#include "DeviceSimulator.h"
#include "MonitorInstall.h"
#include "WizardFixture.h"

#include <commctrl.h>

#include <fstream>
#include <iterator>
#include <set>

namespace {

#define kMaxPacket "MAXPACKET 4156\r\n"
const char kTargetInfo[] = "TGMNAME HV2000\r\nVERSION BOOTABLE1=HV001100\r\n"
                           "VERSION LANGUAGE1=HV000300\r\n" kMaxPacket;
const char kQuery[] = "SUPPORT_COMMAND 5101\r\nSUPPORT_COMMAND 5102\r\nSUPPORT_COMMAND 5103\r\n";

struct Seen {
    std::string status;
    int nPosition;
};

std::vector<unsigned char> FileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(file), {});
}

} // namespace

class WizardUpdateTest : public WizardTest {
protected:
    void TearDown() override {
        WizardTest::TearDown();
        if (sim) {
            sim->Stop();
            if (HasFailure()) { // what the device saw, apart from the data packets
                for (const std::string& line : sim->LogLines())
                    if (line.find("\"SendFile\"") == std::string::npos)
                        std::printf("%s\n", line.c_str());
            }
        }
    }

    void StartDevice(SimOptions options) {
        options.host = "127.0.0.1";
        options.port = 0;
        sim = std::make_unique<DeviceSimulator>(options);
        std::string error;
        ASSERT_TRUE(sim->Start(&error)) << error;
    }

    // Walks the wizard to the progress page by address, then follows it until the result
    // message; the message's caption and text.
    std::pair<std::string, std::string> Update(const std::string& extraInfo, int nPortNo,
                                               bool bTryToClose = false) {
        StartAtOpening(BoundProgram(SampleInfo(nPortNo) + extraInfo));
        Click(GoToConfirmByAddress(GoToSelect()), 1005);
        HWND hStart = wizard->WaitMessage();
        EXPECT_NE(nullptr, hStart);
        EXPECT_TRUE(Answer(hStart, IDYES));
        HWND hProgress = wizard->WaitPage(PAGE_PROGRESS);
        EXPECT_NE(nullptr, hProgress);
        if (bTryToClose) { // Escape, Alt+F4 and the close request change nothing
            Post(hProgress, WM_COMMAND, IDCANCEL);
            Post(hProgress, WM_SYSCOMMAND, SC_CLOSE);
            Post(hProgress, WM_CLOSE);
        }
        HWND hResult = nullptr;
        while (hResult == nullptr && hProgress != nullptr) {
            if (IsWindow(hProgress)) {
                Seen now = {ItemText(hProgress, 1017),
                            int(SendDlgItemMessageA(hProgress, 1009, PBM_GETPOS, 0, 0))};
                if (seen.empty() || seen.back().status != now.status ||
                    seen.back().nPosition != now.nPosition)
                    seen.push_back(now);
            }
            hResult = wizard->WaitMessage(100);
            if (!wizard->Running())
                break;
        }
        EXPECT_NE(nullptr, hResult) << "no result message";
        if (hResult == nullptr)
            return {};
        EXPECT_FALSE(IsWindow(hProgress)) << "the page ends before its message";
        std::pair<std::string, std::string> message = {Text(hResult), MessageText(hResult)};
        EXPECT_TRUE(Answer(hResult, IDOK));
        EXPECT_TRUE(wizard->WaitExit(10000));
        return message;
    }

    bool SawStatus(const std::string& status, int nMinPos, int nMaxPos) const {
        for (const Seen& s : seen) {
            if (s.status == status && s.nPosition >= nMinPos && s.nPosition <= nMaxPos)
                return true;
        }
        return false;
    }

    std::string Statuses() const {
        std::string out;
        for (const Seen& s : seen)
            out += s.status + " @" + std::to_string(s.nPosition) + "\n";
        return out;
    }

    std::unique_ptr<DeviceSimulator> sim;
    std::vector<Seen> seen;
};

TEST_F(WizardUpdateTest, BothImagesWithWritingProgressAndTheCloseRequestsIgnored) {
    SimOptions options;
    options.targetInfo = std::string(kTargetInfo) + kQuery;
    options.replyDelayMs = 40; // long enough for the page's ticks to see the transfer
    StartDevice(options);
    const auto message = Update("", sim->Port(), true);
    EXPECT_EQ("Information", message.first);
    EXPECT_EQ("Firmware update is complete.\nThe device will restart automatically.",
              message.second);
    EXPECT_TRUE(SawStatus("Connecting to the device...", 0, 0)) << Statuses();
    EXPECT_TRUE(SawStatus("Preparing to update firmware 1...", 0, 50)) << Statuses();
    EXPECT_TRUE(SawStatus("Overwriting firmware 1 in target device...", 50, 100)) << Statuses();
    EXPECT_TRUE(SawStatus("Overwriting firmware 2 in target device...", 50, 100)) << Statuses();
    const auto images = sim->ReceivedImages();
    ASSERT_EQ(2u, images.size());
    EXPECT_EQ(FileBytes(PathIn("boot.bin")), images.at("BOOTABLE"));
    EXPECT_EQ(FileBytes(PathIn("lang.bin")), images.at("LANGUAGE"));
}

TEST_F(WizardUpdateTest, WithoutStatusQueriesTheTransferFillsTheWholeBar) {
    SimOptions options;
    options.targetInfo = kTargetInfo;
    options.replyDelayMs = 40;
    StartDevice(options);
    const auto message = Update("NEEDEXITOPERATION YES\r\n", sim->Port());
    EXPECT_EQ("Firmware update is complete.\nRestart the device.", message.second);
    EXPECT_TRUE(SawStatus("Overwriting firmware 1 in target device...", 1, 99)) << Statuses();
    EXPECT_FALSE(SawStatus("Preparing to update firmware 1...", 0, 100)) << Statuses();
    EXPECT_EQ(2u, sim->ReceivedImages().size());
}

TEST_F(WizardUpdateTest, ResultMessageForEachOutcome) {
    struct Case {
        const char* name;
        std::string targetInfo;
        std::string extraInfo;
        uint16_t enterStatus;
        uint32_t sendFileStatusAt;
        uint16_t sendFileStatus;
        uint32_t closeAtRecord;
        std::string caption;
        std::string textStart;
    } const cases[] = {
        {"nothing to update",
         "TGMNAME HV2000\r\nVERSION BOOTABLE1=HV001200\r\nVERSION "
         "LANGUAGE1=HV000310\r\n" kMaxPacket,
         "", 0x0080, 0, 0x0803, 0, "Information",
         "The firmware of the selected device does not need to be updated.\nThe device will"},
        {"nothing to update, restart by hand",
         "TGMNAME HV2000\r\nVERSION BOOTABLE1=HV001200\r\nVERSION "
         "LANGUAGE1=HV000310\r\n" kMaxPacket,
         "NEEDEXITOPERATION YES\r\n", 0x0080, 0, 0x0803, 0, "Information",
         "The firmware of the selected device does not need to be updated.\nRestart"},
        {"first image current",
         "TGMNAME HV2000\r\nVERSION BOOTABLE1=HV001200\r\nVERSION "
         "LANGUAGE1=HV000300\r\n" kMaxPacket,
         "", 0x0080, 0, 0x0803, 0, "Information", "Firmware update is complete.\nThe device"},
        {"busy", kTargetInfo, "", 0x1001, 0, 0x0803, 0, "Warning",
         "Update was canceled because there was no response from the device"},
        {"fax", kTargetInfo, "", 0x1002, 0, 0x0803, 0, "Warning",
         "Update was canceled because a fax transmission occurred"},
        {"write failure", kTargetInfo, "", 0x0080, 1, 0x0803, 0, "Warning",
         "Could not properly overwrite the firmware in the device."},
        {"checksum error", kTargetInfo, "", 0x0080, 1, 0x0804, 0, "Warning",
         "Could not verify the firmware data."},
        {"wrong model", "TGMNAME XX9999\r\nVERSION BOOTABLE1=HV001100\r\n" kMaxPacket, "", 0x0080,
         0, 0x0803, 0, "Warning", "The selected device is not compatible."},
        {"device gone mid-transfer", kTargetInfo, "", 0x0080, 0, 0x0803, 8, "Warning",
         "Could not update the firmware.\nThe USB or network cable may be disconnected"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimOptions options;
        options.targetInfo = c.targetInfo;
        options.enterStatus = c.enterStatus;
        options.sendFileStatusAt = c.sendFileStatusAt;
        options.sendFileStatus = c.sendFileStatus;
        options.closeAtRecord = c.closeAtRecord;
        StartDevice(options);
        const auto message = Update(c.extraInfo, sim->Port());
        EXPECT_EQ(c.caption, message.first);
        EXPECT_EQ(0u, message.second.find(c.textStart)) << message.second;
        sim->Stop();
        sim.reset();
        wizard.reset();
        seen.clear();
    }
}

TEST_F(WizardUpdateTest, NobodyListening) {
    SimOptions options;
    options.targetInfo = kTargetInfo;
    StartDevice(options);
    const int nPort = sim->Port();
    sim->Stop(); // the port is free again, and refuses
    sim.reset();
    const auto message = Update("", nPort);
    EXPECT_EQ("Warning", message.first);
    EXPECT_EQ(0u, message.second.find("Could not update the firmware.\nThe USB or network"));
}

TEST_F(WizardUpdateTest, ThroughAPrintQueueOnAPortMonitorPort) {
    ASSERT_TRUE(InstallTestMonitor());
    SimOptions options;
    options.targetInfo = kTargetInfo;
    options.ackIntermediate = false; // the port monitors' transport reads no answer to a block
    StartDevice(options);
    PointTestMonitorAt(sim->Port());
    SpoolerQueueKey queue("Halvard USB", "USBPRN01", "Halvard HV-2000 PCL6");
    StartAtOpening(BoundProgram(SampleInfo()));
    HWND hSelect = GoToSelect();
    ASSERT_NE(nullptr, hSelect);
    // Listed after the device on the port reported the package's model.
    const auto rows = ListRows(GetDlgItem(hSelect, 1002), 2);
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ((std::vector<std::string>{"Halvard USB", "USBPRN01"}), rows[0]);
    Click(hSelect, 1005);
    HWND hConfirm = wizard->WaitPage(PAGE_CONFIRM);
    ASSERT_NE(nullptr, hConfirm);
    Click(hConfirm, 1005);
    ASSERT_TRUE(Answer(wizard->WaitMessage(), IDYES));
    HWND hResult = wizard->WaitMessage(120000);
    ASSERT_NE(nullptr, hResult);
    EXPECT_EQ("Firmware update is complete.\nThe device will restart automatically.",
              MessageText(hResult));
    EXPECT_TRUE(Answer(hResult, IDOK));
    const auto images = sim->ReceivedImages();
    ASSERT_EQ(2u, images.size());
    EXPECT_EQ(FileBytes(PathIn("boot.bin")), images.at("BOOTABLE"));
    EXPECT_EQ(FileBytes(PathIn("lang.bin")), images.at("LANGUAGE"));
}
