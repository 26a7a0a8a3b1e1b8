// The console updater's pure parts: the progress-page rules, the status texts and result
// messages, the terminal and JSON output, and the command line.
#include "CliDisplay.h"
#include "CliFleetDisplay.h"
#include "CliJson.h"
#include "CliOptions.h"
#include "CliTargets.h"
#include "zepProgressRules.h"
#include "CliTexts.h"
#include "CliUpdate.h"
#include "CliCheck.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

namespace {

tag_devinfo Info(update_state state, uint32_t current = 0, uint32_t max = 0, bool query = true,
                 uint32_t idx = 1) {
    tag_devinfo info;
    info.UpdateState = state;
    info.dwCurrentSize = current;
    info.dwMaxSize = max;
    info.bSupportQureryUpdate = query;
    info.dwFirmIdx = idx;
    return info;
}

} // namespace

TEST(CliProgress, PercentRoundsThroughA64BitProduct) {
    EXPECT_EQ(-1, ProgressPercent(5, 0));
    EXPECT_EQ(0, ProgressPercent(0, 1000));
    EXPECT_EQ(50, ProgressPercent(500, 1000));
    EXPECT_EQ(1, ProgressPercent(5, 1000));                    // 0.5 rounds up
    EXPECT_EQ(0, ProgressPercent(4, 1000));                    // 0.4 rounds down
    EXPECT_EQ(100, ProgressPercent(0xFFFFFFFFu, 0xFFFFFFFFu)); // no overflow
    EXPECT_EQ(50, ProgressPercent(0x7FFFFFFFu, 0xFFFFFFFFu));
}

TEST(CliProgress, TransferAndWritingShareTheBarWhenTheDeviceReportsWriting) {
    ProgressPage page(1);
    EXPECT_EQ(5, page.View().nRangeMax);
    EXPECT_EQ("Connecting to the device...", StatusText(page.View()));

    EXPECT_FALSE(page.Tick(Info(CHECKVERSION_STATE)));
    EXPECT_EQ(0, page.View().nPosition);
    EXPECT_EQ(5, page.View().nRangeMax); // range unchanged
    EXPECT_EQ("Checking verison of firmware...", StatusText(page.View()));

    page.Tick(Info(TRANSFER_FIRM, 300, 1000));
    EXPECT_EQ(100, page.View().nRangeMax);
    EXPECT_EQ(15, page.View().nPosition);
    EXPECT_EQ("Preparing to update firmware...", StatusText(page.View()));

    page.Tick(Info(TRANSFER_FIRM, 1000, 1000)); // p/2 is 50: left as it was
    EXPECT_EQ(15, page.View().nPosition);

    page.Tick(Info(WRITING_FIRM, 250, 1000));
    EXPECT_EQ(62, page.View().nPosition); // 25 / 2 (toward zero) + 50
    EXPECT_EQ("Overwriting firmware in target device...", StatusText(page.View()));

    page.Tick(Info(WRITING_FIRM, 7, 0)); // no denominator: p is -1
    EXPECT_EQ(50, page.View().nPosition);
}

TEST(CliProgress, WholeBarIsTheTransferWithoutWritingReports) {
    ProgressPage page(2);
    page.Tick(Info(TRANSFER_FIRM, 400, 1000, false, 2));
    EXPECT_EQ(40, page.View().nPosition);
    EXPECT_EQ("Overwriting firmware 2 in target device...", StatusText(page.View()));
    page.Tick(Info(TRANSFER_FIRM, 1000, 1000, false, 2)); // p = 100: unchanged
    EXPECT_EQ(40, page.View().nPosition);
    page.Tick(Info(TRANSFER_FIRM, 5, 0, false, 2));
    EXPECT_EQ(-1, page.View().nPosition);
    EXPECT_EQ(0, page.View().FilledPercent());
}

