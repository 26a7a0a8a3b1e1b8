// Common ground of the macOS window tests: a bound package per test, the system version and
// the driver-folder roots set, alerts answered from a script and the quit counted, queues in
// the private CUPS scheduler, and the window controller driven in-process.
#pragma once

#import <AppKit/AppKit.h>

#import "MainWindowController.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

struct ShownAlert {
    int nStyle;
    std::string title;
    std::string message;
};

class MacWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // ZEPINFO.txt rows of the sample release (one MACOS row) plus extra rows, and images of the
    // two VERSION rows bound into a package the next controller reads.
    void UsePackage(const std::string& extraRows = "", int nPort = 48350);
    MainWindowController* Open();

    id Outlet(const char* name) const {
        return [m_controller valueForKey:[NSString stringWithUTF8String:name]];
    }
    NSString* SelectedPage() const;
    // The localized text of a key, as the window shows it.
    static std::string Text(const char* key);

    // Runs the main loop until the application quits or the time is up.
    void RunUntilQuit(double seconds);

    // A queue in the private scheduler, with a PPD whose NickName is the make and model.
    void AddQueue(const std::string& name, const std::string& uri, const std::string& makeModel);
    std::string Dir() const { return m_dir; }

    static std::vector<ShownAlert> alerts;
    static std::deque<int> answers; // empty: the default button
    static int quits;

    MainWindowController* m_controller = nil;
    std::vector<unsigned char> m_boot, m_lang;

private:
    static int FakeAlert(int nStyle, NSString* title, NSString* message, NSString* defaultButton,
                         NSString* otherButton);
    static void FakeQuit();

    std::string m_dir;
    std::vector<std::string> m_queues;
};

inline std::string MacStr(NSString* s) {
    return s != nil ? std::string([s UTF8String]) : std::string("(nil)");
}
#define MAC_STR(s) MacStr(s)
#define EXPECT_NSEQ(a, b) EXPECT_EQ(MacStr(a), MacStr(b))
#define ASSERT_NSEQ(a, b) ASSERT_EQ(MacStr(a), MacStr(b))
