// Windows address resolution against the real registry and spooler (under Wine): port-monitor
// registry values with the HostName fall-back, URL port names, and the USB port list.
#include <winsock2.h>

#include "DevConnMgr.h"
#include "DevConnTCP.h"
#include "TestNet.h"

#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

const char kMonitors[] = "System\\CurrentControlSet\\Control\\print\\monitors\\";

// Creates a port's key under a monitor's key with string values, and removes every key it
// created when it goes.
class RegPort {
public:
    RegPort(const std::string& monitor, const std::string& port) {
        for (const std::string& part : {monitor, std::string("Ports"), port}) {
            m_path += (m_path.empty() ? std::string(kMonitors) : std::string("\\")) + part;
            HKEY hKey = nullptr;
            DWORD dwDisposition = 0;
            EXPECT_EQ(ERROR_SUCCESS,
                      RegCreateKeyExA(HKEY_LOCAL_MACHINE, m_path.c_str(), 0, nullptr, 0,
                                      KEY_ALL_ACCESS, nullptr, &hKey, &dwDisposition));
            if (dwDisposition == REG_CREATED_NEW_KEY)
                m_created.push_back(m_path);
            if (hKey != nullptr)
                RegCloseKey(hKey);
        }
    }
    ~RegPort() {
        for (auto it = m_created.rbegin(); it != m_created.rend(); ++it)
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, it->c_str());
    }
    void Set(const char* pszValue, const std::string& text) {
        HKEY hKey = nullptr;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegOpenKeyExA(HKEY_LOCAL_MACHINE, m_path.c_str(), 0, KEY_SET_VALUE, &hKey));
        RegSetValueExA(hKey, pszValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
        RegCloseKey(hKey);
    }

private:
    std::string m_path;
    std::vector<std::string> m_created;
};

class TcpResolveWin : public ::testing::Test {
protected:
    std::string Reg(const char* pKey, const char* pValue, const char* pPort) {
        return AddrText(m_conn.GetIpFromReg(pKey, pValue, pPort, &m_addr), m_addr);
    }
    std::string Record(const char* pPort, const char* pMonitor, const char* pDescription) {
        ZepPortRecord record = {pPort, pMonitor, pDescription};
        return AddrText(m_conn.GetIpFromRecord(record, &m_addr), m_addr);
    }
    std::string Port(const std::string& name) {
        return AddrText(m_conn.GetIpFromPort(name.c_str(), &m_addr), m_addr);
    }
    std::string Url(const std::string& name) {
        return AddrText(m_conn.GetIpFromUrl(name.c_str(), &m_addr), m_addr);
    }

    DevConnTCP m_conn;
    sockaddr_in m_addr;
};

TEST_F(TcpResolveWin, RegistryValue) {
    RegPort port("Standard TCP/IP Port", "HALVARD_T1");
    port.Set("IPAddress", "127.0.0.9");
    port.Set("Empty", "");
    port.Set("Name", "localhost");
    EXPECT_EQ("127.0.0.9", Reg("Standard TCP/IP Port", "IPAddress", "HALVARD_T1"));
    EXPECT_EQ("127.0.0.1", Reg("Standard TCP/IP Port", "Name", "HALVARD_T1"));
    EXPECT_EQ("-", Reg("Standard TCP/IP Port", "Empty", "HALVARD_T1"));
    EXPECT_EQ("-", Reg("Standard TCP/IP Port", "Missing", "HALVARD_T1"));
    EXPECT_EQ("-", Reg("Standard TCP/IP Port", "IPAddress", "HALVARD_NO_SUCH_PORT"));
    EXPECT_EQ("-", Reg("Standard TCP/IP Port", nullptr, "HALVARD_T1"));
    EXPECT_EQ("-", Reg("Standard TCP/IP Port", "IPAddress", nullptr));
    EXPECT_FALSE(m_conn.GetIpFromReg("Standard TCP/IP Port", "IPAddress", "HALVARD_T1", nullptr));
}

TEST_F(TcpResolveWin, StandardTcpIpFallsBackToHostName) {
    RegPort port("Standard TCP/IP Port", "HALVARD_T2");
    port.Set("IPAddress", "");
    port.Set("HostName", "127.0.0.10");
    EXPECT_EQ("127.0.0.10", Record("HALVARD_T2", "TCPMON.DLL", ""));
    EXPECT_EQ("127.0.0.10", Record("HALVARD_T2", "Other", "Standard TCP/IP Port"));
    port.Set("IPAddress", "127.0.0.11");
    EXPECT_EQ("127.0.0.11", Record("HALVARD_T2", "TCPMON.DLL", ""));
}

TEST_F(TcpResolveWin, OtherMonitorsRows) {
    RegPort lpr2("Torvi LPR 2.0", "HALVARD_T3");
    lpr2.Set("Server Name", "127.0.0.12");
    EXPECT_EQ("127.0.0.12", Record("HALVARD_T3", "Torvi LPR 2.0", "x"));
    RegPort wayfind("Torvi Wayfind LPR Port", "HALVARD_T4");
    wayfind.Set("PrinterAddr", "127.0.0.13");
    EXPECT_EQ("127.0.0.13", Record("HALVARD_T4", "x", "Torvi Wayfind LPR Port"));
    RegPort lpr("Torvi LPR Port", "HALVARD_T5");
    lpr.Set("Server Name", "127.0.0.14");
    EXPECT_EQ("127.0.0.14", Record("HALVARD_T5", "Torvi LPR Port", ""));
    RegPort plain("LPR Port", "HALVARD_T6");
    plain.Set("Server Name", "127.0.0.15");
    EXPECT_EQ("127.0.0.15", Record("HALVARD_T6", nullptr, nullptr));
    EXPECT_EQ("127.0.0.16", Record("http://127.0.0.16/ipp", "Internet Port", ""));
    EXPECT_EQ("-", Record("HALVARD_T6", "Local Monitor", "Local Port"));
}

