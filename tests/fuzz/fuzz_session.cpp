// The update session against a device whose every byte comes from the input, over the real
// framing: download mode, the TargetInfo.txt fetch and its reassembly, the status query, one
// image transfer from a small package in memory, and the exit. Whatever the device sends, the
// session must end without a fault, a leak or an allocation it did not bound.
#include "DevConnMgr.h"
#include "FuzzInput.h"
#include "ScriptedConn.h"
#include "zepBindFormat.h"
#include "zepBindInfo.h"
#include "zepClock.h"
#include "zepInfo.h"
#include "zepProtocol.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

FuzzInput* g_script = nullptr;
DevConnFraming g_framing;

DevConnBase* MakeConn(LPCSTR, LPCSTR) {
    return new ScriptedConn(*g_script, g_framing);
}

// A package holding a 300-byte image and its ZEPINFO.txt, laid out as the packer does.
std::vector<uint8_t> MakePackage() {
    std::vector<uint8_t> image(300);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(i * 31 + 7);
    const std::string info = "TGMNAME HV2000\r\nVERSION BOOTABLE=HV001200 boot.bin BOOTABLE\r\n";
    std::vector<uint8_t> out(image);
    out.insert(out.end(), info.begin(), info.end());
    tagBindManagement dir[2] = {};
    std::strcpy(dir[0].szFileName, "boot.bin");
    dir[0].lStartOffset.set(0);
    dir[0].lFlieSize.set(static_cast<int32_t>(image.size()));
    std::strcpy(dir[1].szFileName, ZEP_BIND_INFO_NAME);
    dir[1].lStartOffset.set(static_cast<int32_t>(image.size()));
    dir[1].lFlieSize.set(static_cast<int32_t>(info.size()));
    tagBindManagementInfo trailer = {};
    trailer.lStartManageOffset.set(static_cast<int32_t>(out.size()));
    trailer.lAllFileNum.set(2);
    std::memcpy(trailer.szBindComplete, ZEP_BIND_MAGIC, sizeof trailer.szBindComplete);
    const uint8_t* d = reinterpret_cast<const uint8_t*>(dir);
    out.insert(out.end(), d, d + sizeof dir);
    const uint8_t* t = reinterpret_cast<const uint8_t*>(&trailer);
    out.insert(out.end(), t, t + sizeof trailer);
    return out;
}

void SetUpOnce() {
    ZepSetTickHook(FuzzClock::Now);
    ZepSetSleepHook([](unsigned long) {});
    DevConnMgr::SetTransportFactory(MakeConn);
    static std::vector<uint8_t> package = MakePackage();
    zepBindInfo::SetPackageStream(fmemopen(package.data(), package.size(), "rb"));
    zepBindInfo::Instance();
}

void LoadZepInfo(bool bSpecial) {
    std::string text = "TGMNAME HV2000\r\nENTERTIME 1\r\nEXITTIME 1\r\nUPDATETIME 1\r\n"
                       "ALLOWVERSIONDOWN NO\r\nSPECIALCMDPATTERN ";
    text += bSpecial ? "YES\r\n" : "NO\r\n";
    text += "VERSION BOOTABLE=HV001200 boot.bin BOOTABLE\r\n";
    g_ZepInfo.loadData(&text[0], text.size(), ZEP_INFO_FILETYPE);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool s_ready = (SetUpOnce(), true);
    (void)s_ready;
    FuzzInput in(data, size);
    const uint8_t flags = in.Byte();
    g_framing = FramingFromByte(flags >> 2);
    g_script = &in;
    LoadZepInfo((flags & 1) != 0);
    {
        zepProtocol proto;
        char port[] = "fuzz";
        proto.EnterDownLoadMode(nullptr, port, 1, (flags & 2) != 0);
        proto.GetFileData("TargetInfo.txt");
        tag_devinfo info;
        proto.CheckState(info);
        proto.UpdateFirmware("HV2000", "BOOTABLE", "HV001200", "boot.bin", "BOOTABLE", "", info);
        proto.CheckState(info);
        proto.ExitDownLoadMode();
    }
    g_script = nullptr;
    return 0;
}
