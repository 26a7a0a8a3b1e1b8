// Hand-written JSON: the objects are small and flat, and the program depends on nothing else.
#include "CliJson.h"

#include "CliTexts.h"

#include <cstdio>

// Length of the well-formed UTF-8 sequence at text[i], or 0 when the bytes there are not one.
static size_t Utf8Length(const std::string& text, size_t i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    size_t n = 0;
    unsigned char lo = 0x80, hi = 0xBF; // allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        lo = c == 0xE0 ? 0xA0 : 0x80; // no overlong forms
        hi = c == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        lo = c == 0xF0 ? 0x90 : 0x80;
        hi = c == 0xF4 ? 0x8F : 0xBF;
    }
    if (n == 0 || i + n > text.size())
        return 0;
    const unsigned char second = static_cast<unsigned char>(text[i + 1]);
    if (second < lo || second > hi)
        return 0;
    for (size_t k = 2; k < n; ++k) {
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return 0;
    }
    return n;
}

static std::string EscapedByte(unsigned char c) {
    char esc[8];
    std::snprintf(esc, sizeof esc, "\\u%04x", c);
    return esc;
}

// Texts from the package may be in any encoding: bytes that are not UTF-8 are written as the
// Latin-1 characters of the same value, so the output always stays valid JSON.
std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            size_t n = Utf8Length(text, i);
            out += n ? text.substr(i, n) : EscapedByte(c);
            i += n ? n - 1 : 0;
            continue;
        }
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += c < 0x20 ? EscapedByte(c) : std::string(1, static_cast<char>(c));
        }
    }
    return out + "\"";
}

const char* UpdateStateName(update_state state) {
    switch (state) {
    case NORMALMODE_STATE:
        return "NORMALMODE_STATE";
    case DOWNLOADMODE_STATE:
        return "DOWNLOADMODE_STATE";
    case CHECKVERSION_STATE:
        return "CHECKVERSION_STATE";
    case TRANSFER_FIRM:
        return "TRANSFER_FIRM";
    case WRITING_FIRM:
        return "WRITING_FIRM";
    case END_FIRM_UPDATE:
        return "END_FIRM_UPDATE";
    case END_UPDATE:
        return "END_UPDATE";
    case UPDATE_ERROR:
        return "UPDATE_ERROR";
    }
    return "UNKNOWN";
}

static std::string FileNameOf(const tag_devinfo& info) {
    std::string name(info.FileName, sizeof info.FileName);
    return name.substr(0, name.find('\0')); // the field may lack its terminator
}

std::string JsonProgress(const tag_devinfo& info, const ProgressView& view) {
    return "{\"state\":" + JsonString(UpdateStateName(info.UpdateState)) +
           ",\"file\":" + JsonString(FileNameOf(info)) +
           ",\"current\":" + std::to_string(info.dwCurrentSize) +
           ",\"max\":" + std::to_string(info.dwMaxSize) +
           ",\"image\":" + std::to_string(info.dwFirmIdx) +
           ",\"updated\":" + std::to_string(info.dwUpdatedFirmNum) +
           ",\"unconfirmed\":" + std::to_string(info.dwUnconfirmedFirmNum) +
           ",\"stop_waits_for_write\":" + (info.bStopWaitsForWrite ? "true" : "false") +
           ",\"result\":" + std::to_string(info.nResult) +
           ",\"status\":" + JsonString(StatusText(view)) +
           ",\"percent\":" + std::to_string(view.FilledPercent()) + "}";
}

std::string JsonFinal(ZEPRESULT nResult, uint32_t dwUpdatedFirmNum, bool bStopped,
                      const std::string& strMessage, uint32_t dwUnconfirmedFirmNum) {
    return "{\"final\":true,\"result\":" + std::to_string(nResult) +
           ",\"updated\":" + std::to_string(dwUpdatedFirmNum) +
           ",\"stopped\":" + (bStopped ? "true" : "false") +
           ",\"message\":" + JsonString(strMessage) +
           ",\"unconfirmed\":" + std::to_string(dwUnconfirmedFirmNum) + "}";
}

std::string JsonListing(const std::string& strModel,
                        const std::vector<std::pair<std::string, std::string>>& firmware) {
    std::string out = "{\"model\":" + JsonString(strModel) + ",\"firmware\":[";
    for (size_t i = 0; i < firmware.size(); ++i) {
        out += i ? "," : "";
        out += "{\"type\":" + JsonString(firmware[i].first) +
               ",\"version\":" + JsonString(firmware[i].second) + "}";
    }
    return out + "]}";
}

std::string JsonWithDevice(const std::string& strDevice, const std::string& strObject) {
    const std::string member = "\"device\":" + JsonString(strDevice);
    if (strObject.size() < 2 || strObject.front() != '{')
        return "{" + member + "}";
    return "{" + member + (strObject.size() > 2 ? "," : "") + strObject.substr(1);
}
