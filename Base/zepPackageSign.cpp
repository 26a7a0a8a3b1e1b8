// Reading a package for its digest and signature, in one pass over its bytes.
#include "zepPackageSign.h"

#include "zepBindTrailer.h"
#include "zepUtil.h"

#include <algorithm>
#include <climits>
#include <set>
#include <memory>

namespace {

const char MANIFEST_HEAD[] = "Halvard firmware package 1\n";
// A directory of more entries than this is no firmware package (they are a handful).
const long long MAX_ENTRIES = 65536;
const size_t MAX_KEY_SIZE = 1024;
const size_t MAX_SIGNATURE_SIZE = 256;
const size_t READ_BLOCK = 1 << 20;

bool ReadAt(std::FILE* fp, unsigned long long offset, void* p, size_t size) {
    return offset <= LONG_MAX && std::fseek(fp, static_cast<long>(offset), SEEK_SET) == 0 &&
           std::fread(p, 1, size, fp) == size;
}

bool IsSignatureName(const std::string& name) {
    return ZepEqualNoCase(name, ZEP_BIND_SIGNATURE_NAME);
}

bool NameFitsManifest(const std::string& name) {
    if (name.empty())
        return false;
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7F)
            return false;
    return true;
}

} // namespace

bool ZepCheckSignableEntries(const ZepPackageLayout& layout, size_t count,
                             unsigned long long llLimit, std::string& strProblem) {
    std::vector<size_t> byOffset;
    std::set<std::string> names;
    for (size_t i = 0; i < count; ++i) {
        const tagBindManagement& e = layout.entries[i];
        const long long start = e.lStartOffset.get(), size = e.lFlieSize.get();
        const std::string name = ZepBindEntryName(e);
        if (start < 0 || size < 0 || static_cast<unsigned long long>(start + size) > llLimit) {
            strProblem = "file " + name + " does not lie inside the package";
            return false;
        }
        // The name field's bytes after the name are NUL, so none of the entry escapes the check.
        const bool bPadded = name.size() < ZEP_BIND_NAME_SIZE &&
                             std::all_of(e.szFileName + name.size(), e.szFileName + ZEP_BIND_NAME_SIZE,
                                         [](char c) { return c == '\0'; });
        if (!NameFitsManifest(name) || !bPadded) {
            strProblem = "a file name that cannot be signed";
            return false;
        }
        std::string folded(name);
        for (char& c : folded)
            c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        if (!names.insert(folded).second) {
            strProblem = "file " + name + " appears twice";
            return false;
        }
        byOffset.push_back(i);
    }
    std::stable_sort(byOffset.begin(), byOffset.end(), [&](size_t a, size_t b) {
        return layout.entries[a].lStartOffset.get() < layout.entries[b].lStartOffset.get();
    });
    // The files lie end to end up to the limit: no byte between them escapes the signature,
    // and none is read twice.
    for (size_t k = 0; k < byOffset.size(); ++k) {
        const tagBindManagement& e = layout.entries[byOffset[k]];
        const long long end = e.lStartOffset.get() + e.lFlieSize.get();
        const long long next = k + 1 < byOffset.size()
                                   ? layout.entries[byOffset[k + 1]].lStartOffset.get()
                                   : static_cast<long long>(llLimit);
        if (end != next) {
            strProblem = end > next ? "files of the package overlap"
                                    : "bytes between the package's files";
            return false;
        }
    }
    return true;
}

namespace {

// Splits the signature entry into key and signature; false with a reason.
bool ReadSignatureEntry(std::FILE* fp, const ZepPackageLayout& layout, const tagBindManagement& e,
                        ZepBytes& key, ZepBytes& signature, std::string& strProblem) {
    const long long start = e.lStartOffset.get(), size = e.lFlieSize.get();
    tagBindSignatureHead head;
    if (start < 0 || size < static_cast<long long>(sizeof head) ||
        static_cast<unsigned long long>(start + size) > layout.llDirectoryAt ||
        static_cast<unsigned long long>(size) > sizeof head + MAX_KEY_SIZE + MAX_SIGNATURE_SIZE) {
        strProblem = "the signature entry is damaged";
        return false;
    }
    ZepBytes bytes(static_cast<size_t>(size));
    if (!ReadAt(fp, static_cast<unsigned long long>(start), bytes.data(), bytes.size())) {
        strProblem = "the signature entry cannot be read";
        return false;
    }
    std::memcpy(&head, bytes.data(), sizeof head);
    const long long keySize = head.lKeySize.get(), sigSize = head.lSignatureSize.get();
    if (std::memcmp(head.szMagic, ZEP_SIGNATURE_MAGIC, sizeof head.szMagic) != 0 || keySize <= 0 ||
        sigSize <= 0 || static_cast<long long>(sizeof head) + keySize + sigSize != size) {
        strProblem = "the signature entry is damaged";
        return false;
    }
    key.assign(bytes.begin() + sizeof head, bytes.begin() + sizeof head + keySize);
    signature.assign(bytes.begin() + sizeof head + keySize, bytes.end());
    return true;
}

} // namespace

