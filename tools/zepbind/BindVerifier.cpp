// Package verification for the packer's verify command.
#include "BindVerifier.h"

#include "BindDirectory.h"
#include "BindNames.h"
#include "InfoLineEnds.h"
#include "ScopedBindReader.h"
#include "zepParse.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

void CheckEntries(const BindDirectory& dir, std::vector<std::string>& problems) {
    BindNameSet names;
    std::string error;
    for (const BindEntry& e : dir.Entries()) {
        if (!CheckBindName(e.name, error) || !names.Add(e.name, error))
            problems.push_back(error);
        if (e.offset < 0 || e.size < 0 ||
            static_cast<unsigned long long>(e.offset + e.size) > dir.PackageEnd())
            problems.push_back("file " + e.name + " (offset " + std::to_string(e.offset) +
                               ", size " + std::to_string(e.size) +
                               ") does not lie inside the package");
    }
    if (dir.Entries().size() < 2)
        problems.push_back("a package needs at least one image and ZEPINFO.txt");
}

// Reads ZEPINFO.txt through the updater's reader; false when it cannot be read whole.
bool ReadInfo(zepBindInfo& bind, std::string& text) {
    unsigned long dwSize = 0;
    if (!bind.getBindFileSize(ZEP_BIND_INFO_NAME, dwSize))
        return false;
    text.assign(dwSize, '\0');
    unsigned long dwGot = dwSize;
    return dwSize == 0 ||
           (bind.getBindFileData(ZEP_BIND_INFO_NAME, 0, reinterpret_cast<unsigned char*>(&text[0]),
                                 dwGot) &&
            dwGot == dwSize);
}

// The package file a VERSION row names, read the way the program that carries the package reads
// it: the Windows program keeps a folder part, the macOS program drops it. Empty when the row
// names none.
std::string RowFileName(zepParse& info, const std::string& row, bool bWindows) {
    for (std::string rest = info.getNextRowData(row); !rest.empty();
         rest = info.getNextRowData(rest)) {
        std::string field = info.removeDoubleQuot(rest.substr(0, info.getSeparatePoint(rest)));
        if (field.find('=') != std::string::npos)
            continue;
        size_t slash = field.find_last_of("/\\");
        return bWindows || slash == std::string::npos ? field : field.substr(slash + 1);
    }
    return std::string();
}

bool SameName(const std::string& a, const std::string& b, bool bWindows) {
    if (!bWindows)
        return a == b;
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return upper(x) == upper(y); });
}

// A package bound to a program (its first file does not start the file) is read by the Windows
// program, a stand-alone one by the macOS program; each looks names up by its own rules.
void CheckVersionRows(zepBindInfo& bind, const BindDirectory& dir,
                      std::vector<std::string>& problems) {
    std::string text;
    if (!ReadInfo(bind, text)) {
        problems.push_back("ZEPINFO.txt is missing or unreadable");
        return;
    }
    if (const size_t row = FirstBareLineFeedRow(text))
        problems.push_back("ZEPINFO.txt row " + std::to_string(row) +
                           " ends in a bare line feed: the updater reads it and the next as "
                           "one row (repack with --crlf)");
    bool bWindows = !dir.Entries().empty();
    for (const BindEntry& e : dir.Entries())
        bWindows = bWindows && e.offset > 0;

    zepParse info;
    info.loadData(&text[0], static_cast<unsigned long>(text.size()), ZEP_INFO_FILETYPE);
    unsigned int row = 0;
    for (std::string line; !(line = info.getTargetKeyRowData("VERSION", row)).empty(); ++row) {
        std::string fileName = RowFileName(info, line, bWindows);
        bool bHeld =
            std::any_of(dir.Entries().begin(), dir.Entries().end(),
                        [&](const BindEntry& e) { return SameName(e.name, fileName, bWindows); });
        if (fileName.empty())
            problems.push_back("VERSION row " + std::to_string(row) + " names no file");
        else if (!bHeld)
            problems.push_back("VERSION row " + std::to_string(row) + " names " + fileName +
                               ", which the package does not hold");
    }
    if (row == 0)
        problems.push_back("ZEPINFO.txt has no VERSION row");
}

} // namespace

bool VerifyBindPackage(const std::string& path, std::vector<std::string>& problems) {
    problems.clear();
    BindDirectory dir;
    std::string error;
    if (!dir.Load(path, error)) {
        problems.push_back(error);
        return false;
    }
    CheckEntries(dir, problems);
    ScopedBindReader reader(path);
    if (reader.get() == nullptr)
        problems.push_back("the package reader cannot be created");
    else
        CheckVersionRows(*reader.get(), dir, problems);
    return problems.empty();
}

bool InspectBindPackage(const std::string& path, ZepPackageFacts& facts, std::string& error) {
    std::error_code ec;
    const unsigned long long size = std::filesystem::file_size(path, ec);
    std::FILE* fp = ec ? nullptr : std::fopen(path.c_str(), "rb");
    if (fp == nullptr) {
        error = "cannot read " + path;
        return false;
    }
    ZepPackageLayout layout;
    const bool bOk = ZepReadPackageLayout(fp, size, layout, error) &&
                     ZepInspectPackage(fp, layout, facts, error);
    std::fclose(fp);
    if (!bOk)
        error = path + ": " + error;
    return bOk;
}
