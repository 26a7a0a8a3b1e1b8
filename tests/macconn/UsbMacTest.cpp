// The macOS USB transport and port list over the simulated bus: which interfaces are listed and
// under which URI, which device a URI opens, retries on exclusive access, and the transfer rules
// (replies awaited at new tenths, a read left outstanding, a reply read without a request).
#include "DevConnMgr.h"
#include "DevConnUSB_mac.h"
#include "LoopbackPeer.h"
#include "MacUsbSimBus.h"
#include "TestFiles.h"
#include "zepClock.h"
#include "zepInfo.h"
#include "zepWire.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

std::vector<unsigned long> g_pauses;

// Bus lines are written with '|' between fields.
std::string Fields(std::string line) {
    std::replace(line.begin(), line.end(), '|', '\t');
    return line;
}

class MacUsbTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_pauses.clear();
        m_prevSleep = ZepSetSleepHook([](unsigned long ms) { g_pauses.push_back(ms); });
        Info("DEVICEIDMODELNAME HV-2000\r\n");
        TakeSimUsbOpenAttempts();
    }
    void TearDown() override {
        unsetenv("HALVARD_USB_BUS");
        SetSimUsbResetHook(nullptr);
        ZepSetSleepHook(m_prevSleep);
    }

    static void Info(std::string text) {
        g_ZepInfo.loadData(&text[0], static_cast<unsigned long>(text.size()), ZEP_INFO_FILETYPE);
    }

    void Bus(const std::vector<std::string>& lines) {
        std::string text = "# test bus\n";
        for (const std::string& l : lines)
            text += Fields(l) + "\n";
        WriteFileText(m_dir.Path("bus"), text);
        setenv("HALVARD_USB_BUS", m_dir.Path("bus").c_str(), 1);
    }

    static std::vector<std::string> Ports() {
        _PORT_INFO_1A* pPorts = nullptr;
        const int n = DevConnMgr::Instance()->EnumUsbPort(&pPorts);
        std::vector<std::string> names;
        for (int i = 0; i < n; ++i)
            names.push_back(pPorts[i].pName);
        DevConnMgr::Instance()->FreeUsbPort(pPorts);
        return names;
    }

    static std::string Tcp(const LoopbackPeer& peer) {
        return "|tcp=127.0.0.1:" + std::to_string(peer.Port());
    }

    TempDir m_dir;
    ZepSleepFn m_prevSleep = nullptr;
};

// Exposes the transfer primitives.
class UsbConn : public DevConnUSB {
public:
    using DevConnUSB::IsSendFileCheck;
    using DevConnUSB::ReadPort;
};

std::vector<BYTE> SendFileBlock(uint32_t dwSent, uint32_t dwTotal, uint16_t wEnd = ZEP_END_MORE) {
    TAG_CMDSENDFILE head = {};
    head.Header.CommandCode.set(ZEP_CMD_SENDFILE);
    head.Header.DataLength.set(sizeof head - sizeof head.Header + 4);
    head.EndNotice.set(wEnd);
    head.TransmittedSize.set(dwSent);
    head.TotalTransmitSize.set(dwTotal);
    head.LengthOfSendData.set(4);
    std::vector<BYTE> block(sizeof head + 4, 0xAB);
    std::memcpy(block.data(), &head, sizeof head);
    return block;
}

