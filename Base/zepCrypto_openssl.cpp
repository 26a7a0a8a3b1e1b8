// The signature's cryptography through OpenSSL's libcrypto (EVP interfaces).
#include "zepCrypto.h"

#include <openssl/bio.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/obj_mac.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <climits>
#include <memory>

struct ZepSha256::State {
    EVP_MD_CTX* ctx;
    bool bFailed;
};

ZepSha256::ZepSha256() : m_pState(new State{EVP_MD_CTX_new(), false}) {
    if (m_pState->ctx == nullptr || EVP_DigestInit_ex(m_pState->ctx, EVP_sha256(), nullptr) != 1)
        m_pState->bFailed = true;
}

ZepSha256::~ZepSha256() {
    EVP_MD_CTX_free(m_pState->ctx);
    delete m_pState;
}

void ZepSha256::Update(const void* pData, size_t size) {
    if (!m_pState->bFailed && size != 0 && EVP_DigestUpdate(m_pState->ctx, pData, size) != 1)
        m_pState->bFailed = true;
}

bool ZepSha256::Final(unsigned char (&digest)[ZEP_SHA256_SIZE]) {
    unsigned int len = 0;
    if (m_pState->bFailed || EVP_DigestFinal_ex(m_pState->ctx, digest, &len) != 1 ||
        len != ZEP_SHA256_SIZE)
        return false;
    m_pState->bFailed = true; // a hash is finished once
    return true;
}

namespace {

struct KeyFree {
    void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
};
struct BioFree {
    void operator()(BIO* p) const { BIO_free(p); }
};
struct CtxFree {
    void operator()(EVP_MD_CTX* p) const { EVP_MD_CTX_free(p); }
};
typedef std::unique_ptr<EVP_PKEY, KeyFree> KeyPtr;

bool IsP256(EVP_PKEY* key) {
    if (key == nullptr || EVP_PKEY_get_base_id(key) != EVP_PKEY_EC)
        return false;
    char curve[64] = {};
    size_t len = 0;
    return EVP_PKEY_get_utf8_string_param(key, "group", curve, sizeof curve, &len) == 1 &&
           std::string(curve, len) == "prime256v1";
}

KeyPtr KeyFromDer(const ZepBytes& der) {
    if (!ZepIsCanonicalP256Key(der))
        return nullptr;
    const unsigned char* p = der.data();
    KeyPtr key(d2i_PUBKEY(nullptr, &p, static_cast<long>(der.size())));
    // Trailing bytes would let two texts name one key.
    if (!key || p != der.data() + der.size() || !IsP256(key.get()))
        return nullptr;
    return key;
}

bool PublicDer(EVP_PKEY* key, ZepBytes& der) {
    const int len = i2d_PUBKEY(key, nullptr);
    if (len <= 0)
        return false;
    der.resize(static_cast<size_t>(len));
    unsigned char* p = der.data();
    return i2d_PUBKEY(key, &p) == len;
}

// Keys come from files only; never ask a terminal for a pass phrase.
int NoPassphrase(char*, int, int, void*) {
    return -1;
}

} // namespace

bool ZepP256PublicKeyFromPem(const std::string& strPem, ZepBytes& der, std::string& strError) {
    std::unique_ptr<BIO, BioFree> bio(BIO_new_mem_buf(strPem.data(), static_cast<int>(strPem.size())));
    KeyPtr key(bio ? PEM_read_bio_PUBKEY(bio.get(), nullptr, NoPassphrase, nullptr) : nullptr);
    if (!key) {
        strError = "not a PEM public key (-----BEGIN PUBLIC KEY-----)";
        return false;
    }
    if (!IsP256(key.get())) {
        strError = "not an ECDSA P-256 key";
        return false;
    }
    if (!PublicDer(key.get(), der) || !ZepIsCanonicalP256Key(der)) {
        strError = "the key is not in uncompressed form (openssl pkey -pubout writes it so)";
        return false;
    }
    return true;
}

bool ZepIsP256PublicKey(const ZepBytes& der) {
    return KeyFromDer(der) != nullptr;
}

bool ZepVerifyP256(const ZepBytes& publicKeyDer, const std::string& strMessage,
                   const ZepBytes& signatureDer) {
    KeyPtr key = KeyFromDer(publicKeyDer);
    std::unique_ptr<EVP_MD_CTX, CtxFree> ctx(EVP_MD_CTX_new());
    if (!key || !ctx || signatureDer.empty())
        return false;
    return EVP_DigestVerifyInit(ctx.get(), nullptr, EVP_sha256(), nullptr, key.get()) == 1 &&
           EVP_DigestVerify(ctx.get(), signatureDer.data(), signatureDer.size(),
                            reinterpret_cast<const unsigned char*>(strMessage.data()),
                            strMessage.size()) == 1;
}

bool ZepSignP256(const std::string& strKeyPem, const std::string& strMessage,
                 ZepBytes& signatureDer, ZepBytes& publicKeyDer, std::string& strError) {
    std::unique_ptr<BIO, BioFree> bio(
        BIO_new_mem_buf(strKeyPem.data(), static_cast<int>(strKeyPem.size())));
    KeyPtr key(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, NoPassphrase, nullptr) : nullptr);
    if (!key) {
        strError = "not an unencrypted PEM private key";
        return false;
    }
    if (!IsP256(key.get())) {
        strError = "not an ECDSA P-256 key";
        return false;
    }
    std::unique_ptr<EVP_MD_CTX, CtxFree> ctx(EVP_MD_CTX_new());
    size_t len = 0;
    if (!ctx || EVP_DigestSignInit(ctx.get(), nullptr, EVP_sha256(), nullptr, key.get()) != 1 ||
        EVP_DigestSign(ctx.get(), nullptr, &len,
                       reinterpret_cast<const unsigned char*>(strMessage.data()),
                       strMessage.size()) != 1) {
        strError = "the library could not sign";
        return false;
    }
    signatureDer.resize(len);
    if (EVP_DigestSign(ctx.get(), signatureDer.data(), &len,
                       reinterpret_cast<const unsigned char*>(strMessage.data()),
                       strMessage.size()) != 1 ||
        !PublicDer(key.get(), publicKeyDer)) {
        strError = "the library could not sign";
        return false;
    }
    signatureDer.resize(len);
    return true;
}
