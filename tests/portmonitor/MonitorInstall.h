// Puts the test port monitor into the system folder under both of the maker's DLL names, and
// points it at a device, for the tests that reach a device through the port-monitor transport.
#pragma once

#include <windows.h>

#include <string>

inline bool InstallTestMonitor() {
    char szSystem[MAX_PATH] = {};
    const UINT cch = GetSystemDirectoryA(szSystem, MAX_PATH);
    if (cch == 0)
        return false;
    for (const char* name : {"VARLEPM.DLL", "TOLBERPM.DLL"}) {
        const std::string target = std::string(szSystem, cch) + "\\" + name;
        if (!CopyFileA(ZEP_TEST_MONITOR_DLL, target.c_str(), FALSE))
            return false;
    }
    return true;
}

inline void PointTestMonitorAt(int nPort) {
    SetEnvironmentVariableA("HALVARD_PM_TARGET", ("127.0.0.1:" + std::to_string(nPort)).c_str());
}