TEST(CliProgress, OtherStatesChangeNothing) {
    ProgressPage page(1);
    page.Tick(Info(TRANSFER_FIRM, 300, 1000));
    ProgressView before = page.View();
    for (update_state s : {NORMALMODE_STATE, DOWNLOADMODE_STATE, END_FIRM_UPDATE})
        EXPECT_FALSE(page.Tick(Info(s, 999, 1000)));
    EXPECT_EQ(before, page.View());
}

TEST(CliProgress, PageEndsAtTheEndOrOnAFailure) {
    ProgressPage updated(1);
    tag_devinfo end = Info(END_UPDATE);
    end.dwUpdatedFirmNum = 1;
    EXPECT_TRUE(updated.Tick(end));
    EXPECT_EQ(RESULT_OK, updated.Result());
    EXPECT_EQ("Finishing...", StatusText(updated.View()));

    ProgressPage nothing(3);
    end.dwUpdatedFirmNum = 0;
    end.nResult = RESULT_NO_UPDATE;
    EXPECT_TRUE(nothing.Tick(end));
    EXPECT_EQ(RESULT_NO_UPDATE, nothing.Result());
    EXPECT_EQ("Finishing...", StatusText(nothing.View()));

    ProgressPage failed(1);
    tag_devinfo error = Info(TRANSFER_FIRM, 10, 100); // the result decides, not the phase
    error.nResult = RESULT_ERR_CONNECT;
    EXPECT_TRUE(failed.Tick(error));
    EXPECT_EQ(RESULT_ERR_CONNECT, failed.Result());
    EXPECT_EQ("Connecting to the device...", StatusText(failed.View()));

    ProgressPage skipped(1);
    tag_devinfo noUpdate = Info(CHECKVERSION_STATE);
    noUpdate.nResult = RESULT_NO_UPDATE; // not a failure
    EXPECT_FALSE(skipped.Tick(noUpdate));
}

TEST(CliTexts, NumberedFormsFollowTheFirmwareCount) {
    auto text = [](int id, uint32_t n) {
        ProgressView view;
        view.nStatusId = id;
        view.dwStatusNumber = n;
        return StatusText(view);
    };
    EXPECT_EQ("Checking verison of firmware...", text(STATUS_CHECKING_VERSION, 7));
    EXPECT_EQ("Checking verison of firmware 7...", text(STATUS_CHECKING_VERSION + 1, 7));
    EXPECT_EQ("Preparing to update firmware 12...", text(STATUS_PREPARING + 1, 12));
    EXPECT_EQ("Overwriting firmware 2 in target device...", text(STATUS_OVERWRITING + 1, 2));
    EXPECT_EQ("Finishing...", text(STATUS_FINISHING, 1));
    EXPECT_EQ(L"Firmware 42 of", FormatStatusText(std::wstring(L"Firmware %d of"), 42));
}

TEST(CliTexts, ResultMessagesByCodeAndExitOperation) {
    EXPECT_EQ(146, ResultMessageFor(RESULT_OK, DEF_NO_VALUE).nTextId);
    EXPECT_EQ(145, ResultMessageFor(RESULT_OK, DEF_YES_VALUE).nTextId);
    EXPECT_EQ(145, ResultMessageFor(RESULT_OK, DEF_BOTH_VALUE).nTextId);
    EXPECT_EQ(145, ResultMessageFor(RESULT_OK, DEF_ERROR_VALUE).nTextId);
    EXPECT_EQ(148, ResultMessageFor(RESULT_NO_UPDATE, DEF_NO_VALUE).nTextId);
    EXPECT_EQ(147, ResultMessageFor(RESULT_NO_UPDATE, DEF_YES_VALUE).nTextId);
    const int expected[] = {149, 150, 151, 152, 153, 154, 155, 156, 157};
    for (int code = -1; code >= -9; --code) {
        ResultMessage m = ResultMessageFor(code, DEF_NO_VALUE);
        EXPECT_EQ(expected[-code - 1], m.nTextId) << code;
        EXPECT_TRUE(m.bWarning);
        EXPECT_STREQ("Warning", EnglishText(m.nCaptionId));
    }
    for (int code : {-10, -12, 0, 2}) {
        ResultMessage m = ResultMessageFor(code, DEF_NO_VALUE);
        EXPECT_EQ(0, m.nTextId) << code;
        EXPECT_STREQ("", EnglishText(m.nTextId));
        EXPECT_STREQ("Warning", EnglishText(m.nCaptionId));
    }
    ResultMessage ok = ResultMessageFor(RESULT_OK, DEF_NO_VALUE);
    EXPECT_STREQ("Information", EnglishText(ok.nCaptionId));
    EXPECT_STREQ("Firmware update is complete.\nThe device will restart automatically.",
                 EnglishText(ok.nTextId));
    EXPECT_STREQ("An error occurred in this computer. Restart your computer, and then try to "
                 "update the firmware again.",
                 EnglishText(ResultMessageFor(RESULT_ERR_SYSTEM, DEF_NO_VALUE).nTextId));
}

