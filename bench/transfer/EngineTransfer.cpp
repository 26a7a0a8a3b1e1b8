// The engine's side of the benchmark: the session and UpdateFirmware as the worker runs them.
#include "EngineTransfer.h"

#include "zepBindInfo.h"
#include "zepClock.h"
#include "zepInfo.h"
#include "zepProtocol.h"

#include <chrono>

namespace {

bool LoadZepInfo(const std::string& packagePath, std::string& why) {
    zepBindInfo::DestroyInstance();
    zepBindInfo::SetPackagePath(packagePath.c_str());
    zepBindInfo* bind = zepBindInfo::Instance();
    unsigned long size = 0;
    if (bind == nullptr || !bind->getBindFileSize("ZEPINFO.txt", size)) {
        why = "no ZEPINFO.txt in " + packagePath;
        return false;
    }
    std::string text(size, '\0');
    if (!bind->getBindFileData("ZEPINFO.txt", 0, reinterpret_cast<unsigned char*>(&text[0]),
                               size)) {
        why = "ZEPINFO.txt unreadable";
        return false;
    }
    return g_ZepInfo.loadData(&text[0], size, ZEP_INFO_FILETYPE);
}

} // namespace

double EngineTransfer(const std::string& packagePath, uint16_t port, std::string& why) {
    if (!LoadZepInfo(packagePath, why))
        return -1;
    std::string type, version, file, name, compatible, header, model;
    if (!g_ZepInfo.getVersion(0, type, version, file, name, compatible, header) ||
        !g_ZepInfo.getTgmName(model)) {
        why = "ZEPINFO.txt lacks TGMNAME or VERSION";
        return -1;
    }
    ZepSleepFn previous = ZepSetSleepHook([](unsigned long) {});
    zepProtocol protocol;
    char address[] = "127.0.0.1";
    tag_devinfo info;
    double seconds = -1;
    ZEPRESULT rc = protocol.EnterDownLoadMode(nullptr, address, port, false);
    if (rc == RESULT_OK)
        rc = protocol.GetFileData("TargetInfo.txt");
    if (rc == RESULT_OK) {
        auto begin = std::chrono::steady_clock::now();
        rc = protocol.UpdateFirmware(model.c_str(), type.c_str(), version.c_str(), file.c_str(),
                                     name.c_str(), compatible.c_str(), info);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    }
    protocol.ExitDownLoadMode();
    ZepSetSleepHook(previous);
    if (rc != RESULT_OK) {
        why = "engine result " + std::to_string(rc);
        return -1;
    }
    return seconds;
}
