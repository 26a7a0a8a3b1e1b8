// Common ground of the engine tests: a ZEPINFO.txt in g_ZepInfo, a bound package on disk with
// the images, the fixed pauses replaced, and a fake device behind the connection manager.
#pragma once

#include "FakeDevice.h"
#include "zepBindFormat.h"
#include "zepBindInfo.h"
#include "zepClock.h"
#include "zepInfo.h"
#include "zepProtocol.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

// Rows joined with CR LF, the information files' row terminator.
inline std::string Rows(std::initializer_list<std::string> rows) {
    std::string text;
    for (const auto& r : rows)
        text += r + "\r\n";
    return text;
}

// A name part no other test process running at the same time picks: under a sanitizer every
// process may place its fixture at the same address.
inline std::string UniqueSuffix() {
    return std::to_string(std::random_device()()) + "-" +
           std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
}

inline std::vector<uint8_t> Pattern(size_t n, unsigned seed = 1) {
    std::vector<uint8_t> bytes(n);
    uint32_t x = seed * 2654435761u + 1;
    for (auto& b : bytes) {
        x = x * 1103515245u + 12345u;
        b = static_cast<uint8_t>(x >> 16);
    }
    return bytes;
}

// Writes a package (the form of the ZEPBINDDATA file) holding the given files.
inline void WritePackage(const std::string& path,
                         const std::vector<std::pair<std::string, std::vector<uint8_t>>>& files) {
    std::vector<uint8_t> out;
    std::vector<tagBindManagement> dir;
    for (const auto& f : files) {
        tagBindManagement e = {};
        std::snprintf(e.szFileName, sizeof e.szFileName, "%s", f.first.c_str());
        e.lStartOffset.set(static_cast<int32_t>(out.size()));
        e.lFlieSize.set(static_cast<int32_t>(f.second.size()));
        dir.push_back(e);
        out.insert(out.end(), f.second.begin(), f.second.end());
    }
    tagBindManagementInfo trailer = {};
    trailer.lStartManageOffset.set(static_cast<int32_t>(out.size()));
    trailer.lAllFileNum.set(static_cast<int32_t>(dir.size()));
    std::memcpy(trailer.szBindComplete, ZEP_BIND_MAGIC, sizeof trailer.szBindComplete);
    for (const auto& e : dir) {
        auto* p = reinterpret_cast<const uint8_t*>(&e);
        out.insert(out.end(), p, p + sizeof e);
    }
    auto* t = reinterpret_cast<const uint8_t*>(&trailer);
    out.insert(out.end(), t, t + sizeof trailer);
    FILE* fp = std::fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, fp);
    std::fwrite(out.data(), 1, out.size(), fp);
    std::fclose(fp);
}

inline const char* DefaultZepInfo() {
    static const std::string text = Rows({
        "TGMNAME HV2000",
        "PORTNO 48350",
        "ENTERTIME 20",
        "EXITTIME 5",
        "UPDATETIME 60",
        "ALLOWVERSIONDOWN NO",
        "SPECIALCMDPATTERN NO",
        "VERSION BOOTABLE=HV001200 boot.bin BOOTABLE",
    });
    return text.c_str();
}

inline std::string DefaultTargetInfo(const std::string& extra = "") {
    return Rows({"TGMNAME HV2000", "VERSION BOOTABLE1=HV001100", "VERSION LANGUAGE1=HV000300",
                 "MAXPACKET 4156", "SUPPORT_COMMAND 5101", "SUPPORT_COMMAND 5102",
                 "SUPPORT_COMMAND 5103"}) +
           extra;
}

class EngineTest : public ::testing::Test {
public:
    static void LoadZepInfo(const std::string& text) {
        std::string copy = text;
        g_ZepInfo.loadData(&copy[0], copy.size(), ZEP_INFO_FILETYPE);
    }

protected:
    void SetUp() override {
        m_prevSleep = ZepSetSleepHook([](unsigned long) {});
        LoadZepInfo(DefaultZepInfo());
        NewDevice();
        m_dir = std::filesystem::temp_directory_path() / ("halvard-engine-" + UniqueSuffix());
        std::filesystem::create_directories(m_dir);
        UsePackage({{"boot.bin", Pattern(10000)}});
    }
    void TearDown() override {
        device.reset();
        zepBindInfo::DestroyInstance();
        zepBindInfo::SetPackagePath(nullptr);
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
        ZepSetSleepHook(m_prevSleep);
    }

    void UsePackage(const std::vector<std::pair<std::string, std::vector<uint8_t>>>& files) {
        zepBindInfo::DestroyInstance();
        m_package = (m_dir / "ZEPBINDDATA").string();
        WritePackage(m_package, files);
        zepBindInfo::SetPackagePath(m_package.c_str());
    }

    // A fresh device with the default TargetInfo.txt (the old one stops routing first).
    void NewDevice() {
        device.reset();
        device = std::make_unique<FakeDevice>();
        device->targetInfo = DefaultTargetInfo();
    }

    // Opens the fake device and puts it in download mode.
    ZEPRESULT Enter(zepProtocol& proto) {
        char port[] = "127.0.0.1";
        return proto.EnterDownLoadMode(nullptr, port, 48350, false);
    }

    std::unique_ptr<FakeDevice> device;
    std::string m_package;

private:
    std::filesystem::path m_dir;
    ZepSleepFn m_prevSleep = nullptr;
};
