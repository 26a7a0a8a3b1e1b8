// Helpers of the file tests.
#include "TestFiles.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    fs::path p = fs::temp_directory_path() /
                 ("zep-files-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    fs::create_directories(p);
    m_path = p.string();
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

std::string TempDir::Path(const std::string& name) const {
    return (fs::path(m_path) / name).string();
}

void WriteFileBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
    if (!f)
        throw std::runtime_error("cannot write " + path);
}

void WriteFileText(const std::string& path, const std::string& text) {
    WriteFileBytes(path, Bytes(text.begin(), text.end()));
}

Bytes ReadFileBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void RawPackage::AddLE32(int32_t v) {
    uint32_t u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        m_bytes.push_back(static_cast<unsigned char>(u >> (8 * i)));
}

int32_t RawPackage::AddData(const std::string& data) {
    int32_t offset = Size();
    m_bytes.insert(m_bytes.end(), data.begin(), data.end());
    return offset;
}

void RawPackage::AddEntry(const std::string& name, int32_t offset, int32_t size) {
    for (size_t i = 0; i < 32; ++i)
        m_bytes.push_back(i < name.size() ? static_cast<unsigned char>(name[i]) : 0);
    AddLE32(offset);
    AddLE32(size);
}

void RawPackage::AddTrailer(int32_t dirOffset, int32_t count, const std::string& magic8) {
    AddLE32(dirOffset);
    AddLE32(count);
    for (size_t i = 0; i < 8; ++i)
        m_bytes.push_back(i < magic8.size() ? static_cast<unsigned char>(magic8[i]) : 0);
}

RawPackage RawPackage::Simple(const std::vector<std::pair<std::string, std::string>>& files,
                              const Bytes& prefix) {
    RawPackage pkg(prefix);
    std::vector<int32_t> offsets;
    for (const auto& f : files)
        offsets.push_back(pkg.AddData(f.second));
    int32_t dir = pkg.Size();
    for (size_t i = 0; i < files.size(); ++i)
        pkg.AddEntry(files[i].first, offsets[i], static_cast<int32_t>(files[i].second.size()));
    pkg.AddTrailer(dir, static_cast<int32_t>(files.size()));
    return pkg;
}

std::unique_ptr<zepParse> ParserWith(const std::string& text, loadFile_type type) {
    std::unique_ptr<zepParse> p(new zepParse);
    std::string copy = text;
    p->loadData(&copy[0], static_cast<unsigned long>(copy.size()), type);
    return p;
}

std::string Rows(const std::vector<std::string>& rows) {
    std::string text;
    for (size_t i = 0; i < rows.size(); ++i)
        text += (i ? "\r\n" : "") + rows[i];
    return text;
}

std::string PatternData(size_t size, unsigned seed) {
    std::string s(size, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i) {
        x = x * 1664525u + 1013904223u;
        s[i] = static_cast<char>(x >> 24);
    }
    return s;
}
