// The printer daemon's lumd.conf as the macOS program reads it: queue sections, device paths,
// the driver-folder search, and the connection kind of device URIs.
#include "LumdDriverFolders.h"
#include "TestFiles.h"
#include "lumd_conf_access.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

namespace {

std::string Str(const char* p) {
    return p != nullptr ? p : "(null)";
}

// Writes <root>/<driver>/LUMD/lumd.conf.
std::string WriteConf(const TempDir& dir, const std::string& driver, const std::string& text) {
    const std::string folder = dir.Path(driver);
    mkdir(folder.c_str(), 0755);
    mkdir((folder + "/LUMD").c_str(), 0755);
    WriteFileText(folder + "/LUMD/lumd.conf", text);
    return folder;
}

struct LookupCase {
    const char* what;
    const char* conf;
    const char* queue;
    int rc;
    const char* address;
    const char* type;
};

const LookupCase kLookups[] = {
    {"network address ends at /PDLType",
     "<Printer Office>\nDevicePath net:192.168.0.20/PDLType=x\n", "Office", 0, "192.168.0.20",
     "net:"},
    {"address ends at the line's end", "<Printer Office>\nDevicePath net6:fe80::1\nNext\n",
     "Office", 0, "fe80::1", "net6:"},
    {"last line without newline has no address",
     "# usb\n<Printer Desk>\nDevicePath usb://Maker/Model?serial=12", "Desk", 0, "(null)",
     "usb://"},
    {"commented section is never matched",
     "#<Printer Office>\nDevicePath net:10.0.0.1/PDLType=x\n", "Office", 0, "(null)", "(null)"},
    {"queue name that is a prefix of another's",
     "<Printer Office2>\nDevicePath net:10.0.0.2/PDLType=x\n", "Office", 0, "(null)", "(null)"},
    {"the right one of several sections",
     "<Printer A>\nDevicePath net:10.0.0.1/PDLType=x\n<Printer B>\nDevicePath mdns:b.local/\n",
     "B", 0, "b.local/", "mdns:"},
    {"device path only on the very next line",
     "<Printer Office>\n\nDevicePath net:10.0.0.3/PDLType=x\n", "Office", 0, "(null)", "(null)"},
    {"unknown signature", "<Printer Office>\nDevicePath ipp://10.0.0.4/\n", "Office", 0,
     "(null)", "(null)"},
    {"section line is the last line", "<Printer Office>", "Office", 0, "(null)", "(null)"},
    {"empty file", "", "Office", 0, "(null)", "(null)"},
};

TEST(LumdConf, QueueAddressFromDriverFolder) {
    for (const LookupCase& c : kLookups) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        std::string folder = WriteConf(dir, "drv", c.conf);
        char* pAddress = nullptr;
        char* pType = nullptr;
        EXPECT_EQ(c.rc, GetPrinterAddress(&folder[0], const_cast<char*>(c.queue), &pAddress,
                                          &pType));
        EXPECT_EQ(c.address, Str(pAddress));
        EXPECT_EQ(c.type, Str(pType));
        std::free(pAddress);
        std::free(pType);
    }
}

TEST(LumdConf, MissingFileOrArgumentIsMinusOne) {
    TempDir dir;
    std::string empty = dir.Path("none");
    char queue[] = "Office";
    char* pAddress = nullptr;
    EXPECT_EQ(-1, GetPrinterAddress(&empty[0], queue, &pAddress, nullptr));
    std::string folder = WriteConf(dir, "drv", "<Printer Office>\nDevicePath net:1.2.3.4\n");
    EXPECT_EQ(-1, GetPrinterAddress(nullptr, queue, &pAddress, nullptr));
    EXPECT_EQ(-1, GetPrinterAddress(&folder[0], nullptr, &pAddress, nullptr));
    EXPECT_EQ(-1, GetPrinterAddress(&folder[0], queue, nullptr, nullptr));
    // Without a type pointer the address still comes back.
    EXPECT_EQ(0, GetPrinterAddress(&folder[0], queue, &pAddress, nullptr));
    EXPECT_EQ("1.2.3.4", Str(pAddress));
    std::free(pAddress);
}

