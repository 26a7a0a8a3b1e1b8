// Discovery's network side over net-snmp: one single-session handle per address under way,
// all driven from one select loop with the library's asynchronous sends, so that a thousand
// mostly silent addresses cost their time-outs side by side, not one after another. v3's engine
// discovery is made asynchronous here too (the library's own probe at open would block).
#include "CliSnmpScan.h"

#include "zepAddress.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <memory>
#include <mutex>

namespace {

// What is asked of each agent, in one GETNEXT: each column's first row tells whether the agent
// has it (the name returned lies under the column) and its value.
const oid kSysDescr[] = {1, 3, 6, 1, 2, 1, 1, 1};
const oid kSysName[] = {1, 3, 6, 1, 2, 1, 1, 5};
const oid kHrDeviceDescr[] = {1, 3, 6, 1, 2, 1, 25, 3, 2, 1, 3};
const oid kPrinterMib[] = {1, 3, 6, 1, 2, 1, 43};
const oid kPrtGeneralSerialNumber[] = {1, 3, 6, 1, 2, 1, 43, 5, 1, 1, 17};
const oid kPpmPrinterIEEE1284DeviceId[] = {1, 3, 6, 1, 4, 1, 2699, 1, 2, 1, 2, 1, 1, 3};

struct Column {
    const oid* pOid;
    size_t len;
};
const Column kColumns[] = {
    {kSysDescr, OID_LENGTH(kSysDescr)},
    {kSysName, OID_LENGTH(kSysName)},
    {kHrDeviceDescr, OID_LENGTH(kHrDeviceDescr)},
    {kPrinterMib, OID_LENGTH(kPrinterMib)},
    {kPrtGeneralSerialNumber, OID_LENGTH(kPrtGeneralSerialNumber)},
    {kPpmPrinterIEEE1284DeviceId, OID_LENGTH(kPpmPrinterIEEE1284DeviceId)},
};
enum { COL_SYSDESCR, COL_SYSNAME, COL_HRDESCR, COL_PRINTERMIB, COL_SERIAL, COL_DEVICEID };

// The USM statistics a refusing agent reports (usmStats...), in the user's terms.
const oid kUsmStats[] = {1, 3, 6, 1, 6, 3, 15, 1, 1};
const char* UsmRefusal(oid which) {
    switch (which) {
    case 1:
        return "the agent does not accept this security level (usmStatsUnsupportedSecLevels)";
    case 3:
        return "the agent knows no such user (usmStatsUnknownUserNames)";
    case 5:
        return "wrong authentication pass phrase or protocol (usmStatsWrongDigests)";
    case 6:
        return "wrong privacy pass phrase or protocol (usmStatsDecryptionErrors)";
    default:
        return "the agent refused the request (SNMPv3 report)";
    }
}

struct AuthProto {
    const char* pszName;
    const oid* pOid;
    size_t len;
};
const AuthProto kAuthProtocols[] = {
    {"MD5", usmHMACMD5AuthProtocol, OID_LENGTH(usmHMACMD5AuthProtocol)},
    {"SHA", usmHMACSHA1AuthProtocol, OID_LENGTH(usmHMACSHA1AuthProtocol)},
    {"SHA-224", usmHMAC128SHA224AuthProtocol, OID_LENGTH(usmHMAC128SHA224AuthProtocol)},
    {"SHA-256", usmHMAC192SHA256AuthProtocol, OID_LENGTH(usmHMAC192SHA256AuthProtocol)},
    {"SHA-384", usmHMAC256SHA384AuthProtocol, OID_LENGTH(usmHMAC256SHA384AuthProtocol)},
    {"SHA-512", usmHMAC384SHA512AuthProtocol, OID_LENGTH(usmHMAC384SHA512AuthProtocol)},
};
const AuthProto kPrivProtocols[] = {
    {"DES", usmDESPrivProtocol, OID_LENGTH(usmDESPrivProtocol)},
    {"AES", usmAESPrivProtocol, OID_LENGTH(usmAESPrivProtocol)},
    {"AES-128", usmAESPrivProtocol, OID_LENGTH(usmAESPrivProtocol)},
    {"AES-192", usmAES192PrivProtocol, OID_LENGTH(usmAES192PrivProtocol)},
    {"AES-256", usmAES256PrivProtocol, OID_LENGTH(usmAES256PrivProtocol)},
};

template <size_t N>
const AuthProto* FindProto(const AuthProto (&table)[N], const std::string& name) {
    for (const AuthProto& p : table)
        if (strcasecmp(p.pszName, name.c_str()) == 0)
            return &p;
    return nullptr;
}

// The library once per process, told to read no configuration or MIB file, keep no state on
// disk and print nothing: what it would say reaches the user through our own messages.
void InitLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_READ_CONFIGS, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_PERSIST_STATE, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_LOAD, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_SAVE, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_LOAD_HOST_FILES, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_NO_DISCOVERY, 1);
        netsnmp_ds_set_string(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_MIBDIRS, "");
        netsnmp_ds_set_int(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_MIB_WARNINGS, 0);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_MIB_ERRORS, 0);
        // Without any handler the library writes to stderr; this one discards.
        netsnmp_register_loghandler(NETSNMP_LOGHANDLER_NONE, LOG_DEBUG);
        init_snmp("halvard");
    });
}

