// Building the run's trust from options and the system's folder.
#include "CliTrust.h"

#include "CliJson.h"
#include "CliOptions.h"

#include <fstream>
#include <sstream>

namespace {

const std::streamsize MAX_KEY_FILE = 64 * 1024;

bool ReadKey(const std::string& path, ZepTrust& trust, std::string& strError) {
    std::ifstream in(path, std::ios::binary);
    std::string text(static_cast<size_t>(MAX_KEY_FILE) + 1, '\0');
    if (in)
        in.read(&text[0], MAX_KEY_FILE + 1);
    if (!in && !in.eof()) {
        strError = "cannot read the key " + path;
        return false;
    }
    text.resize(static_cast<size_t>(in.gcount()));
    std::string why;
    if (text.size() > static_cast<size_t>(MAX_KEY_FILE) || !ZepTrustAddKeyPem(trust, text, why)) {
        strError = "the key " + path + " cannot be used: " +
                   (why.empty() ? std::string("too large for a key") : why);
        return false;
    }
    return true;
}

} // namespace

bool BuildTrust(const CliOptions& options, const std::string& strFolder, ZepTrust& trust,
                std::string& strError) {
    trust = ZepTrust();
    trust.bAllowUnsigned = options.bAllowUnsigned;
    trust.bRequireSigned = options.bRequireSigned;
    std::vector<std::string> files;
    if (!strFolder.empty() && !TrustedKeyFiles(strFolder, files, strError))
        return false;
    files.insert(files.end(), options.trustKeys.begin(), options.trustKeys.end());
    for (const std::string& file : files)
        if (!ReadKey(file, trust, strError))
            return false;
    return true;
}

std::string JsonPackageMembers(const PackageIdentity& id) {
    return "\"package_sha256\":" + JsonString(id.strSha256) + ",\"signer\":" +
           JsonString(id.strSigner) + ",\"signature\":" + JsonString(id.strSignature);
}

std::string PackageLine(const PackageIdentity& id) {
    std::string line = "Package " + id.strSha256 + ": ";
    if (id.strSignature == ZepTrustVerdictName(ZEP_TRUST_SIGNED))
        return line + "signed by trusted key " + id.strSigner + ".";
    if (id.strSignature == ZepTrustVerdictName(ZEP_TRUST_UNSIGNED_ALLOWED))
        return line + "unsigned, sent because --allow-unsigned was given.";
    return line + "not verified (no trusted key is configured; " +
           (id.strSigner == "unsigned" ? std::string("unsigned") : "signed by " + id.strSigner) +
           ").";
}

PackageIdentity IdentityOf(const ZepPackageLoad& load) {
    PackageIdentity id;
    id.strSha256 = load.facts.strSha256;
    id.strSigner = load.facts.eSignature == ZEP_SIG_UNSIGNED ? "unsigned" : load.facts.strSigner;
    id.strSignature = ZepTrustVerdictName(load.eTrust);
    return id;
}
