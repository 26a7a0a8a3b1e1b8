// Word-wise byte sum of the simulator.
#include "SimChecksum.h"

#include <cstring>

namespace {
constexpr uint64_t kEvenBytes = 0x00FF00FF00FF00FFull;
// Each 16-bit lane gains at most 2 * 255 per word: 128 words keep every lane below 65536.
constexpr size_t kWordsPerFold = 128;
} // namespace

uint16_t SimChecksum(const unsigned char* data, size_t n, uint16_t seed) {
    uint64_t total = seed;
    size_t i = 0;
    while (n - i >= 8) {
        uint64_t lanes = 0; // four 16-bit partial sums
        for (size_t words = 0; words < kWordsPerFold && n - i >= 8; ++words, i += 8) {
            uint64_t word;
            std::memcpy(&word, data + i, sizeof word); // byte order does not matter to a sum
            lanes += (word & kEvenBytes) + ((word >> 8) & kEvenBytes);
        }
        total += (lanes & 0xFFFF) + ((lanes >> 16) & 0xFFFF) + ((lanes >> 32) & 0xFFFF) +
                 (lanes >> 48);
    }
    for (; i < n; ++i)
        total += data[i];
    return static_cast<uint16_t>(total);
}