bool ZepReadPackageLayout(std::FILE* fp, unsigned long long llFileSize, ZepPackageLayout& layout,
                          std::string& strError) {
    tagBindManagementInfo trailer;
    unsigned long long packageEnd = 0;
    std::string why;
    if (llFileSize > INT32_MAX) {
        strError = "the file is larger than a package can be";
        return false;
    }
    switch (ZepBindFindTrailer(fp, llFileSize, trailer, packageEnd, why)) {
    case ZEP_BIND_TRAILER_FOUND:
        return ZepReadPackageLayoutAt(fp, trailer, packageEnd, layout, strError);
    case ZEP_BIND_TRAILER_REFUSED:
        strError = "refused: " + why;
        return false;
    default:
        strError = "no firmware package (no ZEPBIND trailer)";
        return false;
    }
}

bool ZepReadPackageLayoutAt(std::FILE* fp, const tagBindManagementInfo& trailer,
                            unsigned long long llPackageEnd, ZepPackageLayout& layout,
                            std::string& strError) {
    layout = ZepPackageLayout();
    layout.llPackageEnd = llPackageEnd;
    if (llPackageEnd < sizeof trailer) {
        strError = "no firmware package (no ZEPBIND trailer)";
        return false;
    }
    const unsigned long long trailerAt = layout.llPackageEnd - sizeof trailer;
    const long long count = trailer.lAllFileNum.get(), start = trailer.lStartManageOffset.get();
    if (count < 0 || count > MAX_ENTRIES || start < 0 ||
        static_cast<unsigned long long>(start + count * static_cast<long long>(
                                                             sizeof(tagBindManagement))) > trailerAt) {
        strError = "the package's directory does not lie inside the file";
        return false;
    }
    layout.llDirectoryAt = static_cast<unsigned long long>(start);
    layout.entries.resize(static_cast<size_t>(count));
    if (count > 0 && !ReadAt(fp, layout.llDirectoryAt, layout.entries.data(),
                             layout.entries.size() * sizeof(tagBindManagement))) {
        strError = "the package's directory cannot be read";
        return false;
    }
    return true;
}

std::string ZepKeyFingerprint(const ZepBytes& publicKeyDer) {
    return ZepSha256Hex(publicKeyDer.data(), publicKeyDer.size());
}

bool ZepBuildManifest(const std::vector<ZepManifestEntry>& entries, std::string& strManifest,
                      std::string& strError) {
    strManifest = MANIFEST_HEAD + std::to_string(entries.size()) + " files\n";
    for (const ZepManifestEntry& e : entries) {
        if (!NameFitsManifest(e.strName) || IsSignatureName(e.strName)) {
            strError = "a file name that cannot be signed";
            return false;
        }
        strManifest += e.strSha256 + " " + std::to_string(e.llSize) + " " + e.strName + "\n";
    }
    return true;
}

ZepBytes ZepSignatureEntry(const ZepBytes& publicKeyDer, const ZepBytes& signatureDer) {
    tagBindSignatureHead head;
    std::memcpy(head.szMagic, ZEP_SIGNATURE_MAGIC, sizeof head.szMagic);
    head.lKeySize.set(static_cast<int32_t>(publicKeyDer.size()));
    head.lSignatureSize.set(static_cast<int32_t>(signatureDer.size()));
    ZepBytes bytes(reinterpret_cast<const unsigned char*>(&head),
                   reinterpret_cast<const unsigned char*>(&head) + sizeof head);
    bytes.insert(bytes.end(), publicKeyDer.begin(), publicKeyDer.end());
    bytes.insert(bytes.end(), signatureDer.begin(), signatureDer.end());
    return bytes;
}

