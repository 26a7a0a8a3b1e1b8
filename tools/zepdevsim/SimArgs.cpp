// Flag table of zepdevsim: parsing and help come from the same rows.
#include "SimArgs.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <sstream>

namespace {

using Setter = std::function<bool(SimCommandLine&, const std::string&)>;

struct Flag {
    const char* name;
    const char* value; // null for a switch
    const char* help;
    Setter set;
};

// Decimal or 0x-hexadecimal (never octal: "010" is ten), within [min, max].
bool ParseInteger(const std::string& text, int64_t min, int64_t max, int64_t& value) {
    if (text.empty() || (min >= 0 && text[0] == '-'))
        return false;
    const size_t digits = text[0] == '-' ? 1 : 0;
    const bool hex = text.compare(digits, 2, "0x") == 0 || text.compare(digits, 2, "0X") == 0;
    errno = 0;
    char* end = nullptr;
    const long long parsed = std::strtoll(text.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || end == nullptr || *end != '\0' || parsed < min || parsed > max)
        return false;
    value = parsed;
    return true;
}

template <class T> Setter Number(T SimOptions::*field) {
    return [field](SimCommandLine& out, const std::string& text) {
        int64_t value = 0;
        if (!ParseInteger(text, std::numeric_limits<T>::min(), std::numeric_limits<T>::max(),
                          value))
            return false;
        out.options.*field = static_cast<T>(value);
        return true;
    };
}

Setter Switch(bool SimOptions::*field) {
    return [field](SimCommandLine& out, const std::string&) {
        out.options.*field = true;
        return true;
    };
}

Setter Text(std::string SimOptions::*field) {
    return [field](SimCommandLine& out, const std::string& text) {
        out.options.*field = text;
        return !text.empty();
    };
}

const std::vector<Flag>& Flags() {
    static const std::vector<Flag> flags = {
        {"--host", "HOST", "address to listen on (default 127.0.0.1)", Text(&SimOptions::host)},
        {"--port", "N", "TCP port; 0 picks a free one (default 48350)", Number(&SimOptions::port)},
        {"--target-info", "FILE", "content of the device's TargetInfo.txt (required)",
         [](SimCommandLine& out, const std::string& text) {
             out.targetInfoPath = text;
             return !text.empty();
         }},
        {"--out", "DIR", "write every image received whole and correct into DIR",
         Text(&SimOptions::outputDir)},
        {"--log", "FILE", "write the JSON-lines log to FILE (replaced at start)",
         Text(&SimOptions::logPath)},
        {"--enter-status", "S", "status answered to enter download mode (default 0x0080)",
         Number(&SimOptions::enterStatus)},
        {"--packet-size", "N", "data bytes per GetFile packet (default 1024)",
         Number(&SimOptions::getFilePacketSize)},
        {"--write-steps", "N", "status queries answered 0x0081 before 0x0080 (default 3)",
         Number(&SimOptions::writeSteps)},
        {"--no-ack-intermediate", nullptr, "do not reply to intermediate SendFile packets",
         [](SimCommandLine& out, const std::string&) {
             out.options.ackIntermediate = false;
             return true;
         }},
        {"--max-connections", "N",
         "accept N connections, exit once all have ended (default: until stopped)",
         Number(&SimOptions::maxConnections)},
        {"--max-record", "N", "largest DataLength accepted (default 16777216)",
         Number(&SimOptions::maxRecordSize)},
        {"--max-image", "N", "largest image accepted; larger get 0x0803 (default 268435456)",
         Number(&SimOptions::maxImageSize)},
        {"--idle-timeout", "MS",
         "drop a host that sends nothing for MS ms, ending its download mode; 0: never "
         "(default 60000)",
         Number(&SimOptions::idleTimeoutMs)},
        {"--block-delay-ms", "N", "pace: wait N ms before each answer to an intermediate block",
         Number(&SimOptions::blockDelayMs)},
        {"--verdict-delay-ms", "N",
         "pace: wait N ms before each answer to an image's final packet (erasing and "
         "verifying flash)",
         Number(&SimOptions::verdictDelayMs)},
        {"--jitter-ms", "N", "pace: add a random 0..N ms to each of those two waits",
         Number(&SimOptions::jitterMs)},
        {"--seed", "N", "seed of the jitter (default 1); each connection draws its own",
         Number(&SimOptions::seed)},
        {"--restart", nullptr,
         "restart once an update has ended with every image accepted and download mode is "
         "left: close every connection, take none for --restart-ms, then report the versions "
         "of --image-version",
         Switch(&SimOptions::restart)},
        {"--restart-ms", "MS", "how long a restart takes (default 3000); implies --restart",
         [](SimCommandLine& out, const std::string& text) {
             out.options.restart = true;
             return Number(&SimOptions::restartMs)(out, text);
         }},
        {"--image-version", "NAME=VERSION",
         "the image received under device file NAME installs VERSION: after a restart the "
         "VERSION row of that type reports it (repeatable)",
         [](SimCommandLine& out, const std::string& text) {
             const size_t eq = text.find('=');
             if (eq == 0 || eq == std::string::npos || eq + 1 == text.size())
                 return false;
             out.options.imageVersions[text.substr(0, eq)] = text.substr(eq + 1);
             return true;
         }},
        {"--restart-keeps-old", nullptr,
         "fault: come back from the restart with the old versions (the boot rejected the image)",
         Switch(&SimOptions::restartKeepsOld)},
        {"--restart-never-returns", nullptr, "fault: never come back from the restart",
         Switch(&SimOptions::restartNeverReturns)},
        {"--staged-ms", "MS",
         "fault: after the update keep serving and report the versions of --image-version for "
         "MS ms, then restart and come back with the old versions; implies --restart",
         [](SimCommandLine& out, const std::string& text) {
             out.options.restart = true;
             return Number(&SimOptions::stagedMs)(out, text);
         }},
        {"--busy-enters", "N", "fault: answer 0x1001 (busy) to the first N enters of any host",
         Number(&SimOptions::busyEnters)},
        {"--printing-ms", "MS",
         "fault: busy printing for MS ms after the start: every enter then is answered 0x1001",
         Number(&SimOptions::printingMs)},
        {"--log-times", nullptr, "every log line carries t_us, the steady clock in microseconds",
         Switch(&SimOptions::logTimes)},
        {"--close-at", "N", "fault: close the connection on receiving record N",
         Number(&SimOptions::closeAtRecord)},
        {"--silent-from", "N", "fault: read but never answer from record N on",
         Number(&SimOptions::silentFromRecord)},
        {"--silent-finals", nullptr,
         "fault: never answer an image's final packet, nor store the image",
         Switch(&SimOptions::silentFinals)},
        {"--delay-ms", "N", "fault: wait N ms before every reply",
         Number(&SimOptions::replyDelayMs)},
        {"--sendfile-status-at", "N", "fault: answer --sendfile-status to SendFile packet N",
         Number(&SimOptions::sendFileStatusAt)},
        {"--sendfile-status", "S", "status for --sendfile-status-at (default 0x0803)",
         Number(&SimOptions::sendFileStatus)},
        {"--corrupt-getfile-packet", "N",
         "fault: wrong CheckSum in packet N of every GetFile answer",
         Number(&SimOptions::corruptGetFilePacket)},
        {"--wrong-code-at", "N", "fault: replies to record N carry another command code",
         Number(&SimOptions::wrongCodeAtRecord)},
        {"--bad-length-at", "N", "fault: replies to record N misstate their DataLength",
         Number(&SimOptions::badLengthAtRecord)},
        {"--bad-length-delta", "D", "bytes added to that DataLength, may be negative (default 1)",
         Number(&SimOptions::badLengthDelta)},
        {"--query-fault-from", "N", "fault: status query N and later ones answer 0x0803",
         Number(&SimOptions::queryWriteFaultFrom)},
        {"--final-status-at", "N",
         "fault: final packet N (1 = an image's first) is answered --final-status and the "
         "image given up",
         Number(&SimOptions::finalStatusAt)},
        {"--final-status", "S", "verdict for --final-status-at (default 0x0804)",
         Number(&SimOptions::finalStatus)},
        {"--cut-reply-at", "N", "fault: send only half of the reply to record N, then close",
         Number(&SimOptions::cutReplyAt)},
        {"--help", nullptr, "show this text",
         [](SimCommandLine& out, const std::string&) {
             out.help = true;
             return true;
         }},
        {"--version", nullptr, "show the version of zepdevsim",
         [](SimCommandLine& out, const std::string&) {
             out.version = true;
             return true;
         }},
    };
    return flags;
}

const Flag* FindFlag(const std::string& name) {
    for (const Flag& flag : Flags())
        if (name == flag.name)
            return &flag;
    return name == "-h" ? FindFlag("--help") : nullptr;
}

} // namespace

