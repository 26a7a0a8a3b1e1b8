// The USB printing-class transport over a device of our own: an overlapped named pipe whose
// server end the test drives, so the real ReadFile/WriteFile/GetOverlappedResult/CancelIo code
// runs; the device ID and the port look-up through the same seam.
#include "DevConnUSB_win.h"
#include "zepWire.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

class PipeDevice : public UsbPrintDeviceAccess {
public:
    PipeDevice() {
        static int nPipe = 0;
        m_name = "\\\\.\\pipe\\halvard-usb-" + std::to_string(GetCurrentProcessId()) + "-" +
                 std::to_string(++nPipe);
        m_hServer = CreateNamedPipeA(m_name.c_str(), PIPE_ACCESS_DUPLEX,
                                     PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 65536,
                                     65536, 0, nullptr);
        DevConnUSB::SetDeviceAccess(this);
    }
    ~PipeDevice() override {
        DevConnUSB::SetDeviceAccess(nullptr);
        CloseHandle(m_hServer);
    }

    HANDLE Open(LPCSTR pPortName) override {
        openedFor = pPortName;
        if (!bPresent)
            return nullptr;
        HANDLE h = CreateFileA(m_name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        ConnectNamedPipe(m_hServer, nullptr); // already connected by the client's open
        return h == INVALID_HANDLE_VALUE ? nullptr : h;
    }
    bool QueryDeviceId(HANDLE, char* pBuf, DWORD cbBuf, DWORD* pcbReturned) override {
        if (!bDeviceIdWorks || deviceId.size() > cbBuf)
            return false;
        std::memcpy(pBuf, deviceId.data(), deviceId.size());
        *pcbReturned = DWORD(deviceId.size());
        return true;
    }

    // The device's answer, in the driver's 512-byte units.
    void Send(const std::vector<BYTE>& data) {
        for (size_t at = 0; at < data.size(); at += 512) {
            DWORD n = 0;
            WriteFile(m_hServer, data.data() + at, DWORD(std::min<size_t>(512, data.size() - at)),
                      &n, nullptr);
        }
    }
    std::vector<BYTE> Receive(DWORD cb) {
        std::vector<BYTE> data(cb);
        DWORD n = 0;
        ReadFile(m_hServer, data.data(), cb, &n, nullptr);
        data.resize(n);
        return data;
    }

    bool bPresent = true;
    bool bDeviceIdWorks = true;
    std::string deviceId = "MFG:Torvi;CMD:ZEP;MDL:AB1234;CLS:PRINTER;";
    std::string openedFor;

private:
    std::string m_name;
    HANDLE m_hServer;
};

// The transport with its read primitive and cache in reach of the tests.
class UsbUnderTest : public DevConnUSB {
public:
    using DevConnUSB::GetCacheData;
    using DevConnUSB::ReadPort;
    using DevConnUSB::SetCacheData;
    DWORD Cached() const { return m_CacheDataSize; }
    DWORD ReadSize() const { return m_dwReadSize; }
    bool Reading() const { return m_bReading; }
};

std::vector<BYTE> Bytes(size_t n, BYTE first = 1) {
    std::vector<BYTE> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = BYTE(first + i);
    return v;
}

} // namespace