TEST(CliOutcome, ExitCodesAndMessages) {
    UpdateOutcome ok = MakeOutcome(RESULT_OK, 2, false, DEF_YES_VALUE);
    EXPECT_EQ(0, ok.nExitCode);
    EXPECT_EQ("Firmware update is complete.\nRestart the device.", ok.strMessage);
    EXPECT_EQ(0, MakeOutcome(RESULT_NO_UPDATE, 0, false, DEF_NO_VALUE).nExitCode);
    UpdateOutcome failed = MakeOutcome(RESULT_ERR_MODEL, 0, false, DEF_NO_VALUE);
    EXPECT_EQ(1, failed.nExitCode);
    EXPECT_EQ("Warning", failed.strCaption);
    UpdateOutcome param = MakeOutcome(RESULT_ERR_PARAM, 0, false, DEF_NO_VALUE);
    EXPECT_EQ(1, param.nExitCode);
    EXPECT_EQ("The update ended with result -10.", param.strMessage);
    UpdateOutcome stopped = MakeOutcome(RESULT_OK, 1, true, DEF_NO_VALUE);
    EXPECT_EQ(1, stopped.nExitCode);
    EXPECT_EQ("Warning", stopped.strCaption);
    EXPECT_NE(std::string::npos, stopped.strMessage.find("stopped at your request"));
}

TEST(CliDisplay, TerminalLineIsRedrawnInPlaceAndPadded) {
    ProgressView view;
    view.nRangeMax = 100;
    view.nPosition = 50;
    view.nStatusId = STATUS_PREPARING;
    EXPECT_EQ("[###############...............]  50%  Preparing to update firmware...",
              ProgressDisplay::BarLine(view));

    std::ostringstream out, err;
    ProgressDisplay display(out, err, DisplayMode::TERMINAL);
    tag_devinfo info;
    display.Update(info, view);
    display.Update(info, view); // unchanged: nothing written
    ProgressView shorter = view;
    shorter.nStatusId = STATUS_FINISHING;
    shorter.nPosition = 120; // beyond the range: a full bar
    display.Update(info, shorter);
    display.Final(RESULT_OK, 1, false, "Information", "Done.");
    std::string longLine = ProgressDisplay::BarLine(view);
    std::string shortLine = ProgressDisplay::BarLine(shorter);
    EXPECT_EQ("\r" + longLine + "\r" + shortLine +
                  std::string(longLine.size() - shortLine.size(), ' ') + "\nInformation: Done.\n",
              out.str());
    EXPECT_NE(std::string::npos, shortLine.find("100%"));
    EXPECT_EQ("", err.str());
}

TEST(CliDisplay, LinesModeWritesOneLinePerChangeAndNoticesGoToErrors) {
    std::ostringstream out, err;
    ProgressDisplay display(out, err, DisplayMode::LINES);
    ProgressPage page(1);
    tag_devinfo info;
    display.Update(info, page.View());
    page.Tick(Info(TRANSFER_FIRM, 100, 1000));
    display.Update(info, page.View());
    display.Update(info, page.View());
    display.Notice("Stop requested.");
    display.Final(RESULT_ERR_BUSY, 0, false, "Warning", "Busy.");
    EXPECT_EQ("Connecting to the device... 0%\nPreparing to update firmware... 5%\n"
              "Warning: Busy.\n",
              out.str());
    EXPECT_EQ("Stop requested.\n", err.str());
}