std::string ValueText(const netsnmp_variable_list* var) {
    if (var->type != ASN_OCTET_STR || var->val.string == nullptr)
        return std::string();
    return std::string(reinterpret_cast<const char*>(var->val.string), var->val_len);
}

bool Under(const netsnmp_variable_list* var, const Column& column) {
    return var->type != SNMP_ENDOFMIBVIEW && var->type != SNMP_NOSUCHOBJECT &&
           var->type != SNMP_NOSUCHINSTANCE && var->name_length > column.len &&
           netsnmp_oid_is_subtree(column.pOid, column.len, var->name, var->name_length) == 0;
}

// One address under way.
struct Job {
    SnmpAnswer answer;
    void* pSess = nullptr; // the library's single-session handle
    bool bProbing = false; // v3: waiting for the engine ID's report
    bool bEngineFound = false;
    bool bDone = false;
};

class Scanner {
public:
    explicit Scanner(const SnmpSettings& settings) : m_settings(settings) {}

    bool Start(Job& job, std::string& strError) {
        netsnmp_session tmpl;
        snmp_sess_init(&tmpl);
        const std::string peer = "udp:" + ZepAddrText(job.answer.addr) + ":" +
                                 std::to_string(m_settings.wPort);
        tmpl.peername = const_cast<char*>(peer.c_str());
        tmpl.timeout = static_cast<long>(m_settings.dwTimeoutMs) * 1000;
        tmpl.retries = static_cast<int>(m_settings.nRetries);
        tmpl.callback = &Scanner::OnPacket;
        tmpl.callback_magic = &job;
        if (!m_settings.bV3) {
            tmpl.version = SNMP_VERSION_2c;
            tmpl.community = reinterpret_cast<u_char*>(const_cast<char*>(m_settings.strCommunity.c_str()));
            tmpl.community_len = m_settings.strCommunity.size();
        } else if (!FillV3(tmpl, strError)) {
            return false;
        }
        job.pSess = snmp_sess_open(&tmpl);
        std::memset(tmpl.securityAuthKey, 0, sizeof tmpl.securityAuthKey);
        std::memset(tmpl.securityPrivKey, 0, sizeof tmpl.securityPrivKey);
        if (job.pSess == nullptr)
            return true;
        netsnmp_transport* transport = snmp_sess_transport(job.pSess);
        if (transport == nullptr || transport->sock >= FD_SETSIZE) {
            snmp_sess_close(job.pSess);
            job.pSess = nullptr;
            errno = EMFILE;
            return true;
        }
        // The library clears the flag once the session is open, to probe at the first send
        // instead: set again, the probe stays ours.
        if (m_settings.bV3)
            snmp_sess_session(job.pSess)->flags |= SNMP_FLAGS_DONT_PROBE;
        job.bProbing = m_settings.bV3;
        if (!Send(job))
            job.bDone = true;
        return true;
    }

