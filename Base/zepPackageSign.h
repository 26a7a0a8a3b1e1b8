// Package signatures: what a signature covers, where it travels, and how a package is read
// for one. The signature is an entry of its own, "ZEPSIGNATURE", the last of the directory;
// readers that do not know it never look it up. It signs a short text, the manifest, that
// names every other entry in directory order with its size and the SHA-256 of its bytes:
//
//   Halvard firmware package 1\n
//   <count> files\n
//   <sha256 hex> <size> <name>\n        (one line per entry)
//
// so nothing can be added, removed, renamed, reordered or changed without breaking it, and
// `openssl dgst -sha256 -verify` checks it against the manifest that `zepbind signed-bytes`
// prints. docs/PACKAGE-SIGNATURES.md tells the whole form.
#pragma once

#include "zepBindFormat.h"
#include "zepCrypto.h"

#include <cstdio>
#include <string>
#include <vector>

static const char ZEP_BIND_SIGNATURE_NAME[] = "ZEPSIGNATURE";

// The signature entry's bytes: this head, the signer's public key (DER SubjectPublicKeyInfo),
// then the signature (DER ECDSA-Sig-Value).
struct tagBindSignatureHead {
    char szMagic[8];          // "ZEPSIG1" and its NUL
    ZEP_LE32 lKeySize;        // bytes of the public key
    ZEP_LE32 lSignatureSize;  // bytes of the signature
};
static_assert(sizeof(tagBindSignatureHead) == 16, "signature head size");
static_assert(offsetof(tagBindSignatureHead, lKeySize) == 8, "signature head layout");
static_assert(offsetof(tagBindSignatureHead, lSignatureSize) == 12, "signature head layout");
static const char ZEP_SIGNATURE_MAGIC[8] = {'Z', 'E', 'P', 'S', 'I', 'G', '1', '\0'};

enum ZepSignatureState {
    ZEP_SIG_UNSIGNED, // no signature entry
    ZEP_SIG_VALID,    // the signature holds for the key the package names
    ZEP_SIG_INVALID,  // a signature entry that does not hold; strProblem says why
};

// What one read of a package tells.
struct ZepPackageFacts {
    std::string strSha256;    // of the package's bytes, first file to trailer (a plain
                              // package file: the whole file, as sha256sum gives it)
    ZepSignatureState eSignature = ZEP_SIG_UNSIGNED;
    std::string strSigner;    // fingerprint of the key the signature entry names, when readable
    std::string strProblem;   // why the signature does not hold
    std::string strManifest;  // the signed text, when the package is signed
    ZepBytes signature;       // the signature's DER, when the package is signed
};

// A package's layout as found in its file: where it ends (the file's end, or a signed
// program's certificate table) and every directory entry.
struct ZepPackageLayout {
    unsigned long long llPackageEnd = 0;
    unsigned long long llDirectoryAt = 0;
    std::vector<tagBindManagement> entries;
};

// Finds the trailer and reads the whole directory of the file open in fp; false with a reason
// when there is none or it does not lie inside the package.
bool ZepReadPackageLayout(std::FILE* fp, unsigned long long llFileSize, ZepPackageLayout& layout,
                          std::string& strError);
// The same from a trailer already found, ending at llPackageEnd.
bool ZepReadPackageLayoutAt(std::FILE* fp, const tagBindManagementInfo& trailer,
                            unsigned long long llPackageEnd, ZepPackageLayout& layout,
                            std::string& strError);

// Reads the package once, hashing it whole and, when signed, each entry for the manifest, and
// checks the signature. False only when the file cannot be read (strError says why); a
// signature that does not hold is a fact, not an error.
bool ZepInspectPackage(std::FILE* fp, const ZepPackageLayout& layout, ZepPackageFacts& facts,
                       std::string& strError);

// The first count entries can be signed: named once (in any letter case, as Windows looks names
// up) with a name the manifest can carry and NUL padding, and lying end to end up to llLimit,
// so that every byte is covered and one pass reads each exactly once. False with a reason.
bool ZepCheckSignableEntries(const ZepPackageLayout& layout, size_t count,
                             unsigned long long llLimit, std::string& strProblem);

// Fingerprint of a public key: SHA-256 of its DER, in hex.
std::string ZepKeyFingerprint(const ZepBytes& publicKeyDer);

// The manifest over the given entries (none of them the signature), each with its digest; false
// when a name cannot appear in it (empty, control characters).
struct ZepManifestEntry {
    std::string strName;
    unsigned long long llSize;
    std::string strSha256;
};
bool ZepBuildManifest(const std::vector<ZepManifestEntry>& entries, std::string& strManifest,
                      std::string& strError);

// The signature entry's bytes for a key and a signature.
ZepBytes ZepSignatureEntry(const ZepBytes& publicKeyDer, const ZepBytes& signatureDer);