TEST(UsbClass, ReadsThroughTheCache) {
    struct Case {
        const char* name;
        DWORD cached;    // bytes put into the cache first
        DWORD sent;      // bytes the device has sent when the read is made
        DWORD asked;     // bytes the read asks for
        DWORD readSize;  // what the device is asked for (0: served from the cache)
        DWORD delivered; // bytes the read returns
        DWORD cachedAfter;
        bool reading; // a read left outstanding
    } const cases[] = {
        {"8-byte header of 60 sent", 0, 60, 8, 512, 8, 52, false},
        {"4000 with 504 cached", 504, 3496, 4000, 3584, 4000, 0, false},
        {"nothing sent yet", 0, 0, 8, 512, 0, 0, true},
        {"only cached bytes while pending", 4, 0, 8, 512, 4, 0, true},
        {"all from the cache", 60, 0, 52, 0, 52, 8, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PipeDevice device;
        UsbUnderTest usb;
        ASSERT_EQ(0, usb.Connect(nullptr, "USB001", 0));
        std::vector<BYTE> prefill = Bytes(c.cached, 100);
        ASSERT_EQ(c.cached, usb.SetCacheData(prefill.data(), c.cached));
        if (c.sent != 0)
            device.Send(Bytes(c.sent));
        Sleep(20);
        std::vector<BYTE> buf(c.asked);
        DWORD got = 0;
        ASSERT_TRUE(usb.ReadPort(buf.data(), c.asked, &got, 10));
        EXPECT_EQ(c.delivered, got);
        EXPECT_EQ(c.readSize, usb.ReadSize());
        EXPECT_EQ(c.cachedAfter, usb.Cached());
        EXPECT_EQ(c.reading, usb.Reading());
        // Oldest first: the cached bytes, then the device's.
        std::vector<BYTE> expected = prefill;
        std::vector<BYTE> sent = Bytes(c.sent);
        expected.insert(expected.end(), sent.begin(), sent.end());
        expected.resize(got);
        buf.resize(got);
        EXPECT_EQ(expected, buf);
        EXPECT_EQ(0, usb.Disconnect()); // with a read outstanding, too
    }
}

TEST(UsbClass, OutstandingReadIsCollectedByALaterCall) {
    PipeDevice device;
    UsbUnderTest usb;
    ASSERT_EQ(0, usb.Connect(nullptr, "USB001", 0));
    BYTE buf[60] = {};
    DWORD got = 1;
    ASSERT_TRUE(usb.ReadPort(buf, 8, &got, 10));
    EXPECT_EQ(0u, got);
    ASSERT_TRUE(usb.Reading());
    device.Send(Bytes(60));
    Sleep(20);
    ASSERT_TRUE(usb.ReadPort(buf, 8, &got, 10));
    EXPECT_EQ(8u, got);
    EXPECT_FALSE(usb.Reading());
    EXPECT_EQ(52u, usb.Cached());
    ASSERT_TRUE(usb.ReadPort(buf, 52, &got, 10));
    EXPECT_EQ(52u, got);
    EXPECT_EQ(BYTE(9), buf[0]);
}

TEST(UsbClass, CacheKeepsWhatFits) {
    PipeDevice device;
    UsbUnderTest usb;
    std::vector<BYTE> data = Bytes(520);
    EXPECT_EQ(0u, usb.SetCacheData(nullptr, 5));
    EXPECT_EQ(0u, usb.SetCacheData(data.data(), 0));
    EXPECT_EQ(500u, usb.SetCacheData(data.data(), 500));
    EXPECT_EQ(12u, usb.SetCacheData(data.data() + 500, 20));
    BYTE out[600];
    EXPECT_EQ(0u, usb.GetCacheData(nullptr, 5));
    EXPECT_EQ(0u, usb.GetCacheData(out, 0));
    EXPECT_EQ(10u, usb.GetCacheData(out, 10));
    EXPECT_EQ(BYTE(10), out[9]); // the oldest went first
    EXPECT_EQ(502u, usb.Cached());
    EXPECT_EQ(502u, usb.GetCacheData(out, 600));
    EXPECT_EQ(0u, usb.GetCacheData(out, 600));
}

TEST(UsbClass, ExchangeAndDeviceIdThroughTheManagerStyleCalls) {
    PipeDevice device;
    DevConnUSB usb;
    EXPECT_EQ(-2, usb.Connect(nullptr, nullptr, 0));
    device.bPresent = false;
    EXPECT_EQ(-8, usb.Connect(nullptr, "USB003", 0));
    device.bPresent = true;
    ASSERT_EQ(0, usb.Connect(nullptr, "usb003", 0));
    EXPECT_EQ("usb003", device.openedFor);
    EXPECT_EQ(-10, usb.Connect(nullptr, "usb003", 0));
    ASSERT_EQ(0, usb.SetTimeout(2000));

    // A request out, a reply of header and payload back, more than one unit long.
    std::vector<BYTE> request = Bytes(44);
    std::vector<BYTE> reply(sizeof(TAG_SSTHEADER) + 700);
    TAG_SSTHEADER head = {};
    head.CommandCode.set(0x5101);
    head.DataLength.set(700);
    std::memcpy(reply.data(), &head, sizeof head);
    for (size_t i = sizeof head; i < reply.size(); ++i)
        reply[i] = BYTE(i);
    device.Send(reply); // queued before the request: read once the request is out
    PBYTE pReply = nullptr;
    DWORD dwReply = 0;
    ASSERT_EQ(0, usb.SendRecvData(request.data(), DWORD(request.size()), &pReply, &dwReply));
    EXPECT_EQ(request, device.Receive(44));
    ASSERT_EQ(reply.size(), dwReply);
    EXPECT_EQ(0, std::memcmp(reply.data(), pReply, dwReply));
    usb.DisposeData(pReply);

    struct Case {
        std::string id;
        bool works;
        int result;
        const char* model;
    } const cases[] = {
        {"MFG:Torvi;CMD:ZEP;MDL:AB1234;CLS:PRINTER;", true, 0, "AB1234"},
        {"MFG:Torvi;CLS:PRINTER;", true, 0, nullptr},
        {"", false, -14, nullptr},
    };
    for (const Case& c : cases) {
        device.deviceId = c.id;
        device.bDeviceIdWorks = c.works;
        LPSTR pszModel = nullptr;
        DWORD dwSize = 7;
        EXPECT_EQ(c.result, usb.GetModelName(&pszModel, &dwSize)) << c.id;
        if (c.model != nullptr) {
            EXPECT_STREQ(c.model, pszModel);
            EXPECT_EQ(std::strlen(c.model) + 1, dwSize);
            usb.DisposeData(pszModel);
        } else {
            EXPECT_EQ(nullptr, pszModel) << c.id;
        }
    }
    EXPECT_EQ(0, usb.Disconnect());
    EXPECT_EQ(-9, usb.Disconnect());
    EXPECT_EQ(-9, usb.SetTimeout(1000));
}

TEST(UsbClass, InterfacePortNames) {
    char szName[300];
    UsbInterfacePortName(nullptr, 1, szName); // no "Base Name": USB and the number
    EXPECT_STREQ("USB001", szName);
    UsbInterfacePortName("USB", 12, szName);
    EXPECT_STREQ("USB012", szName);
    UsbInterfacePortName("DOT4_", 123, szName);
    EXPECT_STREQ("DOT4_123", szName);
}
