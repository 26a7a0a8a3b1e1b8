// Trailer and directory reading for the packer's list, extract and verify commands.
#include "BindDirectory.h"

#include "zepBindTrailer.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

namespace {

struct FileCloser {
    void operator()(std::FILE* fp) const { std::fclose(fp); }
};
typedef std::unique_ptr<std::FILE, FileCloser> FilePtr;

} // namespace

bool BindDirectory::Load(const std::string& path, std::string& error) {
    m_entries.clear();
    std::error_code ec;
    const unsigned long long fileSize = std::filesystem::file_size(path, ec);
    FilePtr fp(ec ? nullptr : std::fopen(path.c_str(), "rb"));
    if (!fp) {
        error = "cannot read " + path;
        return false;
    }
    tagBindManagementInfo trailer;
    unsigned long long packageEnd = 0;
    std::string why;
    const ZepBindTrailerSearch found =
        fileSize > INT32_MAX ? ZEP_BIND_TRAILER_ABSENT
                             : ZepBindFindTrailer(fp.get(), fileSize, trailer, packageEnd, why);
    if (found == ZEP_BIND_TRAILER_REFUSED) {
        error = path + " is refused: " + why;
        return false;
    }
    if (found != ZEP_BIND_TRAILER_FOUND) {
        error = path + " carries no package (no ZEPBIND trailer)";
        return false;
    }
    m_packageEnd = packageEnd; // a signed program's certificate table is no part of the package
    const unsigned long long trailerAt = packageEnd - sizeof trailer;
    const long long count = trailer.lAllFileNum.get();
    const long long start = trailer.lStartManageOffset.get();
    if (count < 0 || start < 0 ||
        start + count * static_cast<long long>(sizeof(tagBindManagement)) >
            static_cast<long long>(trailerAt)) {
        error = path + ": the directory (" + std::to_string(count) + " entries at offset " +
                std::to_string(start) + ") does not lie inside the file";
        return false;
    }
    std::vector<tagBindManagement> raw(static_cast<size_t>(count));
    if (std::fseek(fp.get(), static_cast<long>(start), SEEK_SET) != 0 ||
        std::fread(raw.data(), sizeof(tagBindManagement), raw.size(), fp.get()) != raw.size()) {
        error = "cannot read the directory of " + path;
        return false;
    }
    for (const tagBindManagement& e : raw)
        m_entries.push_back({ZepBindEntryName(e), e.lStartOffset.get(), e.lFlieSize.get()});
    return true;
}
