// The engine's side of the benchmark: the session and UpdateFirmware as the worker runs them.
#include "EngineTransfer.h"

#include "zepBindInfo.h"
#include "zepClock.h"
#include "zepInfo.h"
#include "zepProtocol.h"
#include "zepSession.h"

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
    zepImageRow row;
    if (!zepSession::ImageAt(0, row)) {
        why = "ZEPINFO.txt lacks a VERSION row";
        return -1;
    }
    ZepSleepFn previous = ZepSetSleepHook([](unsigned long) {});
    zepProtocol protocol;
    zepSession session(protocol);
    char address[] = "127.0.0.1";
    tag_devinfo info;
    double seconds = -1;
    ZEPRESULT rc = session.Enter(nullptr, address, port);
    if (rc == RESULT_OK)
        rc = session.ReadDevice();
    if (rc == RESULT_OK) {
        auto begin = std::chrono::steady_clock::now();
        rc = protocol.UpdateFirmware(session.PackageModel(), row.strType.c_str(),
                                     row.strVersion.c_str(), row.strFile.c_str(),
                                     row.strBinFile.c_str(), row.strCompatible.c_str(), info);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    }
    session.Leave();
    ZepSetSleepHook(previous);
    if (rc != RESULT_OK) {
        why = "engine result " + std::to_string(rc);
        return -1;
    }
    return seconds;
}
