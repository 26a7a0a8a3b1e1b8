// The signature's cryptography through the system's CNG (bcrypt) and its ASN.1 decoder
// (crypt32). Windows programs verify; signing is left to the Linux packer.
#include "zepCrypto.h"

#include <windows.h>

#include <bcrypt.h>
#include <wincrypt.h>

#include <cstring>

struct ZepSha256::State {
    BCRYPT_ALG_HANDLE hAlg;
    BCRYPT_HASH_HANDLE hHash;
    bool bFailed;
};

ZepSha256::ZepSha256() : m_pState(new State{nullptr, nullptr, false}) {
    if (BCryptOpenAlgorithmProvider(&m_pState->hAlg, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0 ||
        BCryptCreateHash(m_pState->hAlg, &m_pState->hHash, nullptr, 0, nullptr, 0, 0) != 0)
        m_pState->bFailed = true;
}

ZepSha256::~ZepSha256() {
    if (m_pState->hHash != nullptr)
        BCryptDestroyHash(m_pState->hHash);
    if (m_pState->hAlg != nullptr)
        BCryptCloseAlgorithmProvider(m_pState->hAlg, 0);
    delete m_pState;
}

void ZepSha256::Update(const void* pData, size_t size) {
    const unsigned char* p = static_cast<const unsigned char*>(pData);
    while (!m_pState->bFailed && size != 0) {
        const ULONG n = size > 0x40000000u ? 0x40000000u : static_cast<ULONG>(size);
        if (BCryptHashData(m_pState->hHash, const_cast<PUCHAR>(p), n, 0) != 0)
            m_pState->bFailed = true;
        p += n;
        size -= n;
    }
}

bool ZepSha256::Final(unsigned char (&digest)[ZEP_SHA256_SIZE]) {
    if (m_pState->bFailed || BCryptFinishHash(m_pState->hHash, digest, ZEP_SHA256_SIZE, 0) != 0)
        return false;
    m_pState->bFailed = true; // a hash is finished once
    return true;
}

namespace {

// The P-256 curve's object identifier as DER: the key's algorithm parameters.
const unsigned char P256_OID[] = {0x06, 0x08, 0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x03, 0x01, 0x07};
const size_t P256_COORD = 32;

// X and Y of an uncompressed P-256 point from DER SubjectPublicKeyInfo.
bool PointFromDer(const ZepBytes& der, unsigned char (&xy)[2 * P256_COORD]) {
    CERT_PUBLIC_KEY_INFO* pInfo = nullptr;
    DWORD cb = 0;
    if (!ZepIsCanonicalP256Key(der) ||
        !CryptDecodeObjectEx(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, der.data(),
                             static_cast<DWORD>(der.size()), CRYPT_DECODE_ALLOC_FLAG, nullptr,
                             &pInfo, &cb))
        return false;
    const bool bOk =
        pInfo->Algorithm.pszObjId != nullptr &&
        std::strcmp(pInfo->Algorithm.pszObjId, szOID_ECC_PUBLIC_KEY) == 0 &&
        pInfo->Algorithm.Parameters.cbData == sizeof P256_OID &&
        std::memcmp(pInfo->Algorithm.Parameters.pbData, P256_OID, sizeof P256_OID) == 0 &&
        pInfo->PublicKey.cbData == 1 + 2 * P256_COORD && pInfo->PublicKey.cUnusedBits == 0 &&
        pInfo->PublicKey.pbData[0] == 0x04;
    if (bOk)
        std::memcpy(xy, pInfo->PublicKey.pbData + 1, 2 * P256_COORD);
    LocalFree(pInfo);
    return bOk;
}

// One DER INTEGER at p (within end) into a 32-byte big-endian field; advances p. Strict: the
// shortest form, positive, at most 32 significant bytes.
bool ReadInteger(const unsigned char*& p, const unsigned char* end, unsigned char* out) {
    if (end - p < 2 || p[0] != 0x02 || p[1] == 0 || p[1] > P256_COORD + 1 || end - p - 2 < p[1])
        return false;
    size_t len = p[1];
    const unsigned char* v = p + 2;
    p = v + len;
    if (v[0] & 0x80)
        return false; // negative
    if (v[0] == 0 && len > 1) {
        if (!(v[1] & 0x80))
            return false; // not the shortest form
        ++v;
        --len;
    }
    if (len > P256_COORD)
        return false;
    std::memset(out, 0, P256_COORD);
    std::memcpy(out + P256_COORD - len, v, len);
    return true;
}

// DER ECDSA-Sig-Value (SEQUENCE of r and s) as CNG's r || s.
bool RawSignature(const ZepBytes& der, unsigned char (&rs)[2 * P256_COORD]) {
    if (der.size() < 8 || der[0] != 0x30 || der[1] != der.size() - 2 || der[1] >= 0x80)
        return false;
    const unsigned char* p = der.data() + 2;
    const unsigned char* end = der.data() + der.size();
    return ReadInteger(p, end, rs) && ReadInteger(p, end, rs + P256_COORD) && p == end;
}

bool Sha256(const std::string& strMessage, unsigned char (&digest)[ZEP_SHA256_SIZE]) {
    ZepSha256 hash;
    hash.Update(strMessage.data(), strMessage.size());
    return hash.Final(digest);
}

} // namespace

bool ZepP256PublicKeyFromPem(const std::string& strPem, ZepBytes& der, std::string& strError) {
    const char* begin = "-----BEGIN PUBLIC KEY-----";
    DWORD cb = 0;
    if (strPem.find(begin) == std::string::npos || strPem.size() > 65536 ||
        !CryptStringToBinaryA(strPem.c_str(), static_cast<DWORD>(strPem.size()),
                              CRYPT_STRING_BASE64HEADER, nullptr, &cb, nullptr, nullptr) ||
        cb == 0) {
        strError = "not a PEM public key (-----BEGIN PUBLIC KEY-----)";
        return false;
    }
    der.resize(cb);
    unsigned char xy[2 * P256_COORD];
    if (!CryptStringToBinaryA(strPem.c_str(), static_cast<DWORD>(strPem.size()),
                              CRYPT_STRING_BASE64HEADER, der.data(), &cb, nullptr, nullptr) ||
        (der.resize(cb), !PointFromDer(der, xy))) {
        strError = "not an ECDSA P-256 key";
        return false;
    }
    return true;
}

bool ZepIsP256PublicKey(const ZepBytes& der) {
    unsigned char xy[2 * P256_COORD];
    return PointFromDer(der, xy);
}

bool ZepVerifyP256(const ZepBytes& publicKeyDer, const std::string& strMessage,
                   const ZepBytes& signatureDer) {
    struct {
        BCRYPT_ECCKEY_BLOB head;
        unsigned char xy[2 * P256_COORD];
    } blob;
    unsigned char rs[2 * P256_COORD];
    unsigned char digest[ZEP_SHA256_SIZE];
    if (!PointFromDer(publicKeyDer, blob.xy) || !RawSignature(signatureDer, rs) ||
        !Sha256(strMessage, digest))
        return false;
    blob.head.dwMagic = BCRYPT_ECDSA_PUBLIC_P256_MAGIC;
    blob.head.cbKey = P256_COORD;
    BCRYPT_ALG_HANDLE hAlg = nullptr;
    BCRYPT_KEY_HANDLE hKey = nullptr;
    bool bOk = false;
    if (BCryptOpenAlgorithmProvider(&hAlg, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0) == 0) {
        if (BCryptImportKeyPair(hAlg, nullptr, BCRYPT_ECCPUBLIC_BLOB, &hKey,
                                reinterpret_cast<PUCHAR>(&blob), sizeof blob, 0) == 0) {
            bOk = BCryptVerifySignature(hKey, nullptr, digest, sizeof digest, rs, sizeof rs, 0) == 0;
            BCryptDestroyKey(hKey);
        }
        BCryptCloseAlgorithmProvider(hAlg, 0);
    }
    return bOk;
}

bool ZepSignP256(const std::string&, const std::string&, ZepBytes&, ZepBytes&,
                 std::string& strError) {
    strError = "this build verifies signatures but does not make them; sign with the Linux zepbind";
    return false;
}
