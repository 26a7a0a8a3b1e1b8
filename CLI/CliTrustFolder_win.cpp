// The trusted-keys folder on Windows lies under Program Files, which only administrators can
// change (ProgramData would not do: any user may create folders there).
#include "CliTrust.h"

#include <windows.h>

#include <algorithm>

bool TrustedKeyFiles(const std::string& strFolder, std::vector<std::string>& files,
                     std::string& strError) {
    files.clear();
    (void)strError;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((strFolder + "\\*.pem").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE)
        return true; // no folder or no keys
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            files.push_back(strFolder + "\\" + found.cFileName);
    } while (FindNextFileA(h, &found));
    FindClose(h);
    std::sort(files.begin(), files.end());
    return true;
}
