// Test image generator: a splitmix64 stream written little-endian.
#include "TestImage.h"

#include "AtomicFile.h"

#include <cstdint>
#include <vector>

namespace {

uint64_t SplitMix64(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

} // namespace

bool WriteTestImage(const std::string& path, unsigned long long size, unsigned long long seed,
                    std::string& error) {
    AtomicFile out;
    if (!out.Open(path, error))
        return false;
    uint64_t state = seed;
    std::vector<unsigned char> buf(1 << 16);
    for (unsigned long long left = size; left > 0;) {
        for (size_t i = 0; i < buf.size(); i += 8) {
            uint64_t v = SplitMix64(state);
            for (size_t b = 0; b < 8; ++b)
                buf[i + b] = static_cast<unsigned char>(v >> (8 * b));
        }
        size_t n = left < buf.size() ? static_cast<size_t>(left) : buf.size();
        out.Write(buf.data(), n);
        left -= n;
    }
    return out.Commit(error);
}
