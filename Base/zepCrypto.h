// The cryptography the package signature needs, from the platform's own library: OpenSSL's
// libcrypto on Linux and macOS (zepCrypto_openssl.cpp), CNG on Windows (zepCrypto_win.cpp).
// Nothing here is our own cryptography; the seam only moves bytes in and out.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

typedef std::vector<unsigned char> ZepBytes;

enum { ZEP_SHA256_SIZE = 32 };

// Streaming SHA-256. A failure inside the library makes Final return false.
class ZepSha256 {
public:
    ZepSha256();
    ~ZepSha256();
    void Update(const void* pData, size_t size);
    bool Final(unsigned char (&digest)[ZEP_SHA256_SIZE]);

    ZepSha256(const ZepSha256&) = delete;
    ZepSha256& operator=(const ZepSha256&) = delete;

private:
    struct State;
    State* m_pState; // null when the library could not start a hash
};

// Lower-case hex of a byte string.
std::string ZepHex(const unsigned char* p, size_t size);
// SHA-256 of a byte string in hex ("" when the library fails).
std::string ZepSha256Hex(const void* pData, size_t size);

// A PEM "PUBLIC KEY" (SubjectPublicKeyInfo) holding an ECDSA P-256 key, as DER. False with a
// reason for any other text, key type or curve.
bool ZepP256PublicKeyFromPem(const std::string& strPem, ZepBytes& der, std::string& strError);
// The same check on DER bytes (a key that travels inside a package). Only the one encoding of
// a P-256 key (uncompressed point, 91 bytes) is taken: a fingerprint names exactly one text.
bool ZepIsP256PublicKey(const ZepBytes& der);
// That encoding's shape, the part of the check that needs no library.
bool ZepIsCanonicalP256Key(const ZepBytes& der);

// ECDSA P-256 over SHA-256 of the message; the signature DER-encoded (what
// `openssl dgst -sha256 -sign` makes). False for a bad signature, a bad key or a library fault.
bool ZepVerifyP256(const ZepBytes& publicKeyDer, const std::string& strMessage,
                   const ZepBytes& signatureDer);

// Signs with the private key in a PEM file (PKCS#8 or SEC 1, unencrypted); also gives its public
// key as DER. False with a reason where the platform's build does not sign (Windows).
bool ZepSignP256(const std::string& strKeyPem, const std::string& strMessage,
                 ZepBytes& signatureDer, ZepBytes& publicKeyDer, std::string& strError);
