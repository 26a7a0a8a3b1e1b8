// The network side of discovery: many addresses asked by SNMP at once, and the update port of
// each printer found tried with a TCP connect. The native build asks through net-snmp
// (CliSnmpScan_mac.cpp); halvard.exe has no discovery (CliSnmpScan_win.cpp).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct SnmpSettings {
    bool bV3 = false;
    std::string strCommunity = "public"; // v2c
    std::string strUser;                 // v3: the USM user
    std::string strAuthProtocol;         // v3: MD5, SHA, SHA-224, SHA-256, SHA-384, SHA-512; empty none
    std::string strAuthPass;
    std::string strPrivProtocol; // v3: DES, AES (AES-128), AES-192, AES-256; empty none
    std::string strPrivPass;
    unsigned short wPort = 161;
    unsigned long dwTimeoutMs = 1000; // per try
    unsigned int nRetries = 1;        // tries after the first
};

enum class SnmpStatus {
    SILENT,   // no answer within the tries (or an answer that was not SNMP for us)
    ANSWERED, // the agent answered the request
    REFUSED,  // the agent answered with a report refusing our credentials (v3)
};

struct SnmpAnswer {
    uint32_t addr = 0;
    SnmpStatus status = SnmpStatus::SILENT;
    std::string strRefusal; // REFUSED: why, in the user's terms
    bool bPrinterMib = false; // the agent has the Printer MIB
    std::string strSysName, strSysDescr, strHrDeviceDescr, strSerial, strDeviceId;
};

// Whether this build can discover; false with the user's message when it cannot.
bool SnmpScanAvailable(std::string& strWhy);

// Checks the protocols and pass phrases of the settings before anything is sent; false with
// the reason.
bool SnmpCheckSettings(const SnmpSettings& settings, std::string& strError);

// Asks every address, at most nJobs at once, each with the settings' time-out and retries;
// onAnswer is called on this thread once per address as it is settled, in any order. stop is
// asked often: once it is true no further address is begun, and those under way are dropped
// unanswered. False with the reason when SNMP cannot be set up at all.
bool SnmpScan(const std::vector<uint32_t>& addrs, const SnmpSettings& settings, unsigned int nJobs,
              const std::function<void(const SnmpAnswer&)>& onAnswer,
              const std::function<bool()>& stop, std::string& strError);

// Per address, whether a TCP connection to wPort was accepted within dwTimeoutMs, at most
// nJobs at once. Nothing is sent on a connection: it is closed as soon as it is made.
std::vector<bool> ProbeTcpPorts(const std::vector<uint32_t>& addrs, unsigned short wPort,
                                unsigned long dwTimeoutMs, unsigned int nJobs);
