// Trailer and directory reading for the packer's list, extract and verify commands.
#include "BindDirectory.h"

#include "zepBindFormat.h"

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
    m_fileSize = std::filesystem::file_size(path, ec);
    FilePtr fp(ec ? nullptr : std::fopen(path.c_str(), "rb"));
    if (!fp) {
        error = "cannot read " + path;
        return false;
    }
    const unsigned long long trailerAt = m_fileSize - sizeof(tagBindManagementInfo);
    tagBindManagementInfo trailer;
    if (m_fileSize < sizeof trailer || m_fileSize > INT32_MAX ||
        std::fseek(fp.get(), static_cast<long>(trailerAt), SEEK_SET) != 0 ||
        std::fread(&trailer, sizeof trailer, 1, fp.get()) != 1 || !ZepBindHasMagic(trailer)) {
        error = path + " carries no package (no ZEPBIND trailer)";
        return false;
    }
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
