// JSON encoding of the simulator's log lines.
#include "SimJson.h"

#include <cstdio>

std::string JsonQuote(const std::string& text) {
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

JsonLine& JsonLine::AddNumber(const std::string& key, int64_t value) {
    m_fields.emplace_back(key, std::to_string(value));
    return *this;
}

JsonLine& JsonLine::Add(const std::string& key, const std::string& value) {
    m_fields.emplace_back(key, JsonQuote(value));
    return *this;
}

JsonLine& JsonLine::Add(const std::string& key, bool value) {
    m_fields.emplace_back(key, value ? "true" : "false");
    return *this;
}

JsonLine& JsonLine::Append(const JsonLine& other) {
    m_fields.insert(m_fields.end(), other.m_fields.begin(), other.m_fields.end());
    return *this;
}

std::string JsonLine::Text() const {
    std::string out = "{";
    for (const auto& field : m_fields) {
        if (out.size() > 1)
            out += ',';
        out += JsonQuote(field.first) + ':' + field.second;
    }
    return out + "}";
}
