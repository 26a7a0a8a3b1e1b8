// The wizard's pages under Wine, driven from outside: what each page shows, what Next and Back
// keep or forget, the confirmations, the start-up gates and the printer list from the spooler.
#include "WizardFixture.h"

#include <commctrl.h>

namespace {

const char kTitle[] = "Torvi Halvard";

RECT WindowRect(HWND hWnd) {
    RECT rect = {};
    GetWindowRect(hWnd, &rect);
    return rect;
}

} // namespace

TEST_F(WizardTest, OpeningPageShowsThePackageAndCancelAsks) {
    HWND hOpening = StartAtOpening(BoundProgram(SampleInfo()));
    ASSERT_NE(nullptr, hOpening);
    EXPECT_EQ(kTitle, Text(hOpening));
    EXPECT_EQ("Halvard HV-2000", ItemText(hOpening, 1000));
    EXPECT_EQ("Halvard Version " HALVARD_VERSION, ItemText(hOpening, 1010));
    const auto rows = ListRows(GetDlgItem(hOpening, 1019), 2);
    ASSERT_EQ(2u, rows.size());
    EXPECT_EQ((std::vector<std::string>{"BOOTABLE", "HV001200"}), rows[0]);
    EXPECT_EQ((std::vector<std::string>{"LANGUAGE", "HV000310"}), rows[1]);
    EXPECT_EQ(nullptr, GetDlgItem(hOpening, 3)) << "the opening page has no Back button";

    Click(hOpening, IDCANCEL);
    HWND hAsk = wizard->WaitMessage();
    ASSERT_NE(nullptr, hAsk);
    EXPECT_EQ("Warning", Text(hAsk));
    EXPECT_EQ(0u, MessageText(hAsk).find("Update has not been completed."));
    ASSERT_TRUE(Answer(hAsk, IDNO));
    EXPECT_TRUE(IsWindowVisible(hOpening)) << "No leaves the page open";
    Post(hOpening, WM_COMMAND, IDCANCEL); // Escape asks as well
    hAsk = wizard->WaitMessage();
    ASSERT_NE(nullptr, hAsk);
    ASSERT_TRUE(Answer(hAsk, IDYES));
    DWORD dwCode = 1;
    EXPECT_TRUE(wizard->WaitExit(10000, &dwCode));
    EXPECT_EQ(0u, dwCode);
}

