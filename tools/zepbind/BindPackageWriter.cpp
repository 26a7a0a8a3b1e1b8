// Writer of bound packages: images in the order given, ZEPINFO.txt last, then the directory and
// the trailer. Everything is checked before the first byte is written.
#include "BindPackageWriter.h"

#include "AtomicFile.h"
#include "BindNames.h"
#include "InfoLineEnds.h"
#include "zepBindFormat.h"
#include "zepPeImage.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace fs = std::filesystem;

namespace {

struct Source {
    std::string path;
    std::string name;
    unsigned long long size;
    bool bInMemory = false; // written from content, not copied from path
    std::string content;
};

// The format's integers are signed 32-bit: the whole file has to stay below 2 GiB.
const unsigned long long MAX_PACKAGE_SIZE = INT32_MAX;

bool RegularFileSize(const std::string& path, unsigned long long& size, std::string& error) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        error = "cannot read " + path + ": no such file";
        return false;
    }
    size = fs::file_size(path, ec);
    if (ec) {
        error = "cannot read " + path + ": " + ec.message();
        return false;
    }
    return true;
}

// ZEPINFO.txt is small and read whole, so that its row ends can be checked and mended.
bool LoadInfo(const BindPackageSpec& spec, Source& info, std::string& error) {
    std::ifstream in(info.path, std::ios::binary);
    info.content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in && !in.eof()) {
        error = "cannot read " + info.path;
        return false;
    }
    if (const size_t row = FirstBareLineFeedRow(info.content)) {
        if (!spec.bCrLf) {
            error = info.path + ": row " + std::to_string(row) +
                    " ends in a bare line feed, which the updater does not take as a row end; "
                    "save it with CR LF line ends or pack with --crlf";
            return false;
        }
        info.content = WithCrLfRowEnds(info.content);
    }
    info.bInMemory = true;
    info.size = info.content.size();
    return true;
}

bool CollectSources(const BindPackageSpec& spec, std::vector<Source>& sources, std::string& error) {
    for (const std::string& image : spec.imagePaths)
        sources.push_back({image, fs::path(image).filename().string(), 0, false, {}});
    sources.push_back({spec.infoPath, ZEP_BIND_INFO_NAME, 0, false, {}});
    BindNameSet names;
    for (Source& src : sources) {
        if (!CheckBindName(src.name, error) || !names.Add(src.name, error)) {
            error += " (" + src.path + ")";
            return false;
        }
        if (!RegularFileSize(src.path, src.size, error))
            return false;
    }
    return LoadInfo(spec, sources.back(), error);
}

bool CarriesPackage(const std::string& path, unsigned long long size) {
    if (size < sizeof(tagBindManagementInfo))
        return false;
    std::FILE* fp = std::fopen(path.c_str(), "rb");
    if (fp == nullptr)
        return false;
    tagBindManagementInfo trailer;
    bool bFound = std::fseek(fp, -static_cast<long>(sizeof trailer), SEEK_END) == 0 &&
                  std::fread(&trailer, sizeof trailer, 1, fp) == 1 && ZepBindHasMagic(trailer);
    std::fclose(fp);
    return bFound;
}

// A signature covers the program as it was signed: anything bound after it breaks it.
bool CheckUnsigned(const std::string& path, unsigned long long size, std::string& error) {
    std::FILE* fp = std::fopen(path.c_str(), "rb");
    if (fp == nullptr) {
        error = "cannot read " + path;
        return false;
    }
    ZepPeCertTable table;
    std::string why;
    const ZepPeSignature state = ZepPeReadSignature(fp, size, table, why);
    std::fclose(fp);
    if (state == ZEP_PE_SIGNED) {
        error = path + " is already signed, and binding would break its signature: bind the "
                       "unsigned program, then sign the result";
        return false;
    }
    if (state == ZEP_PE_MALFORMED || state == ZEP_PE_NO_PE_HEADER) {
        error = path + " is no sound Windows program: " + why;
        return false;
    }
    return true;
}

bool CopyFile(const std::string& path, unsigned long long expected, AtomicFile& out,
              std::string& error) {
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr) {
        error = "cannot read " + path;
        return false;
    }
    unsigned long long copied = 0;
    bool bOk = out.CopyFrom(in, copied);
    std::fclose(in);
    if (!bOk || copied != expected) {
        error = bOk ? path + " changed while being packed" : "cannot read " + path;
        return false;
    }
    return true;
}

void WriteDirectory(const std::vector<Source>& sources, unsigned long long firstOffset,
                    AtomicFile& out) {
    unsigned long long offset = firstOffset;
    for (const Source& src : sources) {
        tagBindManagement entry = {};
        src.name.copy(entry.szFileName, ZEP_BIND_NAME_SIZE - 1);
        entry.lStartOffset.set(static_cast<int32_t>(offset));
        entry.lFlieSize.set(static_cast<int32_t>(src.size));
        out.Write(&entry, sizeof entry);
        offset += src.size;
    }
    tagBindManagementInfo trailer = {};
    trailer.lStartManageOffset.set(static_cast<int32_t>(offset));
    trailer.lAllFileNum.set(static_cast<int32_t>(sources.size()));
    std::copy(ZEP_BIND_MAGIC, ZEP_BIND_MAGIC + ZEP_BIND_MAGIC_SIZE, trailer.szBindComplete);
    out.Write(&trailer, sizeof trailer);
}

} // namespace

bool WriteBindPackage(const BindPackageSpec& spec, std::string& error) {
    std::vector<Source> sources;
    if (!CollectSources(spec, sources, error))
        return false;
    unsigned long long programSize = 0;
    if (!spec.programPath.empty()) {
        if (!RegularFileSize(spec.programPath, programSize, error))
            return false;
        if (!CheckUnsigned(spec.programPath, programSize, error))
            return false;
        if (CarriesPackage(spec.programPath, programSize)) {
            error = spec.programPath + " already carries a package";
            return false;
        }
    }
    unsigned long long total = programSize + sizeof(tagBindManagementInfo);
    for (const Source& src : sources)
        total += src.size + sizeof(tagBindManagement);
    if (total > MAX_PACKAGE_SIZE) {
        error = "package would be " + std::to_string(total) +
                " bytes; the format allows at most 2 GiB - 1";
        return false;
    }

    AtomicFile out;
    if (!out.Open(spec.outPath, error))
        return false;
    if (!spec.programPath.empty() && !CopyFile(spec.programPath, programSize, out, error))
        return false;
    for (const Source& src : sources) {
        if (src.bInMemory)
            out.Write(src.content.data(), src.content.size());
        else if (!CopyFile(src.path, src.size, out, error))
            return false;
    }
    WriteDirectory(sources, programSize, out);
    return out.Commit(error, spec.programPath);
}
