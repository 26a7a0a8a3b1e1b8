// Console edges on Windows: _isatty and the console control handler. The package is found by
// the engine itself in the program's own file.
#include "CliPlatform.h"

#include <windows.h>

#include <shlobj.h>
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
    char path[MAX_PATH] = {};
    if (SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK)
        return std::string();
    return std::string(path) + "\\Halvard\\trusted-keys";
}
