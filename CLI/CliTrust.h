// Whose firmware packages halvard accepts: keys given with --trust-key and the keys of the
// system's trusted-keys folder, and the --require-signed and --allow-unsigned switches.
#pragma once

#include "zepPackageLoad.h"

#include <string>
#include <vector>

struct CliOptions;

// A folder's key files (*.pem), in name order; a missing folder has none. False with a reason
// when the folder or a key in it could be changed by someone other than its owner and
// administrators (CliTrustFolder_posix.cpp / _win.cpp).
bool TrustedKeyFiles(const std::string& strFolder, std::vector<std::string>& files,
                     std::string& strError);

// The trust of this run. False with a reason naming the file for a key that cannot be read.
bool BuildTrust(const CliOptions& options, const std::string& strFolder, ZepTrust& trust,
                std::string& strError);

// The identity of the package a run sends, for every record it writes.
struct PackageIdentity {
    std::string strSha256;
    std::string strSigner;    // fingerprint, or "unsigned"
    std::string strSignature; // the verdict's name: "signed", "not verified", "unsigned, allowed"
};
PackageIdentity IdentityOf(const ZepPackageLoad& load);
// The identity as JSON members (no braces): "package_sha256", "signer", "signature".
std::string JsonPackageMembers(const PackageIdentity& id);
// One line for a summary on the terminal: the package's SHA-256 and who signed it, or that it
// was not verified.
std::string PackageLine(const PackageIdentity& id);