TEST_F(TcpResolveWin, UrlFormsBelow260) {
    EXPECT_EQ("192.168.0.5", Url("http://192.168.0.5/ipp"));
    EXPECT_EQ("192.168.0.5", Url("http://192.168.0.5:631/ipp"));
    EXPECT_EQ("-", Url("http://192.168.0.5"));
    EXPECT_EQ("-", Url("x http://192.168.0.5/ipp")); // must begin the name
    EXPECT_EQ("-", Url("lpd://192.168.0.5/q"));
    EXPECT_EQ("-", Url("http://192.168.0.5/" + std::string(241, 'q'))); // 260 characters
    EXPECT_EQ("192.168.0.5", Url("http://192.168.0.5/" + std::string(240, 'q')));
}

// Names the spooler does not list fall back to the URL form; a listed port whose monitor keeps
// no address has none.
TEST_F(TcpResolveWin, SpoolerPortsThenUrl) {
    EXPECT_EQ("192.168.0.5", Port("http://192.168.0.5/ipp"));
    EXPECT_EQ("-", Port("http://192.168.0.5"));
    EXPECT_EQ("192.168.0.5", Port("http://192.168.0.5:631/ipp"));
    EXPECT_EQ("-", Port("COM1:"));
    EXPECT_EQ("-", Port("HALVARD_NOT_A_PORT"));
}

extern "C" BOOL WINAPI AddPortExA(LPSTR pName, DWORD Level, LPBYTE lpBuffer, LPSTR lpMonitorName);

// Local ports added to the spooler for one test, deleted again when it ends.
class SpoolerPorts {
public:
    explicit SpoolerPorts(std::initializer_list<const char*> names) : m_names(names) {
        for (const char* pName : m_names) {
            PORT_INFO_1A info = {const_cast<LPSTR>(pName)};
            EXPECT_TRUE(AddPortExA(nullptr, 1, reinterpret_cast<LPBYTE>(&info),
                                   const_cast<LPSTR>("Local Port")));
        }
    }
    ~SpoolerPorts() {
        for (const char* pName : m_names)
            DeletePortA(nullptr, nullptr, const_cast<LPSTR>(pName));
    }

private:
    std::vector<const char*> m_names;
};

// The spooler's own port names, in its order.
std::vector<std::string> SpoolerPortNames() {
    DWORD cbNeeded = 0, dwCount = 0;
    EnumPortsA(nullptr, 1, nullptr, 0, &cbNeeded, &dwCount);
    std::vector<BYTE> buf(cbNeeded + 1);
    EnumPortsA(nullptr, 1, buf.data(), cbNeeded, &cbNeeded, &dwCount);
    std::vector<std::string> names;
    for (DWORD i = 0; i < dwCount; ++i)
        names.push_back(reinterpret_cast<PORT_INFO_1A*>(buf.data())[i].pName);
    return names;
}

// One block: a full-size record per USB port in the spooler's order, then the names one after
// another, each record pointing at its own.
TEST(EnumUsbPortWin, BlockHoldsRecordsThenNames) {
    SpoolerPorts ports({"USB917", "HALVARD_LP1", "usbprn93", "MPUSBPRN94", "USB9170"});
    std::vector<std::string> expected;
    for (const std::string& name : SpoolerPortNames()) {
        if (name == "USB917" || name == "usbprn93" || name == "MPUSBPRN94")
            expected.push_back(name);
    }
    ASSERT_EQ(3u, expected.size());

    _PORT_INFO_1A* pBlock = nullptr;
    ASSERT_EQ(3, DevConnMgr::Instance()->EnumUsbPort(&pBlock));
    ASSERT_NE(nullptr, pBlock);
    PORT_INFO_1A* pPorts = reinterpret_cast<PORT_INFO_1A*>(pBlock);
    const char* pName = reinterpret_cast<const char*>(pPorts + 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(pName, pPorts[i].pName);
        EXPECT_EQ(expected[i], pPorts[i].pName);
        pName += expected[i].size() + 1;
    }
    DevConnMgr::Instance()->FreeUsbPort(pBlock);
}

TEST(EnumUsbPortWin, NoUsbPortsGivesZeroAndNull) {
    _PORT_INFO_1A* pPorts = reinterpret_cast<_PORT_INFO_1A*>(1);
    EXPECT_EQ(0, DevConnMgr::Instance()->EnumUsbPort(&pPorts));
    EXPECT_EQ(nullptr, pPorts);
    EXPECT_EQ(0, DevConnMgr::Instance()->EnumUsbPort(nullptr));
    DevConnMgr::Instance()->FreeUsbPort(nullptr);
}

} // namespace
