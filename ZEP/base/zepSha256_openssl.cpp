// SHA-256 through OpenSSL's EVP interface.
#include "zepSha256.h"

#include <openssl/evp.h>

struct ZepSha256::State {
    EVP_MD_CTX* ctx = nullptr;
    bool bOk = false;
    ~State() { EVP_MD_CTX_free(ctx); }
};

ZepSha256::ZepSha256() : m_state(new State) {
    m_state->ctx = EVP_MD_CTX_new();
    m_state->bOk =
        m_state->ctx != nullptr && EVP_DigestInit_ex(m_state->ctx, EVP_sha256(), nullptr) == 1;
}

ZepSha256::~ZepSha256() = default;

bool ZepSha256::Update(const void* data, size_t size) {
    m_state->bOk = m_state->bOk && EVP_DigestUpdate(m_state->ctx, data, size) == 1;
    return m_state->bOk;
}

bool ZepSha256::Final(unsigned char digest[DIGEST_SIZE]) {
    unsigned int length = 0;
    m_state->bOk = m_state->bOk && EVP_DigestFinal_ex(m_state->ctx, digest, &length) == 1 &&
                   length == DIGEST_SIZE;
    const bool bOk = m_state->bOk;
    m_state->bOk = false; // ended
    return bOk;
}
