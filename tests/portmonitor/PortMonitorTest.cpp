// The port-monitor transport under Wine with a monitor of our own in the system folder: which
// DLL a port loads, the table it must fill, the device ID, the framing's differences, a whole
// update from the console updater, and a DLL of the same name beside the program never loaded.
#include "DevConnMgr.h"
#include "DeviceSimulator.h"
#include "MonitorInstall.h"
#include "RunProcess.h"
#include "ZepBindTool.h"
#include "zepWire.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

namespace {

const std::string kDir = PM_TEST_DIR;

std::string PathIn(const std::string& name) {
    return kDir + "\\" + name;
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

std::vector<unsigned char> FileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(file), {});
}

} // namespace

class PortMonitor : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(InstallTestMonitor());
        SimOptions options;
        options.port = 0;
        options.ackIntermediate = false; // the transport reads no answer to a block
        options.targetInfo = "TGMNAME HV2000\r\nVERSION BOOTABLE1=HV001100\r\n"
                             "VERSION LANGUAGE1=HV000300\r\nMAXPACKET 4156\r\n";
        sim = std::make_unique<DeviceSimulator>(options);
        std::string error;
        ASSERT_TRUE(sim->Start(&error)) << error;
        PointTestMonitorAt(sim->Port());
        SetEnvironmentVariableA("HALVARD_PM_NO_DEVICEID", nullptr);
    }
    void TearDown() override { sim->Stop(); }

    std::unique_ptr<DeviceSimulator> sim;
};

TEST_F(PortMonitor, EachPortKindLoadsItsMonitorForTheConnectionOnly) {
    DevConnMgr* pMgr = DevConnMgr::Instance();
    struct Case {
        const char* port;
        const char* loaded;
        const char* other;
    } const cases[] = {{"USBPRN01", "VARLEPM.DLL", "TOLBERPM.DLL"},
                       {"MPUSBPRN01", "TOLBERPM.DLL", "VARLEPM.DLL"}};
    for (const Case& c : cases) {
        HANDLE hDevice = nullptr;
        ASSERT_EQ(0, pMgr->Connect(nullptr, c.port, FALSE, 0, &hDevice)) << c.port;
        EXPECT_NE(nullptr, GetModuleHandleA(c.loaded)) << c.port;
        EXPECT_EQ(nullptr, GetModuleHandleA(c.other)) << c.port;
        LPSTR pszModel = nullptr;
        DWORD dwSize = 0;
        ASSERT_EQ(0, pMgr->GetModelName(hDevice, &pszModel, &dwSize));
        EXPECT_STREQ("HV2000", pszModel);
        EXPECT_EQ(7u, dwSize);
        pMgr->DisposeData(hDevice, pszModel);
        PBYTE pReply = nullptr;
        DWORD dwReply = 0;
        // A call without a request reads the next answer, as on every transport.
        EXPECT_EQ(0, pMgr->SendRecvData(hDevice, nullptr, 0, &pReply, &dwReply));
        EXPECT_EQ(nullptr, pReply);
        EXPECT_EQ(0, pMgr->Disconnect(hDevice));
        EXPECT_EQ(nullptr, GetModuleHandleA(c.loaded)) << "freed with the connection";
    }
    // A table without GetPrinterDataFromPort, or a port the monitor cannot open: -8, and the
    // DLL is not kept.
    HANDLE hDevice = nullptr;
    SetEnvironmentVariableA("HALVARD_PM_NO_DEVICEID", "1");
    EXPECT_EQ(-8, pMgr->Connect(nullptr, "USBPRN01", FALSE, 0, &hDevice));
    SetEnvironmentVariableA("HALVARD_PM_NO_DEVICEID", nullptr);
    SetEnvironmentVariableA("HALVARD_PM_TARGET", "127.0.0.1:1");
    EXPECT_EQ(-8, pMgr->Connect(nullptr, "USBPRN01", FALSE, 0, &hDevice));
    EXPECT_EQ(nullptr, GetModuleHandleA("VARLEPM.DLL"));
}

