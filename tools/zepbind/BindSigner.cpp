// The packer's signing: the manifest over the package's files, the signature entry, the new
// directory, all written beside the target and moved into place only once it verifies.
#include "BindSigner.h"

#include "AtomicFile.h"
#include "zepPackageSign.h"
#include "zepPeImage.h"

#include <climits>
#include <filesystem>
#include <memory>
#include <system_error>

namespace {

struct FileCloser {
    void operator()(std::FILE* fp) const { std::fclose(fp); }
};
typedef std::unique_ptr<std::FILE, FileCloser> FilePtr;

const size_t MAX_SMALL_FILE = 64 * 1024;

bool HashRange(std::FILE* fp, unsigned long long start, unsigned long long size, std::string& hex) {
    if (start > LONG_MAX || std::fseek(fp, static_cast<long>(start), SEEK_SET) != 0)
        return false;
    ZepSha256 hash;
    std::vector<unsigned char> buf(1 << 20);
    while (size > 0) {
        const size_t n = static_cast<size_t>(std::min<unsigned long long>(buf.size(), size));
        if (std::fread(buf.data(), 1, n, fp) != n)
            return false;
        hash.Update(buf.data(), n);
        size -= n;
    }
    unsigned char digest[ZEP_SHA256_SIZE];
    if (!hash.Final(digest))
        return false;
    hex = ZepHex(digest, sizeof digest);
    return true;
}

bool CopyRange(std::FILE* fp, unsigned long long size, AtomicFile& out) {
    if (std::fseek(fp, 0, SEEK_SET) != 0)
        return false;
    std::vector<unsigned char> buf(1 << 20);
    while (size > 0) {
        const size_t n = static_cast<size_t>(std::min<unsigned long long>(buf.size(), size));
        if (std::fread(buf.data(), 1, n, fp) != n)
            return false;
        out.Write(buf.data(), n);
        size -= n;
    }
    return true;
}

} // namespace

bool ReadSmallFile(const std::string& path, std::string& text, std::string& error) {
    FilePtr fp(std::fopen(path.c_str(), "rb"));
    if (!fp) {
        error = "cannot read " + path;
        return false;
    }
    text.assign(MAX_SMALL_FILE + 1, '\0');
    text.resize(std::fread(&text[0], 1, text.size(), fp.get()));
    if (std::ferror(fp.get()) || text.size() > MAX_SMALL_FILE) {
        error = std::ferror(fp.get()) ? "cannot read " + path : path + " is too large for a key";
        return false;
    }
    return true;
}

bool PlanSigning(const std::string& inPath, SigningPlan& plan, std::string& error) {
    plan = SigningPlan();
    std::error_code ec;
    const unsigned long long fileSize = std::filesystem::file_size(inPath, ec);
    FilePtr fp(ec ? nullptr : std::fopen(inPath.c_str(), "rb"));
    if (!fp) {
        error = "cannot read " + inPath;
        return false;
    }
    ZepPeCertTable table;
    std::string why;
    if (ZepPeReadSignature(fp.get(), fileSize, table, why) == ZEP_PE_SIGNED) {
        error = inPath + " is already signed with Authenticode, which signing the package would "
                         "break: sign the package, then the program";
        return false;
    }
    if (!ZepReadPackageLayout(fp.get(), fileSize, plan.layout, error)) {
        error = inPath + ": " + error;
        return false;
    }
    // An older signature is replaced; its bytes go when they lie right before the directory.
    plan.count = plan.layout.entries.size();
    plan.cut = plan.layout.llDirectoryAt;
    if (plan.count > 0 &&
        ZepBindEntryName(plan.layout.entries[plan.count - 1]) == ZEP_BIND_SIGNATURE_NAME) {
        const tagBindManagement& old = plan.layout.entries[--plan.count];
        if (old.lStartOffset.get() >= 0 &&
            static_cast<unsigned long long>(old.lStartOffset.get()) + old.lFlieSize.get() == plan.cut)
            plan.cut = static_cast<unsigned long long>(old.lStartOffset.get());
    }
    // What the updater would refuse to verify is refused here, before anything is signed.
    if (!ZepCheckSignableEntries(plan.layout, plan.count, plan.cut, error)) {
        error = inPath + ": " + error;
        return false;
    }
    std::vector<ZepManifestEntry> manifest;
    for (size_t i = 0; i < plan.count; ++i) {
        const tagBindManagement& e = plan.layout.entries[i];
        ZepManifestEntry m{ZepBindEntryName(e), static_cast<unsigned long long>(e.lFlieSize.get()),
                           std::string()};
        if (!HashRange(fp.get(), static_cast<unsigned long long>(e.lStartOffset.get()), m.llSize,
                       m.strSha256)) {
            error = "cannot read " + inPath;
            return false;
        }
        manifest.push_back(m);
    }
    return ZepBuildManifest(manifest, plan.manifest, error);
}

