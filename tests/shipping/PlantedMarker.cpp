// A DLL planted beside a program under a system DLL's name: when loaded it leaves a file
// "<its own path>.loaded", which the planting test looks for.
#include <windows.h>

#include <cstring>

BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID) {
    if (dwReason != DLL_PROCESS_ATTACH)
        return TRUE;
    char path[MAX_PATH + 8];
    DWORD n = GetModuleFileNameA(hInstance, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return TRUE;
    std::memcpy(path + n, ".loaded", sizeof ".loaded");
    HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE)
        CloseHandle(h);
    return TRUE;
}
