// Splits one fuzz input into the pieces a target needs: small integers, byte runs and strings.
// Reading past the end gives zeros and empty runs, so every input is a valid script.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool Empty() const { return m_pos >= m_size; }
    size_t Left() const { return m_size - m_pos; }

    uint8_t Byte() { return Empty() ? 0 : m_data[m_pos++]; }
    uint16_t U16() { return static_cast<uint16_t>(Byte() | (Byte() << 8)); }
    uint32_t U32() { return U16() | (static_cast<uint32_t>(U16()) << 16); }

    std::vector<uint8_t> Bytes(size_t n) {
        n = n < Left() ? n : Left();
        std::vector<uint8_t> out(m_data + m_pos, m_data + m_pos + n);
        m_pos += n;
        return out;
    }
    std::vector<uint8_t> Rest() { return Bytes(Left()); }

    // Up to the next separator byte (consumed) or the end.
    std::string Field(uint8_t separator) {
        std::string out;
        while (!Empty()) {
            uint8_t b = Byte();
            if (b == separator)
                break;
            out.push_back(static_cast<char>(b));
        }
        return out;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// The framing's clock for fuzzing: only the scripted transports move it, so time-outs follow the
// script instead of the machine's speed.
struct FuzzClock {
    static inline unsigned long s_now = 0;
    static unsigned long Now() { return s_now; }
};