TEST(CliJson, ProgressAndFinalObjects) {
    std::ostringstream out, err;
    ProgressDisplay display(out, err, DisplayMode::JSON);
    tag_devinfo info = Info(TRANSFER_FIRM, 4096, 10000);
    std::memcpy(info.FileName, "BOOTABLE", 8);
    ProgressPage page(1);
    page.Tick(info);
    display.Update(info, page.View());
    display.Update(info, page.View()); // same record: no second object
    display.Final(RESULT_OK, 1, false, "Information", "Line one.\nLine \"two\".");
    EXPECT_EQ("{\"state\":\"TRANSFER_FIRM\",\"file\":\"BOOTABLE\",\"current\":4096,\"max\":10000,"
              "\"image\":1,\"updated\":0,\"unconfirmed\":0,\"stop_waits_for_write\":false,"
              "\"result\":1,\"status\":\"Preparing to update firmware...\",\"percent\":20}\n"
              "{\"final\":true,\"result\":1,\"updated\":1,\"stopped\":false,\"message\":\"Line "
              "one.\\nLine \\\"two\\\".\",\"unconfirmed\":0}\n",
              out.str());
}

TEST(CliJson, StringsStayValidJsonWhateverTheBytes) {
    EXPECT_EQ("\"a\\\\b\\t\\u0001\"", JsonString("a\\b\t\x01"));
    EXPECT_EQ("\"caf\xC3\xA9\"", JsonString("caf\xC3\xA9"));            // UTF-8 kept
    EXPECT_EQ("\"caf\\u00e9\"", JsonString("caf\xE9"));                 // Latin-1 byte escaped
    EXPECT_EQ("\"\\u00ed\\u00a0\\u0080\"", JsonString("\xED\xA0\x80")); // no surrogates
    EXPECT_EQ("\"\\u00e2\\u0082\"", JsonString("\xE2\x82"));            // cut short
    EXPECT_EQ("{\"model\":\"HV 2000\",\"firmware\":[{\"type\":\"BOOTABLE\",\"version\":"
              "\"1.02\"},{\"type\":\"LANGUAGE\",\"version\":\"HV000300\"}]}",
              JsonListing("HV 2000", {{"BOOTABLE", "1.02"}, {"LANGUAGE", "HV000300"}}));
}

TEST(CliJson, FileNameWithoutTerminatorIsBounded) {
    tag_devinfo info;
    std::memset(info.FileName, 'A', sizeof info.FileName);
    std::string json = JsonProgress(info, ProgressView());
    EXPECT_NE(std::string::npos, json.find("\"file\":\"" + std::string(32, 'A') + "\""));
}

// --- Command line ---

namespace {

bool Parse(std::vector<const char*> args, CliOptions& options, std::string& error) {
    args.insert(args.begin(), "halvard");
    return ParseCliOptions(static_cast<int>(args.size()), args.data(), options, error);
}

std::string ParseError(std::vector<const char*> args) {
    CliOptions options;
    std::string error;
    EXPECT_FALSE(Parse(args, options, error));
    return error;
}

} // namespace

