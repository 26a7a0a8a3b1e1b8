// Package verification for the packer's verify command.
#include "BindVerifier.h"

#include "BindDirectory.h"
#include "BindNames.h"
#include "ScopedBindReader.h"
#include "zepParse.h"

namespace {

void CheckEntries(const BindDirectory& dir, std::vector<std::string>& problems) {
    BindNameSet names;
    std::string error;
    for (const BindEntry& e : dir.Entries()) {
        if (!CheckBindName(e.name, error) || !names.Add(e.name, error))
            problems.push_back(error);
        if (e.offset < 0 || e.size < 0 ||
            static_cast<unsigned long long>(e.offset + e.size) > dir.FileSize())
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

void CheckVersionRows(zepBindInfo& bind, std::vector<std::string>& problems) {
    std::string text;
    if (!ReadInfo(bind, text)) {
        problems.push_back("ZEPINFO.txt is missing or unreadable");
        return;
    }
    zepParse info;
    info.loadData(&text[0], static_cast<unsigned long>(text.size()), ZEP_INFO_FILETYPE);
    unsigned int row = 0;
    for (;; ++row) {
        std::string type, version, fileName, binName, compatible, header;
        if (!info.getVersion(row, type, version, fileName, binName, compatible, header))
            break;
        unsigned long dwSize = 0;
        if (fileName.empty())
            problems.push_back("VERSION row " + std::to_string(row) + " names no file");
        else if (!bind.getBindFileSize(fileName.c_str(), dwSize))
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
        CheckVersionRows(*reader.get(), problems);
    return problems.empty();
}