TEST_F(MacUsbTest, PortListHoldsExactlyTheMakersPrinterInterfaces) {
    const std::string longName(100, '\xE9'); // escapes to 300 characters: no room in a URI
    Bus({
        "vendor=maker|product=3|class=7|serial=0123|device-id=MFG:Maker;MDL:Model X;",
        "vendor=0x1234|class=7|serial=0123|device-id=MFG:Maker;MDL:Model X;",
        "vendor=maker|class=8|serial=0123|device-id=MFG:Maker;MDL:Model X;",
        "vendor=maker|class=7|serial=77|device-id=MFG:Torvi;CMD:PCL;MDL:AB/12 (x);|exclusive=2",
        "vendor=maker|class=7|serial=5|vendor-name=Torvi|product-name=HV 2000",
        "vendor=maker|class=7|serial=6|vendor-name=Torvi",
        "vendor=maker|class=7|no-parent|device-id=MFG:Torvi;MDL:HV-2000;",
        "vendor=maker|class=7|no-serial|device-id=MFG:Torvi;MDL:HV-2000;",
        "vendor=0x4C2F|class=7|serial=8|device-id=MFG:Torvi;MODEL:\xC3\x9C;",
        "vendor=maker|class=7|serial=9|device-id=MDL:X;",
        "vendor=maker|class=7|serial=L|device-id=MFG:Torvi;MDL:" + longName + ";",
    });
    EXPECT_EQ((std::vector<std::string>{
                  "usb://Maker/Model%20X?serial=0123",
                  "usb://Torvi/AB%2F12%20%28x%29?serial=77",
                  "usb://Torvi/HV%202000?serial=5",
                  "usb://Torvi/%C3%9C?serial=8",
                  "usb:///X?serial=9",
              }),
              Ports());
    // The device held by another program was asked again after a pause each time.
    EXPECT_EQ(2, std::count(g_pauses.begin(), g_pauses.end(), 1000ul));
    Bus({});
    EXPECT_TRUE(Ports().empty());
    unsetenv("HALVARD_USB_BUS");
    EXPECT_TRUE(Ports().empty());
}

const char* const kPrinterA = "vendor=maker|class=7|serial=A|device-id=MFG:Torvi;MDL:HV-2000;";
const char* const kPrinterB = "vendor=maker|class=7|serial=B|device-id=MFG:Torvi;MDL:HV-2000;";
const char* const kPrinterLong =
    "vendor=maker|class=7|serial=ABCDEF|device-id=MFG:Torvi;MDL:HV-2000;";
std::string g_busPath;
std::string g_busAfterReset;

TEST_F(MacUsbTest, PrinterAttachedOrRemovedBetweenThePassesNeverOverrunsTheList) {
    g_busPath = m_dir.Path("bus");
    const struct {
        std::vector<std::string> before, after;
        std::vector<std::string> listed;
    } cases[] = {
        {{kPrinterA}, {kPrinterB, kPrinterA}, {"usb://Torvi/HV-2000?serial=B"}},
        {{kPrinterA, kPrinterB}, {kPrinterB}, {"usb://Torvi/HV-2000?serial=B"}},
        {{kPrinterA}, {kPrinterLong}, {}}, // its URI needs more text than was counted
        {{kPrinterA}, {}, {}},
    };
    for (const auto& c : cases) {
        Bus(c.before);
        g_busAfterReset.clear();
        for (const std::string& line : c.after)
            g_busAfterReset += Fields(line) + "\n";
        SetSimUsbResetHook([] { WriteFileText(g_busPath, g_busAfterReset); });
        EXPECT_EQ(c.listed, Ports());
    }
}