TEST(CliOptions, AcceptedForms) {
    CliOptions o;
    std::string error;
    ASSERT_TRUE(Parse({"--address", "192.168.0.10", "--json"}, o, error)) << error;
    EXPECT_EQ(std::vector<std::string>{"192.168.0.10"}, o.addresses);
    EXPECT_TRUE(o.bJson);
    EXPECT_FALSE(o.bHasPrinter);

    ASSERT_TRUE(
        Parse({"--port-name=IP_10.0.0.5", "--printer", "Office 2nd floor", "--package=/tmp/pkg"}, o,
              error))
        << error;
    EXPECT_EQ("IP_10.0.0.5", o.strPortName);
    EXPECT_EQ("Office 2nd floor", o.strPrinter);
    EXPECT_TRUE(o.bHasPrinter);
    EXPECT_EQ("/tmp/pkg", o.strPackage);

    ASSERT_TRUE(Parse({"--address", "10.0.0.1", "--address=10.0.0.2", "--targets", "office.txt",
                       "--jobs", "256", "--check"},
                      o, error))
        << error;
    EXPECT_EQ((std::vector<std::string>{"10.0.0.1", "10.0.0.2"}), o.addresses);
    EXPECT_EQ("office.txt", o.strTargetsFile);
    EXPECT_EQ(256u, o.nJobs);
    EXPECT_TRUE(o.bCheck);

    ASSERT_TRUE(Parse({"--devices", "--json"}, o, error));
    EXPECT_TRUE(o.bDevices);
    ASSERT_TRUE(Parse({"--list"}, o, error));
    EXPECT_TRUE(o.bList);
    EXPECT_FALSE(Parse({"--help", "--bogus"}, o, error)); // --help excuses nothing malformed
    ASSERT_TRUE(Parse({"--help"}, o, error));
    EXPECT_TRUE(o.bHelp);
}

TEST(CliOptions, RejectedForms) {
    EXPECT_EQ("no device: give --address, --port-name or --targets (or --list)", ParseError({}));
    EXPECT_EQ("unknown argument: --adress", ParseError({"--adress", "1.2.3.4"}));
    EXPECT_EQ("unknown argument: 1.2.3.4", ParseError({"1.2.3.4"}));
    EXPECT_EQ("--address needs a value", ParseError({"--address"}));
    EXPECT_EQ("--address needs a value", ParseError({"--address="}));
    EXPECT_EQ("--targets given twice", ParseError({"--targets", "a", "--targets=b"}));
    for (const char* jobs : {"0", "257", "-1", "4x", "99999999999"})
        EXPECT_EQ("--jobs takes a number from 1 to 256",
                  ParseError({"--address=1.2.3.4", "--jobs", jobs}));
    EXPECT_EQ("--devices takes no device", ParseError({"--devices", "--address", "1.2.3.4"}));
    EXPECT_EQ("--list takes no device", ParseError({"--list", "--check"}));
    EXPECT_EQ("--json given twice", ParseError({"--list", "--json", "--json"}));
    EXPECT_EQ("--json takes no value", ParseError({"--list", "--json=yes"}));
    EXPECT_EQ("give either --address or --port-name, not both",
              ParseError({"--address", "1.2.3.4", "--port-name", "P"}));
    EXPECT_EQ("--printer needs --port-name",
              ParseError({"--address", "1.2.3.4", "--printer", "Q"}));
    EXPECT_EQ("--list takes no device", ParseError({"--list", "--address", "1.2.3.4"}));
    EXPECT_EQ("not an IPv4 address: 1.2.3.256", ParseError({"--address", "1.2.3.256"}));
    // What the connection would refuse is refused here, with the reason.
    EXPECT_EQ("0.0.0.0 is in 0.0.0.0/8, which names no device",
              ParseError({"--address", "0.0.0.0"}));
    EXPECT_EQ("224.0.0.1 is a multicast address, not a device",
              ParseError({"--address", "224.0.0.1"}));
    std::string longName(256, 'p');
    EXPECT_EQ("names are limited to 255 characters", ParseError({"--port-name", longName.c_str()}));
}

TEST(CliOptions, IPv4Addresses) {
    for (const char* good : {"127.0.0.1", "0.0.0.0", "255.255.255.255", "010.1.1.1"})
        EXPECT_TRUE(IsIPv4Address(good)) << good;
    for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "1..3.4", "1.2.3.4.", " 1.2.3.4", "1.2.3.-4",
                            "1.2.3.4444", "a.b.c.d", "1.2.3.4 ", "+1.2.3.4"})
        EXPECT_FALSE(IsIPv4Address(bad)) << bad;
}

