// Windows programs: every DLL outside the KnownDLLs is delay-loaded (cmake/WinDelayLoad.cmake),
// and both its first load and any later LoadLibrary are held to the system folder.
#include "zepDllSearch.h"

#include <windows.h>

#include <delayimp.h>

#include <cstring>

namespace {

// A delay-loaded DLL is loaded by its full path in the system folder; the helper's own fallback,
// LoadLibraryA by name, is held there too once ZepLoadSystemLibrariesOnly has run.
FARPROC WINAPI LoadFromSystemFolder(unsigned dliNotify, PDelayLoadInfo pdli) {
    if (dliNotify != dliNotePreLoadLibrary || pdli == nullptr || pdli->szDll == nullptr)
        return nullptr;
    char path[MAX_PATH];
    const UINT n = GetSystemDirectoryA(path, MAX_PATH);
    const size_t nameLen = std::strlen(pdli->szDll);
    if (n == 0 || n + 1 + nameLen >= MAX_PATH)
        return nullptr;
    path[n] = '\\';
    std::memcpy(path + n + 1, pdli->szDll, nameLen + 1);
    // Its own dependencies are then looked for beside it, not beside the program.
    return reinterpret_cast<FARPROC>(LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

} // namespace

// Defined here rather than set at run time so that it holds before main, for static objects too.
extern "C" {
PfnDliHook __pfnDliNotifyHook2 = LoadFromSystemFolder;
}

void ZepLoadSystemLibrariesOnly() {
    // SetDefaultDllDirectories exists from Windows 8 and in Windows 7 with KB2533623; without
    // it the hook above still covers the program's own imports.
    typedef BOOL(WINAPI * SetDirsFn)(DWORD);
    HMODULE hKernel = GetModuleHandleA("kernel32.dll");
    auto setDirs = reinterpret_cast<SetDirsFn>(
        reinterpret_cast<void*>(GetProcAddress(hKernel, "SetDefaultDllDirectories")));
    if (setDirs != nullptr)
        setDirs(LOAD_LIBRARY_SEARCH_SYSTEM32);
}