TEST_F(WizardTest, NextAndBackKeepTheAddressUntilThePreparationPage) {
    StartAtOpening(BoundProgram(SampleInfo()));
    HWND hSelect = GoToSelect();
    ASSERT_NE(nullptr, hSelect);
    // No queue matches: only the address can be given.
    EXPECT_EQ(0u, ListRows(GetDlgItem(hSelect, 1002), 2).size());
    EXPECT_TRUE(ItemChecked(hSelect, 1007));
    EXPECT_FALSE(ItemEnabled(hSelect, 1006));
    EXPECT_FALSE(ItemEnabled(hSelect, 1002));
    EXPECT_TRUE(ItemEnabled(hSelect, 1008));

    Click(hSelect, 1005); // blank address
    HWND hBlank = wizard->WaitMessage();
    ASSERT_NE(nullptr, hBlank);
    EXPECT_EQ("The IP address is not entered. Enter the IP address.", MessageText(hBlank));
    EXPECT_EQ("Warning", Text(hBlank));
    ASSERT_TRUE(Answer(hBlank, IDOK));
    EXPECT_TRUE(IsWindowVisible(hSelect));

    // The window moved by the user: the next page opens where this one was left.
    SetWindowPos(hSelect, nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    HWND hConfirm = GoToConfirmByAddress(hSelect);
    ASSERT_NE(nullptr, hConfirm);
    EXPECT_EQ(40, WindowRect(hConfirm).left);
    EXPECT_EQ(30, WindowRect(hConfirm).top);
    EXPECT_EQ("Halvard HV-2000", ItemText(hConfirm, 1014));
    EXPECT_EQ("127.0.0.1", ItemText(hConfirm, 1015));
    EXPECT_EQ(0u, ItemText(hConfirm, 1016).find("This software program will update the firmware"));
    EXPECT_EQ("&Start", ItemText(hConfirm, 1005));

    Click(hConfirm, 3);
    hSelect = wizard->WaitPage(PAGE_SELECT);
    ASSERT_NE(nullptr, hSelect);
    EXPECT_TRUE(ItemChecked(hSelect, 1007));
    EXPECT_EQ("127.0.0.1", ItemText(hSelect, 1008));
    Click(hSelect, 3);
    HWND hPrepare = wizard->WaitPage(PAGE_PREPARE);
    ASSERT_NE(nullptr, hPrepare);
    EXPECT_FALSE(ItemVisible(hPrepare, 1021)) << "NEEDENTEROPERATION is not YES";
    Click(hPrepare, 1005);
    hSelect = wizard->WaitPage(PAGE_SELECT);
    ASSERT_NE(nullptr, hSelect);
    EXPECT_NE(0, SendDlgItemMessageA(hSelect, 1008, IPM_ISBLANK, 0, 0)) << "address forgotten";
}

TEST_F(WizardTest, StartConfirmationAsksAgainUntilCancelled) {
    std::string info = SampleInfo() + "ALLOWVERSIONDOWN YES\r\nNEEDENTEROPERATION YES\r\n";
    StartAtOpening(BoundProgram(info));
    Click(wizard->WaitPage(PAGE_OPENING), 1005);
    HWND hPrepare = wizard->WaitPage(PAGE_PREPARE);
    ASSERT_NE(nullptr, hPrepare);
    EXPECT_TRUE(ItemVisible(hPrepare, 1021));
    Click(hPrepare, 1005);
    HWND hConfirm = GoToConfirmByAddress(wizard->WaitPage(PAGE_SELECT));
    ASSERT_NE(nullptr, hConfirm);
    Click(hConfirm, 1005);
    for (int round = 0; round < 2; ++round) { // the start confirmation comes back by itself
        HWND hStart = wizard->WaitMessage();
        ASSERT_NE(nullptr, hStart);
        EXPECT_EQ(0u, MessageText(hStart).find("Update cannot be stopped once it starts. If you "
                                               "continue this operation, the version"))
            << "the downgrade form";
        ASSERT_TRUE(Answer(hStart, IDNO));
        HWND hCancel = wizard->WaitMessage();
        ASSERT_NE(nullptr, hCancel);
        EXPECT_EQ(0u, MessageText(hCancel).find("Update has not been completed."));
        ASSERT_TRUE(Answer(hCancel, round == 0 ? IDNO : IDYES));
    }
    EXPECT_TRUE(wizard->WaitExit(10000));
}

TEST_F(WizardTest, StartupGates) {
    const std::string exe = BoundProgram(SampleInfo());
    HWND hFirst = StartAtOpening(exe);
    ASSERT_NE(nullptr, hFirst);
    {
        WizardProcess second;
        ASSERT_TRUE(second.Start(exe));
        EXPECT_TRUE(second.WaitExit(10000)) << "a second copy ends at once";
        EXPECT_TRUE(second.Windows().empty());
    }
    EXPECT_TRUE(wizard->Running());
    wizard.reset();

    struct Case {
        std::string info;
        bool bImages;
        bool bMessage;
    } const cases[] = {
        {"PLATFORMVERSION WINNT=10.0\r\nMODELNAME X\r\n", true, true}, // Wine reports 6.1
        {"MODELNAME X\r\n", true, true}, // no row: the built-in NT range ends at 5.2
    };
    for (const Case& c : cases) {
        WizardProcess run;
        ASSERT_TRUE(run.Start(BoundProgram(c.info, c.bImages)));
        if (c.bMessage) {
            HWND hBox = run.WaitMessage();
            ASSERT_NE(nullptr, hBox);
            EXPECT_EQ("Critical", Text(hBox));
            EXPECT_EQ(0u, MessageText(hBox).find("Cannot correctly run this software on the "
                                                 "current operating system."));
            EXPECT_TRUE(Answer(hBox, IDOK));
        }
        EXPECT_TRUE(run.WaitExit(10000));
    }
    WizardProcess bare; // the program as built carries no package
    ASSERT_TRUE(bare.Start(ZEP_WIN_EXE));
    EXPECT_TRUE(bare.WaitExit(10000));
    EXPECT_TRUE(bare.Windows().empty());
}

TEST_F(WizardTest, PrinterListOffersQueuesOfThePackagesDriver) {
    SpoolerQueueKey ours("Halvard Office", "IP_127.0.0.1", "Halvard HV-2000 PCL6");
    SpoolerQueueKey other("Other Office", "IP_127.0.0.2", "Other Driver");
    StartAtOpening(BoundProgram(SampleInfo()));
    HWND hSelect = GoToSelect();
    ASSERT_NE(nullptr, hSelect);
    HWND hList = GetDlgItem(hSelect, 1002);
    const auto rows = ListRows(hList, 2);
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ((std::vector<std::string>{"Halvard Office", "IP_127.0.0.1"}), rows[0]);
    EXPECT_TRUE(ItemChecked(hSelect, 1006));
    EXPECT_FALSE(ItemEnabled(hSelect, 1008));
    EXPECT_EQ(0, SelectedRow(hList));

    Click(hSelect, 1005);
    HWND hConfirm = wizard->WaitPage(PAGE_CONFIRM);
    ASSERT_NE(nullptr, hConfirm);
    EXPECT_EQ("Halvard Office", ItemText(hConfirm, 1014));
    EXPECT_EQ("IP_127.0.0.1", ItemText(hConfirm, 1015));
    Click(hConfirm, 3);
    hSelect = wizard->WaitPage(PAGE_SELECT);
    ASSERT_NE(nullptr, hSelect);
    EXPECT_TRUE(ItemChecked(hSelect, 1006)) << "the chosen row is kept";
    EXPECT_EQ(0, SelectedRow(GetDlgItem(hSelect, 1002)));
    Click(hSelect, 1007); // the address mode enables the address and disables the list
    EXPECT_TRUE(WaitFor([&] { return ItemEnabled(hSelect, 1008); }, 5000));
    EXPECT_FALSE(ItemEnabled(hSelect, 1002));
}
