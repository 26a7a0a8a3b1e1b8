// Helpers over the platform's hash that need no platform code.
#include "zepCrypto.h"

#include <algorithm>

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

bool ZepIsCanonicalP256Key(const ZepBytes& der) {
    // SEQUENCE { SEQUENCE { id-ecPublicKey, prime256v1 }, BIT STRING (no unused bits) { 04 X Y } }
    static const unsigned char prefix[] = {0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2A, 0x86, 0x48,
                                           0xCE, 0x3D, 0x02, 0x01, 0x06, 0x08, 0x2A, 0x86, 0x48,
                                           0xCE, 0x3D, 0x03, 0x01, 0x07, 0x03, 0x42, 0x00, 0x04};
    return der.size() == sizeof prefix + 64 && std::equal(prefix, prefix + sizeof prefix, der.begin());
}