TEST(CliTargets, FileLinesAndDevicesNamedTwice) {
    EXPECT_EQ((std::vector<std::string>{"10.0.0.1", "IP_10.0.0.2", "USB001"}),
              ParseTargetsText("# office\r\n  10.0.0.1 \r\n\n\t# spare\nIP_10.0.0.2\nUSB001"));
    CliOptions options;
    options.addresses = {"10.0.0.1"};
    options.strPortName = "usb001";
    std::vector<FleetTarget> targets;
    std::string error;
    EXPECT_TRUE(CollectTargets(options, targets, error)) << error;
    options.addresses.push_back("10.0.0.1");
    EXPECT_FALSE(CollectTargets(options, targets, error));
    EXPECT_EQ("device given twice: 10.0.0.1", error);
    options.addresses.back() = "010.0.0.01"; // the same device, spelt otherwise
    EXPECT_FALSE(CollectTargets(options, targets, error));
    EXPECT_EQ("device given twice: 010.0.0.01", error);
    options.addresses.back() = "255.255.255.255"; // reads as an address, names no device
    EXPECT_FALSE(CollectTargets(options, targets, error));
    EXPECT_EQ("255.255.255.255 is the broadcast address, not a device", error);
    options.addresses.pop_back();
    options.strTargetsFile = "/nonexistent/targets.txt";
    EXPECT_FALSE(CollectTargets(options, targets, error));
    EXPECT_EQ("cannot read the targets file /nonexistent/targets.txt", error);
}

// The terminal block: the cursor goes back up over exactly the live lines drawn last, so a
// finished line lands above the running ones and nothing of a longer block is left below.
TEST(CliFleetDisplay, TerminalBlockRedrawsOnlyTheLiveLines) {
    std::ostringstream out, err;
    FleetDisplay display(out, err, DisplayMode::TERMINAL);
    display.Live(1, "b 10%");
    display.Live(0, "a 0%");
    display.Live(1, "b 20%");
    display.EndLive(0, "a: done");
    display.EndLive(1, "b: done");
    EXPECT_EQ("b 10%\n"
              "\x1b[1F\x1b[Ja 0%\nb 10%\n"
              "\x1b[2F\x1b[Ja 0%\nb 20%\n"
              "\x1b[2F\x1b[Ja: done\nb 20%\n"
              "\x1b[1F\x1b[Jb: done\n",
              out.str());
    EXPECT_EQ("", err.str());
}

// A device's TargetInfo.txt reaches the administrator's terminal: its escape sequences are shown,
// never sent; the JSON form escapes them as ever.
TEST(CliCheckReport, DeviceTextsCarryNoControlCharacters) {
    CheckReport report;
    report.bRead = true;
    ImageVerdict image;
    image.strType = "BOOT\x1b[2J";
    image.strFile = "boot.bin";
    image.strDeviceVersion = "HV\x1b]0;owned\x07"
                             "001100";
    image.strPackageVersion = "HV001200";
    image.pszVerdict = "send";
    report.images.push_back(image);
    report.strModel = "HV2000\x1b[0m";
    const std::string text = CheckReportText("10.0.0.1\r", report);
    EXPECT_EQ(std::string::npos, text.find_first_of("\x1b\x07\r")) << text;
    EXPECT_NE(std::string::npos, text.find("HV\\x1b]0;owned\\x07001100")) << text;
    const std::string json = CheckReportJson("10.0.0.1", report, "\"signer\":\"unsigned\"");
    EXPECT_EQ(std::string::npos, json.find('\x1b')) << json;
    EXPECT_NE(std::string::npos, json.find("\\u001b")) << json;
    EXPECT_NE(std::string::npos, json.find("\"model\":\"HV2000\\u001b[0m\"")) << json;
    EXPECT_NE(std::string::npos, json.find(",\"signer\":\"unsigned\"}")) << json;
}