    static void Finish(Job& job) {
        if (job.pSess != nullptr)
            snmp_sess_close(job.pSess);
        job.pSess = nullptr;
    }

private:
    bool FillV3(netsnmp_session& tmpl, std::string& strError) {
        tmpl.version = SNMP_VERSION_3;
        tmpl.flags |= SNMP_FLAGS_DONT_PROBE; // engine discovery is ours, asynchronous
        tmpl.securityName = const_cast<char*>(m_settings.strUser.c_str());
        tmpl.securityNameLen = m_settings.strUser.size();
        tmpl.securityModel = SNMP_SEC_MODEL_USM;
        tmpl.securityLevel = SNMP_SEC_LEVEL_NOAUTH;
        const AuthProto* auth = FindProto(kAuthProtocols, m_settings.strAuthProtocol);
        if (auth != nullptr) {
            tmpl.securityLevel = SNMP_SEC_LEVEL_AUTHNOPRIV;
            tmpl.securityAuthProto = const_cast<oid*>(auth->pOid);
            tmpl.securityAuthProtoLen = auth->len;
            tmpl.securityAuthKeyLen = USM_AUTH_KU_LEN;
            if (generate_Ku(auth->pOid, static_cast<u_int>(auth->len),
                            reinterpret_cast<const u_char*>(m_settings.strAuthPass.data()),
                            m_settings.strAuthPass.size(), tmpl.securityAuthKey,
                            &tmpl.securityAuthKeyLen) != SNMPERR_SUCCESS) {
                strError = "the authentication pass phrase cannot be used (at least 8 characters)";
                return false;
            }
            const AuthProto* priv = FindProto(kPrivProtocols, m_settings.strPrivProtocol);
            if (priv != nullptr) {
                tmpl.securityLevel = SNMP_SEC_LEVEL_AUTHPRIV;
                tmpl.securityPrivProto = const_cast<oid*>(priv->pOid);
                tmpl.securityPrivProtoLen = priv->len;
                tmpl.securityPrivKeyLen = USM_PRIV_KU_LEN;
                if (generate_Ku(auth->pOid, static_cast<u_int>(auth->len),
                                reinterpret_cast<const u_char*>(m_settings.strPrivPass.data()),
                                m_settings.strPrivPass.size(), tmpl.securityPrivKey,
                                &tmpl.securityPrivKeyLen) != SNMPERR_SUCCESS) {
                    strError = "the privacy pass phrase cannot be used (at least 8 characters)";
                    return false;
                }
            }
        }
        return true;
    }

    bool Send(Job& job) {
        netsnmp_pdu* pdu = nullptr;
        if (job.bProbing) {
            // The request that makes an agent report its engine ID: no user, no variables.
            pdu = snmp_pdu_create(SNMP_MSG_GET);
            pdu->securityLevel = SNMP_SEC_LEVEL_NOAUTH;
            pdu->securityModel = SNMP_SEC_MODEL_USM;
            pdu->securityName = static_cast<char*>(std::calloc(1, 1));
            pdu->securityNameLen = 0;
        } else {
            pdu = snmp_pdu_create(SNMP_MSG_GETNEXT);
            for (const Column& column : kColumns)
                snmp_add_null_var(pdu, column.pOid, column.len);
        }
        if (snmp_sess_async_send(job.pSess, pdu, &Scanner::OnPacket, &job) == 0) {
            snmp_free_pdu(pdu);
            return false;
        }
        return true;
    }