bool ParseSimArgs(const std::vector<std::string>& args, SimCommandLine& out, std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        const Flag* flag = FindFlag(name);
        if (flag == nullptr) {
            error = "unknown argument: " + name;
            return false;
        }
        std::string value;
        if (flag->value != nullptr) {
            if (i + 1 >= args.size()) {
                error = name + " needs a value " + flag->value;
                return false;
            }
            value = args[++i];
        }
        if (!flag->set(out, value)) {
            error = "bad value for " + name + ": " + value;
            return false;
        }
    }
    if (!out.help && !out.version && out.targetInfoPath.empty()) {
        error = "--target-info FILE is required";
        return false;
    }
    return true;
}

bool LoadTargetInfo(SimCommandLine& commandLine, std::string& error) {
    std::ifstream in(commandLine.targetInfoPath, std::ios::binary);
    if (in) {
        commandLine.options.targetInfo.assign(std::istreambuf_iterator<char>(in),
                                              std::istreambuf_iterator<char>());
        if (!in.bad())
            return true;
    }
    error = "cannot read " + commandLine.targetInfoPath;
    return false;
}

std::string SimUsage() {
    std::ostringstream text;
    text << "usage: zepdevsim --target-info FILE [options]\n"
            "Simulates a printer's firmware-update service on TCP. Prints \"listening on "
            "HOST:PORT\"\nonce ready; stops on Ctrl-C or SIGTERM. Fault record numbers count "
            "the records of\neach connection from 1. Numbers may be given in hexadecimal "
            "(0x...).\n\n"
            "Like a device in the field, it serves hosts side by side but lets one at a time "
            "into\ndownload mode: another host's enter gets 0x1001 until the first exits or "
            "disconnects.\nOutside download mode GetFile and SendFile are refused (status "
            "0x0800) and nothing\nis written; so is a SendFile record larger than the MAXPACKET "
            "of TargetInfo.txt.\n\n";
    for (const Flag& flag : Flags()) {
        std::string left = std::string("  ") + flag.name;
        if (flag.value != nullptr)
            left += std::string(" ") + flag.value;
        left.resize(left.size() < 30 ? 30 : left.size() + 1, ' ');
        text << left << flag.help << '\n';
    }
    return text.str();
}
