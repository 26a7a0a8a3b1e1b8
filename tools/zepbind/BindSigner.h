// Signing a package, stand-alone or bound to a Windows program, with a key from a file.
#pragma once

#include "zepPackageSign.h"

#include <string>

// Reads the whole (small) file; false with a reason. Keys and texts only: at most 64 KiB.
bool ReadSmallFile(const std::string& path, std::string& text, std::string& error);

// Signs the package in inPath with the PEM private key in keyPath and writes the signed copy to
// outPath (which may be inPath): the package's files as they are, a "ZEPSIGNATURE" entry, and
// a new directory and trailer. An older signature is replaced. A program already signed with
// Authenticode is refused (sign the package first). What the updater would not verify is
// refused before anything is written. fingerprint names the signing key.
bool SignBindPackage(const std::string& inPath, const std::string& outPath,
                     const std::string& keyPath, std::string& fingerprint, std::string& error);

// The manifest a signature of the package in inPath covers (an older signature left out), and
// where the signed copy puts its signature. False with a reason when it cannot be signed.
struct SigningPlan {
    ZepPackageLayout layout;
    size_t count = 0;            // entries signed: all but an older signature
    unsigned long long cut = 0;  // bytes of the file kept before the signature entry
    std::string manifest;
};
bool PlanSigning(const std::string& inPath, SigningPlan& plan, std::string& error);

// Signs with a signature made elsewhere (`openssl dgst -sha256 -sign` over the manifest that
// signed-bytes writes): checked against the PEM public key before the copy is written.
bool AttachSignature(const std::string& inPath, const std::string& outPath,
                     const std::string& publicKeyPath, const std::string& signaturePath,
                     std::string& fingerprint, std::string& error);
