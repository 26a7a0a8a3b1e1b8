// JSON encoding of the simulator's log lines.
#include "SimJson.h"

#include <cstdio>

namespace {
bool NeedsEscape(unsigned char c) {
    return c == '"' || c == '\\' || c < 0x20 || c >= 0x7F;
}
} // namespace

std::string JsonQuote(const std::string& text) {
    bool bPlain = true;
    for (unsigned char c : text)
        bPlain = bPlain && !NeedsEscape(c);
    if (bPlain) // nearly every name and key: one copy
        return '"' + text + '"';
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

JsonLine& JsonLine::AddEncoded(const std::string& key, const std::string& encoded) {
    if (!m_body.empty())
        m_body += ',';
    m_body += JsonQuote(key);
    m_body += ':';
    m_body += encoded;
    return *this;
}

JsonLine& JsonLine::AddNumber(const std::string& key, int64_t value) {
    return AddEncoded(key, std::to_string(value));
}

JsonLine& JsonLine::Add(const std::string& key, const std::string& value) {
    return AddEncoded(key, JsonQuote(value));
}

JsonLine& JsonLine::Add(const std::string& key, bool value) {
    return AddEncoded(key, value ? "true" : "false");
}

JsonLine& JsonLine::Append(const JsonLine& other) {
    if (!m_body.empty() && !other.m_body.empty())
        m_body += ',';
    m_body += other.m_body;
    return *this;
}
