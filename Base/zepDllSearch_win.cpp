// Windows programs: every DLL outside the KnownDLLs is delay-loaded (cmake/WinDelayLoad.cmake)
// and held to the system folder, its first load as any later LoadLibrary. comctl32 is the one
// ordinary import: the manifest's side-by-side assembly (common controls 6) resolves it, which
// Windows consults before the program's folder; a load by its system path would get version 5.
#include "zepDllSearch.h"

#include <delayimp.h>

#include <cstring>

HMODULE ZepLoadSystemDll(const char* pszName) {
    char path[MAX_PATH];
    const UINT n = GetSystemDirectoryA(path, MAX_PATH);
    const size_t nameLen = std::strlen(pszName);
    if (n == 0 || n + 1 + nameLen >= MAX_PATH)
        return nullptr;
    path[n] = '\\';
    std::memcpy(path + n + 1, pszName, nameLen + 1);
    // Its imports from its own folder (the system folder) and the system folder only.
    HMODULE hModule = LoadLibraryExA(
        path, nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Windows 7 without KB2533623 knows no search flags: the DLL itself still comes from the
    // system folder.
    if (hModule == nullptr && GetLastError() == ERROR_INVALID_PARAMETER)
        hModule = LoadLibraryExA(path, nullptr, 0);
    return hModule;
}

namespace {

// Returning null would let the helper fall back to LoadLibraryA by name.
FARPROC WINAPI LoadFromSystemFolder(unsigned dliNotify, PDelayLoadInfo pdli) {
    if (dliNotify != dliNotePreLoadLibrary || pdli == nullptr || pdli->szDll == nullptr)
        return nullptr;
    return reinterpret_cast<FARPROC>(ZepLoadSystemDll(pdli->szDll));
}

} // namespace

// Defined here rather than set at run time so that it holds before main, for static objects too.
extern "C" {
PfnDliHook __pfnDliNotifyHook2 = LoadFromSystemFolder;
}

void ZepLoadSystemLibrariesOnly() {
    // SetDefaultDllDirectories exists from Windows 8 and in Windows 7 with KB2533623; without
    // it the hook above still covers the program's own delay-loaded imports.
    typedef BOOL(WINAPI * SetDirsFn)(DWORD);
    HMODULE hKernel = GetModuleHandleA("kernel32.dll");
    auto setDirs = reinterpret_cast<SetDirsFn>(
        reinterpret_cast<void*>(GetProcAddress(hKernel, "SetDefaultDllDirectories")));
    if (setDirs != nullptr)
        setDirs(LOAD_LIBRARY_SEARCH_SYSTEM32);
}