TEST_F(MacUsbTest, UriOpensOnlyTheDeviceWithItsSerialAndAPackageModel) {
    const std::string kOther = "vendor=0x1234|class=7|serial=S1|device-id=MFG:Torvi;MDL:HV-2000;";
    const std::string kWrongSerial = "vendor=maker|class=7|serial=S2|device-id=MFG:Torvi;MDL:HV-2000;";
    const std::string kRight = "vendor=maker|class=7|serial=S1|device-id=MFG:Torvi;MDL:HV-2000;";
    const std::string kRemark = "vendor=maker|class=7|serial=S1|device-id=MFG:Torvi;MDL:HV2000 (x);";
    const std::string kNoParent = "vendor=maker|class=7|no-parent|device-id=MFG:Torvi;MDL:HV-2000;";
    const char* const kIdModels = "DEVICEIDMODELNAME HV-2000\r\nTGMNAME HV2000\r\n";
    const char* const kTgmOnly = "TGMNAME HV2000\r\n";
    const struct {
        const char* what;
        const char* info;
        std::vector<std::string> bus;
        const char* uri;
        int rc;
        std::string opened; // the printer whose interface stays open
    } cases[] = {
        {"serial and model", kIdModels, {kOther, kWrongSerial, kRight}, "usb://T/HV-2000?serial=S1", 0, kRight},
        {"serial differs", kIdModels, {kOther, kWrongSerial}, "usb://T/HV-2000?serial=S1", -8, ""},
        {"model differs", "DEVICEIDMODELNAME HV-3000\r\n", {kRight}, "usb://T/HV-2000?serial=S1", -8, ""},
        {"TGMNAME, model with a remark", kTgmOnly, {kRemark}, "usb://T/HV2000?serial=S1", 0, kRemark},
        {"device-ID models need an exact match", kIdModels, {kRemark}, "usb://T/HV2000?serial=S1", -8, ""},
        {"no model keys", "MODELNAME HV2000\r\n", {kRight}, "usb://T/HV-2000?serial=S1", -8, ""},
        {"no parent: serial not tested", kIdModels, {kNoParent}, "usb://T/HV-2000?serial=S9", 0, kNoParent},
        {"no serial=", kIdModels, {kRight}, "usb://T/HV-2000?S1", -8, ""},
        {"no '?' after the product", kIdModels, {kRight}, "usb://T/HV-2000serial=S1", -8, ""},
        {"no product", kIdModels, {kRight}, "usb://T?serial=S1", -8, ""},
        {"no scheme", kIdModels, {kRight}, "usb:/T/HV-2000?serial=S1", -8, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Info(c.info);
        Bus(c.bus);
        DevConnUSB conn;
        ASSERT_EQ(c.rc, conn.Connect(nullptr, c.uri, 0));
        const std::vector<std::string> attempts = TakeSimUsbOpenAttempts();
        EXPECT_EQ(0, std::count(attempts.begin(), attempts.end(), Fields(kOther)))
            << "another vendor's printer was opened";
        if (c.rc == 0) {
            EXPECT_EQ(Fields(c.opened), attempts.back());
            EXPECT_EQ(0, conn.Disconnect());
        }
    }
}

TEST_F(MacUsbTest, DeviceHeldByAnotherProgramIsTriedFiveTimesASecondApart) {
    const struct {
        int refusals;
        int rc;
        size_t pauses;
    } cases[] = {{4, 0, 4}, {5, -8, 5}};
    for (const auto& c : cases) {
        // Each open for the device-ID request and the connection's own open refused in turn.
        Bus({"vendor=maker|class=7|serial=S1|device-id=MFG:Torvi;MDL:HV-2000;|exclusive=" +
             std::to_string(c.refusals)});
        g_pauses.clear();
        DevConnUSB conn;
        EXPECT_EQ(c.rc, conn.Connect(nullptr, "usb://T/HV-2000?serial=S1", 0));
        EXPECT_EQ(std::vector<unsigned long>(c.pauses, 1000), g_pauses);
        if (c.rc == 0)
            conn.Disconnect();
        TakeSimUsbOpenAttempts();
    }
}

TEST_F(MacUsbTest, RepliesAreAwaitedOnlyWhenATransferReachesANewTenth) {
    UsbConn conn;
    std::vector<int> awaited;
    for (uint32_t k = 0; k < 100; ++k) {
        std::vector<BYTE> block = SendFileBlock(k * 4156, 100 * 4156);
        if (conn.IsSendFileCheck(block.data(), static_cast<DWORD>(block.size())))
            awaited.push_back(static_cast<int>(k));
    }
    EXPECT_EQ((std::vector<int>{0, 10, 20, 30, 40, 50, 60, 70, 80, 90}), awaited);
    // Anything but an intermediate block, and a block of an empty total, is always awaited.
    std::vector<BYTE> last = SendFileBlock(99 * 4156, 100 * 4156, ZEP_END_FINAL);
    std::vector<BYTE> empty = SendFileBlock(0, 0);
    std::vector<BYTE> huge = SendFileBlock(0xF0000000u, 0xF0000001u); // 99%: no overflow
    EXPECT_TRUE(conn.IsSendFileCheck(nullptr, 0));
    EXPECT_TRUE(conn.IsSendFileCheck(last.data(), static_cast<DWORD>(last.size())));
    EXPECT_TRUE(conn.IsSendFileCheck(empty.data(), static_cast<DWORD>(empty.size())));
    EXPECT_FALSE(conn.IsSendFileCheck(huge.data(), static_cast<DWORD>(huge.size())));
}

TEST_F(MacUsbTest, TransferOverTheBulkPipes) {
    const std::vector<BYTE> block = SendFileBlock(5 * 4156, 100 * 4156);
    std::vector<uint8_t> reply = {0x00, 0x00, 0x50, 0x02, 0x00, 0x00, 0x00, 0x0C};
    reply.resize(20, 0x11);
    LoopbackPeer peer;
    peer.Receive(block.size()).Pause(100).Send(reply).Receive(block.size()).Close();
    peer.Start();
    Bus({"vendor=maker|class=7|serial=S1|device-id=MFG:Torvi;MDL:HV-2000;" + Tcp(peer),
         "vendor=maker|class=7|serial=S2"});
    UsbConn conn;
    ASSERT_EQ(0, conn.Connect(nullptr, "usb://T/HV-2000?serial=S1", 0));
    ASSERT_EQ(0, conn.SetTimeout(3000));

    LPSTR pModel = nullptr;
    DWORD dwSize = 0;
    ASSERT_EQ(0, conn.GetModelName(&pModel, &dwSize));
    EXPECT_STREQ("HV-2000", pModel);
    EXPECT_EQ(8u, dwSize);

    // A block that does not reach a new tenth: sent, no reply awaited, a 20 ms pause.
    PBYTE pReply = nullptr;
    DWORD dwReply = 0;
    EXPECT_EQ(0, conn.SendRecvData(const_cast<PBYTE>(block.data()),
                                   static_cast<DWORD>(block.size()), &pReply, &dwReply));
    EXPECT_EQ(nullptr, pReply);
    EXPECT_EQ(std::vector<unsigned long>{20}, g_pauses);

    // Nothing yet: the read stays outstanding, and a call without a request collects it.
    BYTE buf[8];
    DWORD dwGot = 99;
    EXPECT_TRUE(conn.ReadPort(buf, sizeof buf, &dwGot, 10));
    EXPECT_EQ(0u, dwGot);
    ASSERT_EQ(0, conn.SendRecvData(nullptr, 0, &pReply, &dwReply));
    EXPECT_EQ(std::vector<BYTE>(reply.begin(), reply.end()),
              std::vector<BYTE>(pReply, pReply + dwReply));
    conn.DisposeData(pReply);

    // The device goes away while a reply is awaited.
    const std::vector<BYTE> last = SendFileBlock(99 * 4156, 100 * 4156, ZEP_END_FINAL);
    EXPECT_EQ(-13, conn.SendRecvData(const_cast<PBYTE>(last.data()),
                                     static_cast<DWORD>(last.size()), &pReply, &dwReply));
    EXPECT_EQ(0, conn.Disconnect());
    EXPECT_EQ(-9, conn.Disconnect());

    // A device that does not answer the device-ID request has no model to match: never opened.
    DevConnUSB silent;
    Info("TGMNAME HV2000\r\n");
    ASSERT_EQ(-8, silent.Connect(nullptr, "usb://T/X?serial=S2", 0));
}

} // namespace
