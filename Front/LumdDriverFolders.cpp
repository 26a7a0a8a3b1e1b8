// Driver-folder search for the printer daemon's queue addresses.
#include "LumdDriverFolders.h"

#include "lumd_conf_access.h"

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <mutex>
#include <sys/stat.h>

namespace {

std::mutex g_rootsLock;
std::vector<std::string> g_testRoots;

std::vector<std::string> SubfoldersWithLumd(const std::string& root) {
    std::vector<std::string> folders;
    DIR* dir = opendir(root.c_str());
    if (dir == nullptr)
        return folders;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string folder = root + "/" + name;
        struct stat st;
        if (stat((folder + "/LUMD").c_str(), &st) == 0)
            folders.push_back(folder);
    }
    closedir(dir);
    std::sort(folders.begin(), folders.end()); // directory order is arbitrary
    return folders;
}

bool AskFolder(const std::string& folder, const std::string& strQueueId, std::string& strUri) {
    char* pAddress = nullptr;
    char* pType = nullptr;
    const int rc = GetPrinterAddress(const_cast<char*>(folder.c_str()),
                                     const_cast<char*>(strQueueId.c_str()), &pAddress, &pType);
    const bool bAnswered = rc == 0 && pAddress != nullptr;
    if (bAnswered)
        strUri = std::string(pType != nullptr ? pType : "") + pAddress;
    std::free(pAddress);
    std::free(pType);
    return bAnswered;
}

} // namespace

std::vector<std::string> LumdDriverFolderRoots() {
    std::lock_guard<std::mutex> lock(g_rootsLock);
    if (!g_testRoots.empty())
        return g_testRoots;
    return {"/Library/Printers/Torvi", "/Library/Caches/Torvi"};
}

void SetLumdDriverFolderRootsForTest(const std::vector<std::string>& roots) {
    std::lock_guard<std::mutex> lock(g_rootsLock);
    g_testRoots = roots;
}

bool LumdAddressForQueue(const std::string& strQueueId, std::string& strUri) {
    for (const std::string& root : LumdDriverFolderRoots()) {
        for (const std::string& folder : SubfoldersWithLumd(root)) {
            if (AskFolder(folder, strQueueId, strUri))
                return true;
        }
    }
    return false;
}