bool ZepInspectPackage(std::FILE* fp, const ZepPackageLayout& layout, ZepPackageFacts& facts,
                       std::string& strError) {
    facts = ZepPackageFacts();
    const size_t count = layout.entries.size();
    // The signature, if any, is the directory's last entry; one anywhere else, or in another
    // letter case, is a package made to look signed to one reader and not to another.
    size_t nSigned = count;
    for (size_t i = 0; i < count; ++i) {
        const std::string name = ZepBindEntryName(layout.entries[i]);
        if (!IsSignatureName(name))
            continue;
        const tagBindManagement& e = layout.entries[i];
        if (i + 1 != count || name != ZEP_BIND_SIGNATURE_NAME ||
            !std::all_of(e.szFileName + name.size(), e.szFileName + ZEP_BIND_NAME_SIZE,
                         [](char c) { return c == '\0'; })) {
            facts.eSignature = ZEP_SIG_INVALID;
            facts.strProblem = "a signature entry out of place";
        } else if (facts.eSignature == ZEP_SIG_UNSIGNED) {
            facts.eSignature = ZEP_SIG_VALID; // until shown otherwise
            nSigned = i;
        }
    }
    ZepBytes key;
    if (facts.eSignature == ZEP_SIG_VALID) {
        // Files, signature, directory and trailer follow each other with nothing between.
        const tagBindManagement& sig = layout.entries[nSigned];
        const bool bPlaced =
            static_cast<unsigned long long>(sig.lStartOffset.get()) + sig.lFlieSize.get() ==
                layout.llDirectoryAt &&
            layout.llDirectoryAt + count * sizeof(tagBindManagement) +
                    sizeof(tagBindManagementInfo) ==
                layout.llPackageEnd;
        if (!ReadSignatureEntry(fp, layout, sig, key, facts.signature, facts.strProblem) ||
            !ZepCheckSignableEntries(layout, nSigned,
                                     static_cast<unsigned long long>(sig.lStartOffset.get()),
                                     facts.strProblem))
            facts.eSignature = ZEP_SIG_INVALID;
        else if (!bPlaced) {
            facts.eSignature = ZEP_SIG_INVALID;
            facts.strProblem = "bytes between the signature, the directory and the trailer";
        }
    }
    if (!key.empty())
        facts.strSigner = ZepKeyFingerprint(key);
    const bool bHashEntries = facts.eSignature == ZEP_SIG_VALID;

    // One pass from the first file to the trailer feeds the package's hash and, entry by entry
    // in file order, the manifest's: verifying costs one read of the package.
    unsigned long long regionStart = layout.llDirectoryAt;
    for (const tagBindManagement& e : layout.entries)
        if (e.lStartOffset.get() >= 0)
            regionStart = std::min(regionStart, static_cast<unsigned long long>(e.lStartOffset.get()));
    std::vector<size_t> order;
    for (size_t i = 0; bHashEntries && i < nSigned; ++i)
        order.push_back(i);
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return layout.entries[a].lStartOffset.get() < layout.entries[b].lStartOffset.get();
    });
    std::vector<std::unique_ptr<ZepSha256>> entryHash(nSigned);
    for (size_t i : order)
        entryHash[i].reset(new ZepSha256());
    ZepSha256 whole;
    std::unique_ptr<unsigned char[]> buf(new unsigned char[READ_BLOCK]);
    if (regionStart > LONG_MAX || std::fseek(fp, static_cast<long>(regionStart), SEEK_SET) != 0) {
        strError = "the package cannot be read";
        return false;
    }
    size_t next = 0; // first entry in file order not wholly hashed yet
    for (unsigned long long at = regionStart; at < layout.llPackageEnd;) {
        const size_t n = static_cast<size_t>(
            std::min<unsigned long long>(READ_BLOCK, layout.llPackageEnd - at));
        if (std::fread(buf.get(), 1, n, fp) != n) {
            strError = "the package cannot be read";
            return false;
        }
        whole.Update(buf.get(), n);
        for (size_t k = next; k < order.size(); ++k) {
            const tagBindManagement& e = layout.entries[order[k]];
            const unsigned long long start = static_cast<unsigned long long>(e.lStartOffset.get());
            const unsigned long long end = start + static_cast<unsigned long long>(e.lFlieSize.get());
            if (start >= at + n)
                break;
            const unsigned long long from = std::max(start, at), to = std::min(end, at + n);
            if (from < to)
                entryHash[order[k]]->Update(buf.get() + (from - at), static_cast<size_t>(to - from));
            if (end <= at + n && k == next)
                ++next;
        }
        at += n;
    }
    unsigned char digest[ZEP_SHA256_SIZE];
    if (!whole.Final(digest)) {
        strError = "the hash library failed";
        return false;
    }
    facts.strSha256 = ZepHex(digest, sizeof digest);
    if (!bHashEntries)
        return true;

    std::vector<ZepManifestEntry> manifest;
    for (size_t i = 0; i < nSigned; ++i) {
        if (!entryHash[i]->Final(digest)) {
            strError = "the hash library failed";
            return false;
        }
        manifest.push_back({ZepBindEntryName(layout.entries[i]),
                            static_cast<unsigned long long>(layout.entries[i].lFlieSize.get()),
                            ZepHex(digest, sizeof digest)});
    }
    if (!ZepBuildManifest(manifest, facts.strManifest, facts.strProblem) ||
        !ZepIsP256PublicKey(key) || !ZepVerifyP256(key, facts.strManifest, facts.signature)) {
        facts.eSignature = ZEP_SIG_INVALID;
        if (facts.strProblem.empty())
            facts.strProblem = ZepIsP256PublicKey(key) ? "the signature does not match the package"
                                                       : "the signature's key is not an ECDSA P-256 key";
    }
    return true;
}
