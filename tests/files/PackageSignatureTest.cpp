// The signature's cryptography on every platform (OpenSSL natively, CNG under Wine) against a
// signature the openssl command line made, and the trust rules that judge a package.
#include "TestKeys.h"
#include "zepPackageLoad.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

ZepBytes PublicDer(const char* pem) {
    ZepBytes der;
    std::string error;
    EXPECT_TRUE(ZepP256PublicKeyFromPem(pem, der, error)) << error;
    return der;
}

TEST(SignatureCrypto, ChecksWhatTheOpensslCommandLineSigned) {
    const ZepBytes sig(VECTOR_SIGNATURE, VECTOR_SIGNATURE + sizeof VECTOR_SIGNATURE);
    ZepBytes flipped = sig, longer = sig;
    flipped[20] ^= 0x01;
    longer.push_back(0);
    const struct {
        const char* what;
        const char* key;
        std::string message;
        ZepBytes signature;
        bool bValid;
    } cases[] = {
        {"as made", TEST1_PUBLIC, VECTOR_MESSAGE, sig, true},
        {"message changed", TEST1_PUBLIC, std::string(VECTOR_MESSAGE) + " ", sig, false},
        {"signature changed", TEST1_PUBLIC, VECTOR_MESSAGE, flipped, false},
        {"bytes after the signature", TEST1_PUBLIC, VECTOR_MESSAGE, longer, false},
        {"no signature", TEST1_PUBLIC, VECTOR_MESSAGE, ZepBytes(), false},
        {"another key", TEST2_PUBLIC, VECTOR_MESSAGE, sig, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ZepVerifyP256(PublicDer(c.key), c.message, c.signature), c.bValid) << c.what;
}

TEST(SignatureCrypto, TakesOnlyP256PublicKeys) {
    EXPECT_EQ(ZepKeyFingerprint(PublicDer(TEST1_PUBLIC)), TEST1_FINGERPRINT);
    for (const char* pem : {P384_PUBLIC, TEST1_PRIVATE, "", "-----BEGIN PUBLIC KEY-----\nAAAA\n"
                                                             "-----END PUBLIC KEY-----\n"}) {
        ZepBytes der;
        std::string error;
        EXPECT_FALSE(ZepP256PublicKeyFromPem(pem, der, error)) << pem;
        EXPECT_FALSE(error.empty());
    }
}

// Known answers, the data fed whole and in uneven pieces.
TEST(SignatureCrypto, Sha256OfKnownTexts) {
    const struct {
        std::string text;
        const char* pszHex;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& c : cases) {
        for (size_t piece : {c.text.size() + 1, size_t(7)}) {
            ZepSha256 hash;
            for (size_t at = 0; at < c.text.size(); at += piece)
                hash.Update(c.text.data() + at, std::min(piece, c.text.size() - at));
            unsigned char digest[ZEP_SHA256_SIZE];
            ASSERT_TRUE(hash.Final(digest));
            EXPECT_EQ(c.pszHex, ZepHex(digest, sizeof digest))
                << c.text.size() << " " << piece;
        }
    }
}

TEST(PackageTrust, JudgesBySignatureAndConfiguration) {
    const struct {
        ZepSignatureState state;
        const char* signer;
        bool bKeys, bRequire, bAllow;
        ZepTrustVerdict verdict;
    } cases[] = {
        // No configuration: nothing is checked, but a broken signature is never taken.
        {ZEP_SIG_UNSIGNED, "", false, false, false, ZEP_TRUST_NOT_CHECKED},
        {ZEP_SIG_VALID, "other", false, false, false, ZEP_TRUST_NOT_CHECKED},
        {ZEP_SIG_INVALID, "trusted", false, false, false, ZEP_TRUST_BAD_SIGNATURE},
        // Trusted keys configured.
        {ZEP_SIG_VALID, "trusted", true, false, false, ZEP_TRUST_SIGNED},
        {ZEP_SIG_VALID, "other", true, false, true, ZEP_TRUST_UNKNOWN_KEY},
        {ZEP_SIG_INVALID, "trusted", true, false, true, ZEP_TRUST_BAD_SIGNATURE},
        {ZEP_SIG_UNSIGNED, "", true, false, false, ZEP_TRUST_UNSIGNED},
        {ZEP_SIG_UNSIGNED, "", true, false, true, ZEP_TRUST_UNSIGNED_ALLOWED},
        // A signature required without keys: any valid one, never none.
        {ZEP_SIG_UNSIGNED, "", false, true, false, ZEP_TRUST_UNSIGNED},
        {ZEP_SIG_VALID, "other", false, true, false, ZEP_TRUST_NOT_CHECKED},
    };
    for (const auto& c : cases) {
        ZepPackageFacts facts;
        facts.eSignature = c.state;
        facts.strSigner = c.signer;
        ZepTrust trust;
        if (c.bKeys)
            trust.fingerprints.push_back("trusted");
        trust.bRequireSigned = c.bRequire;
        trust.bAllowUnsigned = c.bAllow;
        EXPECT_EQ(ZepJudgePackage(facts, trust), c.verdict)
            << c.state << " " << c.signer << " " << c.bKeys << c.bRequire << c.bAllow;
    }
}

} // namespace
