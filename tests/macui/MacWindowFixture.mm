// Window-test fixture.
#import "MacWindowFixture.h"

#import "ZEP_Utilities.h"
#import "ZepAlert.h"

#include "LumdDriverFolders.h"
#include "ZepBindTool.h"
#include "zepBindInfo.h"
#include "zepClock.h"
#include "zep_etc.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

std::vector<ShownAlert> MacWindowTest::alerts;
std::deque<int> MacWindowTest::answers;
int MacWindowTest::quits = 0;

namespace {

std::vector<unsigned char> Pattern(size_t n, unsigned seed) {
    std::vector<unsigned char> bytes(n);
    unsigned x = seed * 2654435761u + 1;
    for (auto& b : bytes) {
        x = x * 1103515245u + 12345u;
        b = static_cast<unsigned char>(x >> 16);
    }
    return bytes;
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

} // namespace

int MacWindowTest::FakeAlert(int nStyle, NSString* title, NSString* message, NSString*, NSString*) {
    alerts.push_back({nStyle, MAC_STR(title), MAC_STR(message)});
    if (answers.empty())
        return ZEP_ALERT_DEFAULT;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

void MacWindowTest::FakeQuit() {
    ++quits;
}

void MacWindowTest::SetUp() {
    alerts.clear();
    answers.clear();
    quits = 0;
    ZepSetAlertHook(FakeAlert);
    ZepSetQuitHook(FakeQuit);
    ZepSetSleepHook([](unsigned long) {});
    [MainWindowController setStatusTimerInterval:0.02];
    set_system_version_for_test(0x1090);
    const char* base = std::getenv("HALVARD_TEST_DIR");
    m_dir = std::string(base != nullptr ? base : "/tmp") + "/" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(m_dir);
    std::filesystem::create_directories(m_dir + "/drivers");
    SetLumdDriverFolderRootsForTest({m_dir + "/drivers"});
    m_boot = Pattern(70000, 1);
    m_lang = Pattern(9000, 2);
    UsePackage();
}

void MacWindowTest::TearDown() {
    [m_controller release];
    m_controller = nil;
    for (const std::string& q : m_queues)
        std::system(("lpadmin -x " + q + " 2>/dev/null").c_str());
    zepBindInfo::DestroyInstance();
    zepBindInfo::SetPackagePath(nullptr);
    SetLumdDriverFolderRootsForTest({});
    set_system_version_for_test(0);
    ZepSetSleepHook(nullptr);
    ZepSetAlertHook(nullptr);
    ZepSetQuitHook(nullptr);
    std::filesystem::remove_all(m_dir);
}

void MacWindowTest::UsePackage(const std::string& extraRows, int nPort) {
    std::ostringstream info;
    info << "TGMNAME HV2000\r\nMODELNAME \"Halvard HV-2000\"\r\n"
         << "DRIVERNAME \"Halvard HV-2000\"\r\nPORTNO " << nPort << "\r\n"
         << "ENTERTIME 5\r\nEXITTIME 5\r\nUPDATETIME 10\r\nSPECIALCMDPATTERN NO\r\n"
         << "VERSION BOOTABLE=HV001200 hv2000_boot.bin BOOTABLE\r\n"
         << "VERSION LANGUAGE=HV000310 hv2000_lang.bin LANGUAGE\r\n"
         << extraRows;
    if (extraRows.find("PLATFORMVERSION") == std::string::npos)
        info << "PLATFORMVERSION MACOS=1040\r\n";
    WriteFile(m_dir + "/ZEPINFO.txt", info.str());
    WriteFile(m_dir + "/hv2000_boot.bin", std::string(m_boot.begin(), m_boot.end()));
    WriteFile(m_dir + "/hv2000_lang.bin", std::string(m_lang.begin(), m_lang.end()));
    const std::string package = m_dir + "/ZEPBINDDATA";
    std::filesystem::remove(package);
    std::ostringstream out, err;
    ASSERT_EQ(ZEPBIND_EXIT_OK,
              RunZepBind({"create", "-o", package, "--info", m_dir + "/ZEPINFO.txt",
                          m_dir + "/hv2000_boot.bin", m_dir + "/hv2000_lang.bin"},
                         out, err))
        << err.str();
    zepBindInfo::DestroyInstance();
    zepBindInfo::SetPackagePath(package.c_str());
}

MainWindowController* MacWindowTest::Open() {
    [m_controller release];
    m_controller = [[MainWindowController alloc] init];
    [m_controller show];
    return m_controller;
}

NSString* MacWindowTest::SelectedPage() const {
    return [[Outlet("_mainTabView") selectedTabViewItem] identifier];
}

std::string MacWindowTest::Text(const char* key) {
    return MAC_STR([ZEP_Utilities localizedString:[NSString stringWithUTF8String:key]]);
}

void MacWindowTest::RunUntilQuit(double seconds) {
    NSDate* end = [NSDate dateWithTimeIntervalSinceNow:seconds];
    while (quits == 0 && [end timeIntervalSinceNow] > 0) {
        NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
        [[NSRunLoop currentRunLoop] runMode:NSDefaultRunLoopMode
                                 beforeDate:[NSDate dateWithTimeIntervalSinceNow:0.01]];
        [pool release];
    }
}

void MacWindowTest::AddQueue(const std::string& name, const std::string& uri,
                             const std::string& makeModel) {
    const std::string ppd = m_dir + "/" + name + ".ppd";
    WriteFile(ppd,
              "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n"
              "*LanguageVersion: English\n*LanguageEncoding: ISOLatin1\n"
              "*PCFileName: \"T.PPD\"\n*Manufacturer: \"Torvi\"\n*Product: \"(T)\"\n"
              "*ModelName: \"" +
                  makeModel +
                  "\"\n*ShortNickName: \"T\"\n"
                  "*NickName: \"" +
                  makeModel +
                  "\"\n*PSVersion: \"(3010.000) 0\"\n"
                  "*OpenUI *PageSize: PickOne\n*DefaultPageSize: A4\n"
                  "*PageSize A4: \"<</PageSize[595 842]>>setpagedevice\"\n*CloseUI: *PageSize\n"
                  "*DefaultImageableArea: A4\n*ImageableArea A4: \"18 18 577 824\"\n"
                  "*DefaultPaperDimension: A4\n*PaperDimension A4: \"595 842\"\n");
    const std::string command = "lpadmin -p " + name + " -E -v '" + uri + "' -P " + ppd + " -D '" +
                                name + " desk' 2>/dev/null";
    ASSERT_EQ(0, std::system(command.c_str())) << command;
    m_queues.push_back(name);
}
