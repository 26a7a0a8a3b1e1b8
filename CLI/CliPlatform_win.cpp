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

bool IsStdoutTerminal() {
    return _isatty(_fileno(stdout)) != 0;
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
