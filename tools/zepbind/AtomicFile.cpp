// Temporary-file-and-rename output of the packer.
#include "AtomicFile.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

AtomicFile::~AtomicFile() {
    Discard();
}

bool AtomicFile::Open(const std::string& path, std::string& error) {
    Discard();
    m_path = path;
    m_bWriteFailed = false;
    // A name nobody can guess, created only if nothing (no symbolic link either) is there.
    m_fp = CreateExclusiveTemp(path + ".zepbind-tmp.", m_tmpPath);
    if (m_fp == nullptr) {
        error = "cannot create a temporary file beside " + path;
        m_tmpPath.clear();
        return false;
    }
    return true;
}

void AtomicFile::Write(const void* data, size_t size) {
    if (m_fp == nullptr || std::fwrite(data, 1, size, m_fp) != size)
        m_bWriteFailed = true;
}

bool AtomicFile::CopyFrom(std::FILE* in, unsigned long long& copied) {
    std::vector<unsigned char> buf(1 << 16);
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), in)) > 0) {
        Write(buf.data(), n);
        copied += n;
    }
    return !std::ferror(in);
}

bool AtomicFile::Commit(std::string& error, const std::string& permissionsFrom) {
    if (m_fp == nullptr) {
        error = "no output open";
        return false;
    }
    // On disk before the rename: a crash must not leave a renamed but empty output.
    bool bOk = std::fflush(m_fp) == 0 && FlushToDisk(m_fp) && !m_bWriteFailed;
    bOk = std::fclose(m_fp) == 0 && bOk;
    m_fp = nullptr;
    if (!bOk) {
        error = "cannot write " + m_path;
        Discard();
        return false;
    }
    std::error_code ec;
    if (!permissionsFrom.empty()) {
        fs::file_status st = fs::status(permissionsFrom, ec);
        if (!ec)
            fs::permissions(m_tmpPath, st.permissions(), ec); // best effort
        ec.clear();
    }
    fs::rename(m_tmpPath, m_path, ec);
    if (ec) {
        error = "cannot rename " + m_tmpPath + " to " + m_path + ": " + ec.message();
        Discard();
        return false;
    }
    m_tmpPath.clear();
    return true;
}

void AtomicFile::Discard() {
    if (m_fp != nullptr)
        std::fclose(m_fp);
    m_fp = nullptr;
    if (!m_tmpPath.empty()) {
        std::error_code ec;
        fs::remove(m_tmpPath, ec);
        m_tmpPath.clear();
    }
}
