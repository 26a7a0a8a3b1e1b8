// One-line JSON objects for the simulator's log, built field by field in insertion order.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

// Quoted JSON string; bytes outside printable ASCII become \u00XX so that any byte the host
// sends in a file name yields valid JSON.
std::string JsonQuote(const std::string& text);

class JsonLine {
public:
    template <class T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>, int> = 0>
    JsonLine& Add(const std::string& key, T value) {
        return AddNumber(key, static_cast<int64_t>(value));
    }
    JsonLine& Add(const std::string& key, const std::string& value);
    JsonLine& Add(const std::string& key, const char* value) {
        return Add(key, std::string(value));
    }
    JsonLine& Add(const std::string& key, bool value);
    // Appends every field of other after this object's own.
    JsonLine& Append(const JsonLine& other);
    bool Empty() const { return m_body.empty(); }
    std::string Text() const { return "{" + m_body + "}"; }

private:
    JsonLine& AddNumber(const std::string& key, int64_t value);
    JsonLine& AddEncoded(const std::string& key, const std::string& encoded);
    // The fields as encoded so far, without the braces: one line per record the host sends,
    // so it is built in one string rather than field by field.
    std::string m_body;
};
