// The main window's pages: the system gate, the address cells, the radio cells and the
// confirmations, driven through the controller's actions and the address control's editor.
#import "MacWindowFixture.h"

#import "InputNSMatrixControl.h"
#import "InputNSMatrixControl.h"
#import "ZepAlert.h"

#include "zep_etc.h"

TEST_F(MacWindowTest, SystemGate) {
    struct Case {
        const char* rows;
        long version;
        bool refused;
    } const cases[] = {
        {"PLATFORMVERSION MACOS=1040\r\n", 0x1039, true},
        {"PLATFORMVERSION MACOS=1040\r\n", 0x1040, false},
        {"PLATFORMVERSION MACOS=1040 1049\r\n", 0x1050, true},
        {"PLATFORMVERSION WINNT=5.0\r\n", 0x1090, true}, // no MACOS row: every system refused
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows);
        alerts.clear();
        quits = 0;
        UsePackage(c.rows);
        set_system_version_for_test(c.version);
        Open();
        EXPECT_EQ(c.refused ? 1 : 0, quits);
        ASSERT_EQ(c.refused ? 1u : 0u, alerts.size());
        if (c.refused) {
            EXPECT_EQ(Text("ZEP_UnSupportOS_Title"), alerts[0].title);
            EXPECT_EQ(ZEP_ALERT_CRITICAL, alerts[0].nStyle);
        } else {
            EXPECT_NSEQ(@"OpeningPage", SelectedPage());
            EXPECT_EQ(2, [Outlet("_firmInfoTblView") numberOfRows]);
            EXPECT_EQ("Halvard HV-2000", MAC_STR([Outlet("_targetDeviceTxt") stringValue]));
        }
    }
}

namespace {

// Types into the address control's field editor as a user would.
void Type(InputNSMatrixControl* cells, NSString* text) {
    for (NSUInteger i = 0; i < [text length]; ++i)
        [(NSTextView*)[cells currentEditor] insertText:[text substringWithRange:NSMakeRange(i, 1)]];
}

std::string Values(InputNSMatrixControl* cells) {
    return MAC_STR([[cells cellValueArray] componentsJoinedByString:@"."]);
}

} // namespace

TEST_F(MacWindowTest, AddressCells) {
    Open();
    [m_controller showSelectDevicePage:nil]; // no queues: the address is chosen
    EXPECT_NSEQ(@"SelectDevice1", SelectedPage());
    EXPECT_EQ(NSOnState, [Outlet("_assignIPAddressBtnCell") state]);
    EXPECT_FALSE([Outlet("_assignPrtNameBtnCell") isEnabled]);
    InputNSMatrixControl* cells = Outlet("_IPAddressMatrix");
    ASSERT_TRUE([cells currentEditor] != nil);

    Type(cells, @"30x"); // a letter is refused
    EXPECT_EQ(0, [cells selectedColumn]);
    Type(cells, @"0"); // 300 is capped, and the full cell moves on
    EXPECT_EQ(1, [cells selectedColumn]);
    Type(cells, @"7");
    [cells selectTextAtRow:0 column:3];
    Type(cells, @"1234"); // the last cell takes three digits
    EXPECT_EQ("255.7.0.123", Values(cells));

    [cells setCellValue:[NSArray arrayWithObjects:@"0", @"", @"0", @"0", nil]];
    [m_controller inputCheckAndShowPrepPage:nil];
    ASSERT_EQ(1u, alerts.size());
    EXPECT_EQ(Text("Device_AlertInputAddressTitle"), alerts[0].title);
    EXPECT_NSEQ(@"SelectDevice1", SelectedPage());

    [cells setCellValue:[NSArray arrayWithObjects:@"10", @"", @"0", @"9", nil]];
    [m_controller inputCheckAndShowPrepPage:nil];
    EXPECT_NSEQ(@"ConfirmationScreen", SelectedPage());
    EXPECT_EQ("10.0.0.9", MAC_STR([Outlet("_portNameTxt") stringValue]));
    EXPECT_EQ("Halvard HV-2000", MAC_STR([Outlet("_targetDevNameTxt") stringValue]));
}

TEST_F(MacWindowTest, ClickIntoTheAddressChoosesIt) {
    AddQueue("office", "lpd://127.0.0.1/office", "Halvard HV-2000 PCL6");
    Open();
    [m_controller showSelectDevicePage:nil];
    EXPECT_EQ(NSOnState, [Outlet("_assignPrtNameBtnCell") state]);
    EXPECT_EQ(0, [Outlet("_prtListTblView") selectedRow]);
    [[Outlet("_mainwindow") contentView] window];
    [Outlet("_mainwindow") makeFirstResponder:Outlet("_IPAddressMatrix")];
    EXPECT_EQ(NSOnState, [Outlet("_assignIPAddressBtnCell") state]);
    EXPECT_EQ(NSOffState, [Outlet("_assignPrtNameBtnCell") state]);
    EXPECT_EQ(-1, [Outlet("_prtListTblView") selectedRow]);
}

TEST_F(MacWindowTest, Confirmations) {
    struct Case {
        const char* rows;
        std::deque<int> answers;
        const char* firstTitle;
        int quits;
    } const cases[] = {
        // NO to the start, NO to the cancel: the confirmation page stays
        {"", {ZEP_ALERT_OTHER, ZEP_ALERT_OTHER}, "Confirmation_Normal_Title", 0},
        {"ALLOWVERSIONDOWN YES\r\n",
         {ZEP_ALERT_OTHER, ZEP_ALERT_DEFAULT},
         "Confirmation_VerDown_Title",
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows);
        UsePackage(c.rows);
        Open();
        [m_controller showSelectDevicePage:nil];
        [Outlet("_IPAddressMatrix")
            setCellValue:[NSArray arrayWithObjects:@"127", @"0", @"0", @"1", nil]];
        [m_controller inputCheckAndShowPrepPage:nil];
        alerts.clear();
        quits = 0;
        answers = c.answers;
        [m_controller startUpdate:nil];
        ASSERT_EQ(2u, alerts.size());
        EXPECT_EQ(Text(c.firstTitle), alerts[0].title);
        EXPECT_EQ(Text("Cancel_MesTitle"), alerts[1].title);
        EXPECT_EQ(c.quits, quits);
        EXPECT_NSEQ(@"ConfirmationScreen", SelectedPage());
    }
}
