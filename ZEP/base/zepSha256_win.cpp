// SHA-256 through Windows CNG (bcrypt). The hash object's memory is CNG's own (Windows 7 on).
#include "zepSha256.h"

#include <windows.h>

#include <bcrypt.h>

struct ZepSha256::State {
    BCRYPT_ALG_HANDLE alg = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool bOk = false;
    ~State() {
        if (hash != nullptr)
            BCryptDestroyHash(hash);
        if (alg != nullptr)
            BCryptCloseAlgorithmProvider(alg, 0);
    }
};

namespace {

bool Succeeded(NTSTATUS status) {
    return status >= 0;
}

} // namespace

ZepSha256::ZepSha256() : m_state(new State) {
    m_state->bOk =
        Succeeded(
            BCryptOpenAlgorithmProvider(&m_state->alg, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) &&
        Succeeded(BCryptCreateHash(m_state->alg, &m_state->hash, nullptr, 0, nullptr, 0, 0));
}

ZepSha256::~ZepSha256() = default;

bool ZepSha256::Update(const void* data, size_t size) {
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    while (m_state->bOk && size != 0) { // CNG takes at most a ULONG at a time
        const ULONG piece = size > 0x40000000u ? 0x40000000u : static_cast<ULONG>(size);
        m_state->bOk =
            Succeeded(BCryptHashData(m_state->hash, const_cast<PUCHAR>(bytes), piece, 0));
        bytes += piece;
        size -= piece;
    }
    return m_state->bOk;
}

bool ZepSha256::Final(unsigned char digest[DIGEST_SIZE]) {
    const bool bOk =
        m_state->bOk && Succeeded(BCryptFinishHash(m_state->hash, digest, DIGEST_SIZE, 0));
    m_state->bOk = false; // ended
    return bOk;
}