TEST_F(PortMonitor, EnterAndBlocksThroughTheMonitor) {
    DevConnMgr* pMgr = DevConnMgr::Instance();
    HANDLE hDevice = nullptr;
    ASSERT_EQ(0, pMgr->Connect(nullptr, "USBPRN02", FALSE, 0, &hDevice));
    ASSERT_EQ(0, pMgr->SetTimeout(hDevice, 5000));
    TAG_CMDENTERDOWNLOAD enter = {};
    enter.Header.CommandCode.set(ZEP_CMD_ENTERDOWNLOAD);
    enter.Header.DataLength.set(sizeof enter - sizeof enter.Header);
    PBYTE pReply = nullptr;
    DWORD dwReply = 0;
    ASSERT_EQ(0, pMgr->SendRecvData(hDevice, reinterpret_cast<PBYTE>(&enter), sizeof enter, &pReply,
                                    &dwReply));
    ASSERT_NE(nullptr, pReply);
    EXPECT_EQ(sizeof(TAG_RESENTERDOWNLOAD), dwReply);
    pMgr->DisposeData(hDevice, pReply);
    // An intermediate block: no reply is read at all.
    std::vector<BYTE> block(sizeof(TAG_CMDSENDFILE) + 16);
    TAG_CMDSENDFILE head = {};
    head.Header.CommandCode.set(ZEP_CMD_SENDFILE);
    head.Header.DataLength.set(uint32_t(block.size() - sizeof head.Header));
    head.EndNotice.set(ZEP_END_MORE);
    std::memcpy(block.data(), &head, sizeof head);
    EXPECT_EQ(0, pMgr->SendRecvData(hDevice, block.data(), DWORD(block.size()), &pReply, &dwReply));
    EXPECT_EQ(nullptr, pReply);
    EXPECT_EQ(0, pMgr->Disconnect(hDevice));
}

TEST_F(PortMonitor, WholeUpdateFromTheConsoleUpdaterAndAPlantedDllNeverLoaded) {
    WriteFile(PathIn("ZEPINFO.txt"), "TGMNAME HV2000\r\nMODELNAME HV2000\r\nPORTNO 48350\r\n"
                                     "ENTERTIME 20\r\nEXITTIME 20\r\nUPDATETIME 60\r\n"
                                     "VERSION BOOTABLE=HV001200 boot.bin BOOTABLE\r\n"
                                     "VERSION LANGUAGE=HV000310 lang.bin LANGUAGE\r\n");
    std::string boot(50000, '\0');
    for (size_t i = 0; i < boot.size(); ++i)
        boot[i] = char(i * 31 + 7);
    WriteFile(PathIn("boot.bin"), boot);
    WriteFile(PathIn("lang.bin"), std::string(5000, 'L'));
    const std::string exe = PathIn("halvard-pm.exe");
    std::ostringstream out, err;
    ASSERT_EQ(ZEPBIND_EXIT_OK,
              RunZepBind({"append", "-o", exe, "--program", HALVARD_EXE, "--info",
                          PathIn("ZEPINFO.txt"), PathIn("boot.bin"), PathIn("lang.bin")},
                         out, err))
        << err.str();
    // What an attacker would leave in the download folder, beside the program.
    ASSERT_TRUE(CopyFileA(ZEP_PLANTED_MONITOR_DLL, PathIn("VARLEPM.DLL").c_str(), FALSE));
    const std::string marker = PathIn("planted-dll-was-loaded");
    DeleteFileA(marker.c_str());
    SetEnvironmentVariableA("HALVARD_PM_PLANTED_MARKER", marker.c_str());

    EXPECT_EQ(0, RunProcess(exe + " --port-name USBPRN01"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(marker.c_str()));
    const auto images = sim->ReceivedImages();
    ASSERT_EQ(2u, images.size());
    EXPECT_EQ(FileBytes(PathIn("boot.bin")), images.at("BOOTABLE"));
    EXPECT_EQ(FileBytes(PathIn("lang.bin")), images.at("LANGUAGE"));
}