TEST(LumdConf, SectionWalkAndReverseLookup) {
    std::string conf = "#<Printer Old>\n<Printer A>\nDevicePath net:10.0.0.1/PDLType=x\n"
                       "<Printer B>\nDevicePath net:10.0.0.2/PDLType=x";
    char* pStart = &conf[0];
    char* pEnd = pStart + conf.size();
    EXPECT_EQ(2, zGetQueueCount(pStart, pEnd));
    char* pNext = nullptr;
    char* pName = nullptr;
    ASSERT_TRUE(zGetFirstQueueName(pStart, pEnd, &pNext, &pName));
    EXPECT_EQ("A", Str(pName));
    EXPECT_EQ('D', *pNext);
    std::free(pName);
    char addr[] = "10.0.0.2";
    ASSERT_TRUE(zGetQueueNameFromPrinterAddress(pStart, pEnd, addr, &pName));
    EXPECT_EQ("B", Str(pName));
    std::free(pName);
    char missing[] = "10.0.0.9";
    EXPECT_FALSE(zGetQueueNameFromPrinterAddress(pStart, pEnd, missing, &pName));
    // The walks leave the data as it was, so a forward look-up still works.
    char* pAddress = nullptr;
    char* pType = nullptr;
    char queue[] = "B";
    ASSERT_TRUE(zGetPrinterAddressAndIOLibType(pStart, pEnd, queue, &pAddress, &pType));
    EXPECT_EQ("10.0.0.2", Str(pAddress));
    std::free(pAddress);
    std::free(pType);
}

TEST(LumdConf, ConnectionTypeOfUri) {
    const struct {
        const char* uri;
        printer_connection_type type;
        const char* signature;
    } cases[] = {
        {"lpd://10.0.0.3/queue", CONNECTION_TYPE_TCPIP, "lpd://"},
        {"net:10.0.0.3", CONNECTION_TYPE_TCPIP, "net:"},
        {"x-net6:fe80::1", CONNECTION_TYPE_IPV6, "net6:"},
        {"usb://Torvi/AB1234?serial=1", CONNECTION_TYPE_USB, "usb://"},
        {"mdns:printer.local", CONNECTION_TYPE_BONJOUR, "mdns:"},
        {"ipp://10.0.0.3/", CONNECTION_TYPE_UNKNOWN, "unchanged"},
        {"NET:10.0.0.3", CONNECTION_TYPE_UNKNOWN, "unchanged"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.uri);
        char unchanged[] = "unchanged";
        char* pSignature = unchanged;
        printer_connection_type type = CONNECTION_TYPE_BONJOUR;
        getConnectionTypeFromURI(const_cast<char*>(c.uri), &type, &pSignature);
        EXPECT_EQ(c.type, type);
        EXPECT_EQ(c.signature, Str(pSignature));
        if (pSignature != unchanged)
            std::free(pSignature);
    }
    printer_connection_type type = CONNECTION_TYPE_USB;
    getConnectionTypeFromURI(nullptr, &type, nullptr);
    EXPECT_EQ(CONNECTION_TYPE_UNKNOWN, type);
}

TEST(LumdConf, DriverFolderSearchOrder) {
    TempDir printers;
    TempDir caches;
    mkdir(printers.Path("a-nolumd").c_str(), 0755); // no LUMD entry: never asked
    WriteConf(printers, "b", "<Printer Other>\nDevicePath net:10.0.0.1/PDLType=x\n");
    WriteConf(printers, "c", "<Printer Q>\nDevicePath net:10.0.0.2/PDLType=x\n");
    WriteConf(printers, "d", "<Printer Q>\nDevicePath net:10.0.0.3/PDLType=x\n");
    WriteConf(caches, "e", "<Printer R>\nDevicePath usb://M/P?serial=7\n");
    SetLumdDriverFolderRootsForTest({printers.Path(""), caches.Path("")});
    std::string uri;
    EXPECT_TRUE(LumdAddressForQueue("Q", uri));
    EXPECT_EQ("net:10.0.0.2", uri);
    EXPECT_TRUE(LumdAddressForQueue("R", uri));
    EXPECT_EQ("usb://M/P?serial=7", uri);
    EXPECT_FALSE(LumdAddressForQueue("S", uri));
    SetLumdDriverFolderRootsForTest({});
    EXPECT_EQ((std::vector<std::string>{"/Library/Printers/Torvi", "/Library/Caches/Torvi"}),
              LumdDriverFolderRoots());
}

} // namespace
