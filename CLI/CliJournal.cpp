// Journal lines are written by this program with JsonString, so the reader needs only flat
// objects whose values are strings, numbers, booleans or null.
#include "CliJournal.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

void SkipSpace(const std::string& s, size_t& i) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r'))
        ++i;
}

void AppendUtf8(std::string& out, unsigned long cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool ParseString(const std::string& s, size_t& i, std::string& out) {
    if (i >= s.size() || s[i] != '"')
        return false;
    for (++i; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') {
            ++i;
            return true;
        }
        if (static_cast<unsigned char>(c) < 0x20)
            return false;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= s.size())
            return false;
        const char e = s[i];
        const char* const plain = "\"\\/bfnrt";
        const char* const meant = "\"\\/\b\f\n\r\t";
        const char* found = e != '\0' ? std::char_traits<char>::find(plain, 8, e) : nullptr;
        if (found != nullptr) {
            out += meant[found - plain];
            continue;
        }
        if (e != 'u' || i + 4 >= s.size())
            return false;
        unsigned long cp = 0;
        for (int k = 1; k <= 4; ++k) {
            const char h = s[i + k];
            const int digit = h >= '0' && h <= '9'   ? h - '0'
                              : h >= 'a' && h <= 'f' ? h - 'a' + 10
                              : h >= 'A' && h <= 'F' ? h - 'A' + 10
                                                     : -1;
            if (digit < 0)
                return false;
            cp = cp * 16 + static_cast<unsigned long>(digit);
        }
        AppendUtf8(out, cp);
        i += 4;
    }
    return false;
}

// A number, true, false or null: the characters that may make one.
bool ParseScalar(const std::string& s, size_t& i, std::string& word) {
    const size_t begin = i;
    while (i < s.size() && std::string("+-.0123456789eEtrufalsn").find(s[i]) != std::string::npos)
        ++i;
    word = s.substr(begin, i - begin);
    if (word == "true" || word == "false" || word == "null")
        return true;
    return !word.empty() && word.find_first_of("0123456789") != std::string::npos &&
           word.find_first_of("trufalsn") == std::string::npos;
}

// Where the file's last whole line ends (0: none), or -1 when it cannot be read.
long long WholeLinesEnd(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return 0; // no file yet
    long long end = static_cast<long long>(in.tellg());
    char chunk[4096];
    while (end > 0) {
        const long long from = end > static_cast<long long>(sizeof chunk)
                                   ? end - static_cast<long long>(sizeof chunk)
                                   : 0;
        in.seekg(from);
        if (!in.read(chunk, end - from))
            return -1;
        for (long long i = end - from; i > 0; --i)
            if (chunk[i - 1] == '\n')
                return from + i;
        end = from;
    }
    return 0;
}

} // namespace

bool ParseFlatJsonObject(const std::string& text, std::map<std::string, std::string>& strings,
                         std::map<std::string, std::string>* scalars) {
    size_t i = 0;
    SkipSpace(text, i);
    if (i >= text.size() || text[i++] != '{')
        return false;
    SkipSpace(text, i);
    if (i < text.size() && text[i] == '}')
        ++i;
    else {
        for (;;) {
            std::string key, value;
            SkipSpace(text, i);
            if (!ParseString(text, i, key))
                return false;
            SkipSpace(text, i);
            if (i >= text.size() || text[i++] != ':')
                return false;
            SkipSpace(text, i);
            if (i < text.size() && text[i] == '"') {
                if (!ParseString(text, i, value))
                    return false;
                strings[key] = value;
            } else if (!ParseScalar(text, i, value)) {
                return false;
            } else if (scalars != nullptr) {
                (*scalars)[key] = value;
            }
            SkipSpace(text, i);
            if (i < text.size() && text[i] == ',') {
                ++i;
                continue;
            }
            if (i < text.size() && text[i] == '}') {
                ++i;
                break;
            }
            return false;
        }
    }
    SkipSpace(text, i);
    return i == text.size();
}

bool FleetJournal::Open(const std::string& path, const std::string& strPackageSha256,
                        const std::string& strPackageMembers, std::string& strError) {
    m_strPackageSha256 = strPackageSha256;
    m_strPackageMembers = strPackageMembers;
    // Cut away rather than ended: an ended piece would be a whole line that is no outcome.
    const long long end = WholeLinesEnd(path);
    std::error_code missing, error;
    const uintmax_t size = std::filesystem::file_size(path, missing);
    if (end >= 0 && !missing && size != static_cast<uintmax_t>(end))
        std::filesystem::resize_file(path, static_cast<uintmax_t>(end), error);
    if (end < 0 || error) {
        strError = "cannot cut away the line a crash left unfinished in " + path;
        return false;
    }
    return m_file.Open(path, strError);
}

bool FleetJournal::Append(const std::string& strObject, bool bVerified) {
    // The object ends in its closing brace: the journal's own members go before it.
    // The package's members name its SHA-256 first; a journal opened without them still does.
    const std::string package = m_strPackageMembers.empty()
                                    ? "\"package_sha256\":\"" + m_strPackageSha256 + "\""
                                    : m_strPackageMembers;
    const std::string line = strObject.substr(0, strObject.rfind('}')) + "," + package +
                             ",\"verified\":" + (bVerified ? "true" : "false") + "}\n";
    std::lock_guard<std::mutex> guard(m_lock);
    return m_file.Append(line);
}

bool ReadJournal(const std::string& path, const JournalMatch& match,
                 std::map<std::string, DeviceOutcome>& last, std::string& strError) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        strError = "cannot read the journal " + path;
        return false;
    }
    std::stringstream whole;
    whole << in.rdbuf();
    const std::string text = whole.str();
    size_t begin = 0;
    for (unsigned int number = 1; begin < text.size(); ++number) {
        const size_t end = text.find('\n', begin);
        if (end == std::string::npos)
            break; // cut short by a crash: that device's outcome was never recorded
        const std::string line = text.substr(begin, end - begin);
        begin = end + 1;
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        std::map<std::string, std::string> members, scalars;
        DeviceOutcome outcome = DeviceOutcome::FAILED;
        if (!ParseFlatJsonObject(line, members, &scalars) || members.count("device") == 0 ||
            members.count("outcome") == 0 || !OutcomeFromJson(members["outcome"], outcome)) {
            strError = path + " line " + std::to_string(number) + ": not a device outcome";
            return false;
        }
        // A line of another package, or of one not named (an older journal), says nothing
        // about this package on that device; neither does an unverified one to a verifying run.
        const auto sha = members.find("package_sha256");
        if (sha != members.end() && !match.strPackageSha256.empty() &&
            sha->second == match.strPackageSha256 &&
            (!match.bVerified || scalars["verified"] == "true"))
            last[members["device"]] = outcome;
        else
            last.erase(members["device"]);
    }
    return true;
}
