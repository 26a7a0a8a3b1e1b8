// Console edges on Windows: _isatty and the console control handler. The package is found by
// the engine itself in the program's own file.
#include "CliPlatform.h"

#include <windows.h>
#include <atomic>
#include <cstdio>
#include <io.h>

static std::atomic<unsigned int> g_stopRequests{0};

static BOOL WINAPI OnConsoleControl(DWORD dwCtrlType) {
    if (dwCtrlType != CTRL_C_EVENT && dwCtrlType != CTRL_BREAK_EVENT)
        return FALSE; // closing the console or logging off: the system's default
    ++g_stopRequests;
    return TRUE;
}

// The fleet's display redraws its lines with escape sequences, which a console shows as such
// unless asked to interpret them (Windows 10 and later).
bool IsStdoutTerminal() {
    if (_isatty(_fileno(stdout)) == 0)
        return false;
    HANDLE hOut = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD dwMode = 0;
    if (hOut != INVALID_HANDLE_VALUE && GetConsoleMode(hOut, &dwMode))
        SetConsoleMode(hOut, dwMode | 0x0004); // ENABLE_VIRTUAL_TERMINAL_PROCESSING
    return true;
}

bool InstallStopHandler() {
    return SetConsoleCtrlHandler(OnConsoleControl, TRUE) != 0;
}

unsigned int StopRequestCount() {
    return g_stopRequests.load();
}

std::string OwnPackagePath() {
    return std::string();
}

std::string TrustedKeysFolder() {
    // Program Files as the system records it (not the user's environment, which anyone may set).
    HKEY hKey = nullptr;
    char path[MAX_PATH] = {};
    DWORD size = sizeof path - 1, type = 0;
    const bool bFound =
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0,
                      KEY_QUERY_VALUE, &hKey) == ERROR_SUCCESS &&
        RegQueryValueExA(hKey, "ProgramFilesDir", nullptr, &type,
                         reinterpret_cast<BYTE*>(path), &size) == ERROR_SUCCESS &&
        type == REG_SZ && size > 1;
    if (hKey != nullptr)
        RegCloseKey(hKey);
    return bFound ? std::string(path) + "\\Halvard\\trusted-keys" : std::string();
}