bool WriteSignedPackage(const std::string& inPath, const std::string& outPath,
                        const SigningPlan& plan, const ZepBytes& publicKey,
                        const ZepBytes& signature, std::string& error) {
    if (!ZepIsP256PublicKey(publicKey) || !ZepVerifyP256(publicKey, plan.manifest, signature)) {
        error = "the signature does not verify against the package and the key";
        return false;
    }
    const ZepBytes entry = ZepSignatureEntry(publicKey, signature);
    if (plan.cut + entry.size() + (plan.count + 1) * sizeof(tagBindManagement) +
            sizeof(tagBindManagementInfo) > INT32_MAX) {
        error = "the signed package would exceed 2 GiB - 1 bytes";
        return false;
    }
    FilePtr fp(std::fopen(inPath.c_str(), "rb"));
    AtomicFile out;
    if (!fp) {
        error = "cannot read " + inPath;
        return false;
    }
    if (!out.Open(outPath, error))
        return false;
    if (!CopyRange(fp.get(), plan.cut, out)) {
        error = "cannot read " + inPath;
        return false;
    }
    out.Write(entry.data(), entry.size());
    out.Write(plan.layout.entries.data(), plan.count * sizeof(tagBindManagement));
    tagBindManagement sigEntry = {};
    std::memcpy(sigEntry.szFileName, ZEP_BIND_SIGNATURE_NAME, sizeof ZEP_BIND_SIGNATURE_NAME);
    sigEntry.lStartOffset.set(static_cast<int32_t>(plan.cut));
    sigEntry.lFlieSize.set(static_cast<int32_t>(entry.size()));
    out.Write(&sigEntry, sizeof sigEntry);
    tagBindManagementInfo trailer;
    trailer.lStartManageOffset.set(static_cast<int32_t>(plan.cut + entry.size()));
    trailer.lAllFileNum.set(static_cast<int32_t>(plan.count + 1));
    std::memcpy(trailer.szBindComplete, ZEP_BIND_MAGIC, ZEP_BIND_MAGIC_SIZE);
    out.Write(&trailer, sizeof trailer);
    fp.reset();
    return out.Commit(error, inPath);
}

bool SignBindPackage(const std::string& inPath, const std::string& outPath,
                     const std::string& keyPath, std::string& fingerprint, std::string& error) {
    std::string pem;
    SigningPlan plan;
    ZepBytes signature, publicKey;
    if (!ReadSmallFile(keyPath, pem, error) || !PlanSigning(inPath, plan, error))
        return false;
    if (!ZepSignP256(pem, plan.manifest, signature, publicKey, error)) {
        error = keyPath + ": " + error;
        return false;
    }
    if (!WriteSignedPackage(inPath, outPath, plan, publicKey, signature, error))
        return false;
    fingerprint = ZepKeyFingerprint(publicKey);
    return true;
}

bool AttachSignature(const std::string& inPath, const std::string& outPath,
                     const std::string& publicKeyPath, const std::string& signaturePath,
                     std::string& fingerprint, std::string& error) {
    std::string pem, sig;
    ZepBytes publicKey;
    SigningPlan plan;
    if (!ReadSmallFile(publicKeyPath, pem, error) || !ReadSmallFile(signaturePath, sig, error))
        return false;
    if (!ZepP256PublicKeyFromPem(pem, publicKey, error)) {
        error = publicKeyPath + ": " + error;
        return false;
    }
    if (!PlanSigning(inPath, plan, error) ||
        !WriteSignedPackage(inPath, outPath, plan, publicKey, ZepBytes(sig.begin(), sig.end()),
                            error))
        return false;
    fingerprint = ZepKeyFingerprint(publicKey);
    return true;
}
