// Fixture of the wizard tests: the packer binds each test's package into a copy of the program.
#include "WizardFixture.h"

#include "ZepBindTool.h"

#include <fstream>
#include <sstream>

namespace {

const std::string kDir = WINUI_TEST_DIR;

} // namespace

std::string WizardTest::PathIn(const std::string& name) {
    return kDir + "\\" + name;
}

void WizardTest::WriteFile(const std::string& path, const std::string& content) {
    std::ofstream file(path, std::ios::binary);
    file << content;
}

void WizardTest::TearDown() {
    wizard.reset();
}

std::string WizardTest::SampleInfo(int nPortNo) {
    return "TGMNAME HV2000\r\nMODELNAME \"Halvard HV-2000\"\r\nDRIVERNAME \"Halvard HV-2000 "
           "PCL6\"\r\nPORTNO " +
           std::to_string(nPortNo) +
           "\r\nENTERTIME 20\r\nEXITTIME 20\r\nUPDATETIME 60\r\nPLATFORMVERSION WINNT=5.0\r\n"
           "VERSION BOOTABLE=HV001200 boot.bin BOOTABLE\r\n"
           "VERSION LANGUAGE=HV000310 lang.bin LANGUAGE\r\n";
}

std::string WizardTest::BoundProgram(const std::string& info, bool bWithImages) {
    static int nCopy = 0;
    const std::string exe = PathIn("ZEP_WIN_" + std::to_string(++nCopy) + ".exe");
    WriteFile(PathIn("ZEPINFO.txt"), info);
    std::vector<std::string> args = {
        "append", "-o", exe, "--program", ZEP_WIN_EXE, "--info", PathIn("ZEPINFO.txt")};
    if (bWithImages) {
        std::string boot(600000, '\0'), lang(9000, '\0'); // many blocks, and a few
        for (size_t i = 0; i < boot.size(); ++i)
            boot[i] = char(i * 7 + 1);
        for (size_t i = 0; i < lang.size(); ++i)
            lang[i] = char(i * 13 + 5);
        WriteFile(PathIn("boot.bin"), boot);
        WriteFile(PathIn("lang.bin"), lang);
        args.push_back(PathIn("boot.bin"));
        args.push_back(PathIn("lang.bin"));
    }
    std::ostringstream out, err;
    EXPECT_EQ(ZEPBIND_EXIT_OK, RunZepBind(args, out, err)) << err.str();
    return exe;
}

HWND WizardTest::StartAtOpening(const std::string& exe) {
    wizard = std::make_unique<WizardProcess>();
    EXPECT_TRUE(wizard->Start(exe));
    HWND hPage = wizard->WaitPage(PAGE_OPENING);
    EXPECT_NE(nullptr, hPage);
    return hPage;
}

HWND WizardTest::GoToSelect() {
    HWND hOpening = wizard->WaitPage(PAGE_OPENING);
    Click(hOpening, 1005);
    HWND hPrepare = wizard->WaitPage(PAGE_PREPARE);
    EXPECT_NE(nullptr, hPrepare);
    Click(hPrepare, 1005);
    HWND hSelect = wizard->WaitPage(PAGE_SELECT);
    EXPECT_NE(nullptr, hSelect);
    return hSelect;
}

HWND WizardTest::GoToConfirmByAddress(HWND hSelect) {
    SetAddress(hSelect, 1008, 127, 0, 0, 1);
    Click(hSelect, 1005);
    HWND hConfirm = wizard->WaitPage(PAGE_CONFIRM);
    EXPECT_NE(nullptr, hConfirm);
    return hConfirm;
}