    static int OnPacket(int op, netsnmp_session* session, int, netsnmp_pdu* pdu, void* magic) {
        Job& job = *static_cast<Job*>(magic);
        // A report comes as a security notice first and then as the message itself; a resend
        // is only news.
        if (job.bDone || op == NETSNMP_CALLBACK_OP_SEC_ERROR || op == NETSNMP_CALLBACK_OP_RESEND)
            return 1;
        if (op != NETSNMP_CALLBACK_OP_RECEIVED_MESSAGE || pdu == nullptr) {
            job.bDone = true; // timed out after every retry, or could not be sent
            if (job.bEngineFound) {
                // An agent that reports its engine but drops the request could not decrypt it.
                job.answer.status = SnmpStatus::REFUSED;
                job.answer.strRefusal = "the agent answered SNMPv3 engine discovery but not the "
                                        "request: wrong privacy pass phrase or protocol";
            }
            return 1;
        }
        if (job.bProbing) {
            if (pdu->command != SNMP_MSG_REPORT || pdu->securityEngineIDLen == 0) {
                job.bDone = true; // an answer, but no engine to talk to: not an SNMPv3 agent
                return 1;
            }
            TakeEngine(*session, *pdu);
            job.bProbing = false;
            job.bEngineFound = true;
            // The scanner of this job sends the real request: its session has the keys now.
            Scanner* self = static_cast<Scanner*>(session->myvoid);
            if (self == nullptr || !self->Send(job))
                job.bDone = true;
            return 1;
        }
        job.bDone = true;
        if (pdu->command == SNMP_MSG_REPORT) {
            job.answer.status = SnmpStatus::REFUSED;
            const netsnmp_variable_list* var = pdu->variables;
            oid which = 0;
            if (var != nullptr && var->name_length > OID_LENGTH(kUsmStats) &&
                netsnmp_oid_is_subtree(kUsmStats, OID_LENGTH(kUsmStats), var->name,
                                       var->name_length) == 0)
                which = var->name[OID_LENGTH(kUsmStats)];
            job.answer.strRefusal = UsmRefusal(which);
            return 1;
        }
        if (pdu->command != SNMP_MSG_RESPONSE)
            return 1;
        job.answer.status = SnmpStatus::ANSWERED;
        if (pdu->errstat != SNMP_ERR_NOERROR)
            return 1;
        const netsnmp_variable_list* var = pdu->variables;
        for (size_t i = 0; var != nullptr && i < sizeof kColumns / sizeof kColumns[0];
             ++i, var = var->next_variable) {
            if (!Under(var, kColumns[i]))
                continue;
            switch (i) {
            case COL_SYSDESCR: job.answer.strSysDescr = ValueText(var); break;
            case COL_SYSNAME: job.answer.strSysName = ValueText(var); break;
            case COL_HRDESCR: job.answer.strHrDeviceDescr = ValueText(var); break;
            case COL_PRINTERMIB: job.answer.bPrinterMib = true; break;
            case COL_SERIAL: job.answer.strSerial = ValueText(var); break;
            case COL_DEVICEID: job.answer.strDeviceId = ValueText(var); break;
            }
        }
        return 1;
    }

    // The agent's engine, from its report, becomes the session's; the user's keys are then
    // localised to it, as the library's own probe would have done.
    static void TakeEngine(netsnmp_session& session, const netsnmp_pdu& report) {
        auto copy = [](u_char*& dst, size_t& dstLen, const u_char* src, size_t len) {
            std::free(dst);
            dst = static_cast<u_char*>(std::malloc(len));
            std::memcpy(dst, src, len);
            dstLen = len;
        };
        copy(session.securityEngineID, session.securityEngineIDLen, report.securityEngineID,
             report.securityEngineIDLen);
        if (session.contextEngineIDLen == 0)
            copy(session.contextEngineID, session.contextEngineIDLen, report.securityEngineID,
                 report.securityEngineIDLen);
        create_user_from_session(&session);
        session.flags |= SNMP_FLAGS_USER_CREATED;
    }

public:
    const SnmpSettings& m_settings;
};

} // namespace

bool SnmpScanAvailable(std::string&) {
    return true;
}

bool SnmpCheckSettings(const SnmpSettings& settings, std::string& strError) {
    if (!settings.bV3)
        return true;
    if (settings.strUser.empty()) {
        strError = "SNMPv3 needs a user";
        return false;
    }
    if (!settings.strAuthProtocol.empty() && !FindProto(kAuthProtocols, settings.strAuthProtocol)) {
        strError = "unknown authentication protocol " + settings.strAuthProtocol +
                   " (MD5, SHA, SHA-224, SHA-256, SHA-384 or SHA-512)";
        return false;
    }
    if (!settings.strPrivProtocol.empty() && !FindProto(kPrivProtocols, settings.strPrivProtocol)) {
        strError = "unknown privacy protocol " + settings.strPrivProtocol +
                   " (DES, AES, AES-192 or AES-256)";
        return false;
    }
    if (!settings.strPrivProtocol.empty() && settings.strAuthProtocol.empty()) {
        strError = "SNMPv3 privacy needs authentication as well";
        return false;
    }
    // net-snmp (and RFC 3414's key localisation) refuse shorter pass phrases.
    if (!settings.strAuthProtocol.empty() && settings.strAuthPass.size() < 8) {
        strError = "the authentication pass phrase must have at least 8 characters";
        return false;
    }
    if (!settings.strPrivProtocol.empty() && settings.strPrivPass.size() < 8) {
        strError = "the privacy pass phrase must have at least 8 characters";
        return false;
    }
    return true;
}

