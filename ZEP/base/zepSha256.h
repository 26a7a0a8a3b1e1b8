// SHA-256 of a byte stream fed in pieces. OpenSSL's libcrypto does the work natively
// (zepSha256_openssl.cpp), CNG on Windows (zepSha256_win.cpp): the build picks one.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

class ZepSha256 {
public:
    enum { DIGEST_SIZE = 32 };

    ZepSha256();
    ~ZepSha256();
    ZepSha256(const ZepSha256&) = delete;
    ZepSha256& operator=(const ZepSha256&) = delete;

    // Adds size bytes. Once anything has failed every later call fails too.
    bool Update(const void* data, size_t size);
    // Ends the hash; false when any step failed. No Update may follow.
    bool Final(unsigned char digest[DIGEST_SIZE]);

private:
    struct State;
    std::unique_ptr<State> m_state; // null when the hash could not be begun
};

// Bytes as lower-case hexadecimal digits, two per byte.
std::string ZepHexLower(const unsigned char* bytes, size_t size);
