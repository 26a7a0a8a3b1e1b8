// Running halvard against the simulator and reading the transfer time from the device's log.
#include "HalvardRun.h"

#include "BindPackageWriter.h"
#include "DeviceSimulator.h"

#include <cstdlib>
#include <fstream>

namespace {

// The "us" field of the device's image event for BOOTABLE, or -1.
long long ImageMicroseconds(const DeviceSimulator& sim) {
    for (const std::string& line : sim.LogLines()) {
        if (line.find("\"event\":\"image\"") == std::string::npos ||
            line.find("\"file\":\"BOOTABLE\"") == std::string::npos)
            continue;
        const size_t at = line.find("\"us\":");
        if (at != std::string::npos)
            return std::atoll(line.c_str() + at + 5);
    }
    return -1;
}

} // namespace

double HalvardTransferSeconds(const std::string& halvardPath, const std::string& dir,
                              const std::string& imagePath, DeviceSimulator& sim,
                              std::string& why) {
    const std::string info = dir + "/ZEPINFO-halvard.txt";
    const std::string package = dir + "/halvard.pkg";
    std::ofstream(info) << "TGMNAME HV2000\r\nMODELNAME HV2000\r\nPORTNO " << sim.Port()
                        << "\r\nENTERTIME 5\r\nEXITTIME 5\r\nUPDATETIME 30\r\n"
                           "ALLOWVERSIONDOWN NO\r\nSPECIALCMDPATTERN NO\r\n"
                           "VERSION BOOTABLE=HV001200 image.bin BOOTABLE\r\n";
    if (!WriteBindPackage({package, "", info, {imagePath}}, why))
        return -1;
    const std::string command =
        "'" + halvardPath + "' --package '" + package + "' --address 127.0.0.1 >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) {
        why = "halvard did not report success";
        return -1;
    }
    const long long us = ImageMicroseconds(sim);
    if (us < 0) {
        why = "the device logged no whole image";
        return -1;
    }
    return us / 1e6;
}