bool SnmpScan(const std::vector<uint32_t>& addrs, const SnmpSettings& settings, unsigned int nJobs,
              const std::function<void(const SnmpAnswer&)>& onAnswer,
              const std::function<bool()>& stop, std::string& strError) {
    if (!SnmpCheckSettings(settings, strError))
        return false;
    InitLibrary();
    nJobs = std::max(1u, nJobs);
    Scanner scanner(settings);
    std::deque<std::unique_ptr<Job>> running;
    size_t next = 0;
    bool bStopped = false;
    while (next < addrs.size() || !running.empty()) {
        if (!bStopped && stop && stop())
            bStopped = true;
        while (!bStopped && next < addrs.size() && running.size() < nJobs) {
            std::unique_ptr<Job> job(new Job);
            job->answer.addr = addrs[next++];
            if (!scanner.Start(*job, strError))
                return false;
            if (job->pSess == nullptr) {
                // No socket to be had (or one select cannot watch): the address waits for
                // one of those under way to end; with none under way, the run cannot go on.
                if (running.empty()) {
                    strError = "cannot open a socket for SNMP: " +
                               std::string(std::strerror(errno));
                    return false;
                }
                --next;
                break;
            }
            snmp_sess_session(job->pSess)->myvoid = &scanner;
            running.push_back(std::move(job));
        }
        if (bStopped) {
            for (auto& job : running)
                Scanner::Finish(*job);
            running.clear();
            break;
        }
        fd_set fds;
        FD_ZERO(&fds);
        int nfds = 0, block = 1;
        struct timeval tv = {0, 100000};
        for (auto& job : running)
            if (!job->bDone)
                snmp_sess_select_info(job->pSess, &nfds, &fds, &tv, &block);
        // Wake at least every 100 ms for stop requests and the caller's progress.
        struct timeval cap = {0, 100000};
        // (timercmp's operator argument is more than cppcheck can parse)
        if (block || tv.tv_sec > cap.tv_sec || (tv.tv_sec == cap.tv_sec && tv.tv_usec > cap.tv_usec))
            tv = cap;
        const int ready = select(nfds, &fds, nullptr, nullptr, &tv);
        for (auto& job : running) {
            if (job->bDone)
                continue;
            if (ready > 0)
                snmp_sess_read(job->pSess, &fds);
            if (!job->bDone)
                snmp_sess_timeout(job->pSess);
        }
        for (auto it = running.begin(); it != running.end();) {
            if (!(*it)->bDone) {
                ++it;
                continue;
            }
            Scanner::Finish(**it);
            onAnswer((*it)->answer);
            it = running.erase(it);
        }
    }
    return true;
}

std::vector<bool> ProbeTcpPorts(const std::vector<uint32_t>& addrs, unsigned short wPort,
                                unsigned long dwTimeoutMs, unsigned int nJobs) {
    std::vector<bool> open(addrs.size(), false);
    nJobs = std::max(1u, nJobs);
    for (size_t begin = 0; begin < addrs.size(); begin += nJobs) {
        const size_t end = std::min(addrs.size(), begin + nJobs);
        std::vector<pollfd> polls;
        std::vector<size_t> index;
        for (size_t i = begin; i < end; ++i) {
            const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            if (fd < 0)
                continue;
            sockaddr_in sa = {};
            sa.sin_family = AF_INET;
            sa.sin_port = htons(wPort);
            sa.sin_addr.s_addr = htonl(addrs[i]);
            const int rc = connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
            if (rc == 0) {
                open[i] = true;
                close(fd);
                continue;
            }
            if (errno != EINPROGRESS) {
                close(fd);
                continue;
            }
            polls.push_back({fd, POLLOUT, 0});
            index.push_back(i);
        }
        const auto due = std::chrono::steady_clock::now() + std::chrono::milliseconds(dwTimeoutMs);
        size_t pending = polls.size();
        while (pending > 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                due - std::chrono::steady_clock::now());
            if (left.count() <= 0 || poll(polls.data(), polls.size(), int(left.count())) <= 0)
                break;
            for (size_t k = 0; k < polls.size(); ++k) {
                if (polls[k].fd < 0 || polls[k].revents == 0)
                    continue;
                int err = 0;
                socklen_t len = sizeof err;
                getsockopt(polls[k].fd, SOL_SOCKET, SO_ERROR, &err, &len);
                open[index[k]] = err == 0;
                close(polls[k].fd);
                polls[k].fd = -1; // poll skips negative descriptors
                --pending;
            }
        }
        for (const pollfd& p : polls)
            if (p.fd >= 0)
                close(p.fd);
    }
    return open;
}
