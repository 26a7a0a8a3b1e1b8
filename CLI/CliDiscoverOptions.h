// The command line of halvard --discover RANGE...: its own options, parsed apart from the
// update's so that neither form takes the other's options by mistake.
#pragma once

#include <string>
#include <vector>

struct CliOptions;

struct DiscoverOptions {
    std::vector<std::string> ranges; // the RANGE arguments
    std::string strRangesFile;       // --ranges: one range a line, # comments
    std::string strCommunity;        // --community (v2c; default public)
    std::string strUser;             // --snmp-user: SNMPv3 with this USM user
    std::string strAuthProtocol;     // --snmp-auth
    std::string strPrivProtocol;     // --snmp-priv
    std::string strSecretsFile;      // --snmp-secrets: community= auth= priv= lines
    std::string strPort, strTimeout, strRetries; // --snmp-port, --snmp-timeout, --snmp-retries
    std::string strWriteTargets;     // --write-targets
    unsigned short wPort = 161;
    unsigned long dwTimeoutMs = 1000;
    unsigned int nRetries = 1;
};

// Discovery's --jobs: addresses asked at once, by default and at most (one socket each, all
// below select's limit).
const unsigned int kDiscoverJobs = 512;
const unsigned int kMaxDiscoverJobs = 512;

// True when argv asks for discovery (--discover anywhere).
bool IsDiscoverCommand(int argc, const char* const* argv);

// Parses a discovery command into options.discover and the options it shares with the update
// (--package, the trust options, --json, --jobs, --report, --help). False with a one-line reason
// for anything malformed, unknown, repeated or belonging to the update.
bool ParseDiscoverOptions(int argc, const char* const* argv, CliOptions& options,
                          std::string& strError);
