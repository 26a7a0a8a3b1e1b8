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
    size_t words = n / 8;
    const unsigned char* p = data;
    while (words > 0) {
        // A counted loop of plain operations, which an optimiser also turns into vector code.
        const size_t block = words < kWordsPerFold ? words : kWordsPerFold;
        uint64_t lanes = 0; // four 16-bit partial sums
        for (size_t w = 0; w < block; ++w) {
            uint64_t word;
            std::memcpy(&word, p + 8 * w, sizeof word); // byte order does not matter to a sum
            lanes += (word & kEvenBytes) + ((word >> 8) & kEvenBytes);
        }
        total +=
            (lanes & 0xFFFF) + ((lanes >> 16) & 0xFFFF) + ((lanes >> 32) & 0xFFFF) + (lanes >> 48);
        p += 8 * block;
        words -= block;
    }
    for (const unsigned char* end = data + n; p < end; ++p)
        total += *p;
    return static_cast<uint16_t>(total);
}
