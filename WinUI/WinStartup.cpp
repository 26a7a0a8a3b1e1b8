// The system's answers go to the shared rules; functions missing on old Windows versions are
// looked up by name and count as absent.
#include "WinStartup.h"

#include "zepInfo.h"
#include "zepPlatformGate.h"
#include "zepUiLanguage.h"

#include <windows.h>

namespace {

bool QueryVersion(OSVERSIONINFOA& version) {
    ZeroMemory(&version, sizeof version);
    version.dwOSVersionInfoSize = sizeof version; // 148
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return GetVersionExA(&version) != FALSE;
#pragma GCC diagnostic pop
}

// A kernel32 function that older systems may lack, or null.
template <class Fn> Fn KernelFunction(const char* pszName) {
    HMODULE hKernel = GetModuleHandleA("kernel32");
    FARPROC pfn = hKernel != nullptr ? GetProcAddress(hKernel, pszName) : nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(pfn));
}

bool IsWow64() {
    typedef BOOL(WINAPI * IsWow64Fn)(HANDLE, PBOOL);
    IsWow64Fn pfn = KernelFunction<IsWow64Fn>("IsWow64Process");
    BOOL bWow64 = FALSE;
    return pfn != nullptr && pfn(GetCurrentProcess(), &bWow64) && bWow64;
}

} // namespace

static_assert(sizeof(OSVERSIONINFOA) == 148, "GetVersionExA takes the 148-byte record");

void SetUILanguage() {
    typedef BOOL(WINAPI * SetThreadLocaleFn)(LCID);
    SetThreadLocaleFn pfn = KernelFunction<SetThreadLocaleFn>("SetThreadLocale");
    uint32_t dwLocale = 0;
    if (pfn != nullptr && ChooseUiLocale(GetSystemDefaultLangID(), dwLocale))
        pfn(LCID(dwLocale));
}

bool IsGlobalNamespace() {
    OSVERSIONINFOA version;
    const bool bKnown = QueryVersion(version);
    char szSuite[256] = {};
    const char* pszSuite = nullptr;
    if (bKnown && version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion == 4) {
        HKEY hKey = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\ProductOptions",
                          0, KEY_READ, &hKey) == ERROR_SUCCESS) {
            DWORD cb = sizeof szSuite - 1;
            if (RegQueryValueExA(hKey, "ProductSuite", nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(szSuite), &cb) == ERROR_SUCCESS)
                pszSuite = szSuite;
            RegCloseKey(hKey);
        }
    }
    return IsGlobalNamespaceFor(bKnown, int(version.dwPlatformId), int(version.dwMajorVersion),
                                pszSuite);
}

int CheckPlatformVersion() {
    WinSystemVersion system;
    system.bWow64 = IsWow64();
    OSVERSIONINFOA version;
    if (QueryVersion(version)) {
        system.nPlatformId = int(version.dwPlatformId);
        system.nMajor = int(version.dwMajorVersion);
        system.nMinor = int(version.dwMinorVersion);
    }
    WinVersionRange ranges[3];
    for (int code = PLATFORM_WIN9X; code <= PLATFORM_WIN64; ++code) {
        WinVersionRange& range = ranges[code - PLATFORM_WIN9X];
        range.bFound = g_ZepInfo.getPlatformVersion(code, range.nMaxMajor, range.nMaxMinor,
                                                    range.nMinMajor, range.nMinMinor);
    }
    return DecidePlatform(ranges, system);
}
