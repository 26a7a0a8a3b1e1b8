// Helpers over the platform's hash that need no platform code.
#include "zepCrypto.h"

std::string ZepHex(const unsigned char* p, size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    s.reserve(size * 2);
    for (size_t i = 0; i < size; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

std::string ZepSha256Hex(const void* pData, size_t size) {
    ZepSha256 hash;
    hash.Update(pData, size);
    unsigned char digest[ZEP_SHA256_SIZE];
    return hash.Final(digest) ? ZepHex(digest, sizeof digest) : std::string();
}
