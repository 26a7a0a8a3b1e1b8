// How a roll-out is staged and guarded: waves whose membership a hash of each device's address
// fixes, so that the same fleet always has the same canaries; the version policy that refuses a
// package before any device is touched; and the checks of the roll-out's options.
#pragma once

#include "CliOptions.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// One wave's cumulative reach: a number of devices, or a share of the fleet in percent.
struct WaveStep {
    bool bPercent = false;
    unsigned long value = 0;
};

// "1,5%,25%,100%": false with the reason for anything else.
bool ParseWaves(const std::string& text, std::vector<WaveStep>& steps, std::string& strError);

// The wave (0-based) of every device: devices ordered by DeviceHash, each wave taking them up to
// its cumulative size; the devices no step reaches form a last wave of their own.
std::vector<unsigned int> WavesByHash(const std::vector<std::string>& devices,
                                      const std::vector<WaveStep>& steps);
// --canary N as waves: the first N devices in the order given, then the rest.
std::vector<unsigned int> CanaryWaves(size_t count, unsigned int nCanary);

// FNV-1a of the device's name in one spelling (lower case): the same on every run and system.
uint64_t DeviceHash(const std::string& device);

// "90", "90s", "30m", "2h", "1d": milliseconds; false for anything else or zero.
bool ParseDuration(const std::string& text, unsigned long long& ms);

// Checks the roll-out options (called with the other fleet options); false with the reason.
bool ParseRolloutOptions(CliOptions& options, std::string& strError);

// The version policy against the package: its SHA-256 and its (type, version) rows. False with
// the reason the package is refused.
bool CheckVersionPolicy(const CliOptions& options, const std::string& strSha256,
                        const std::vector<std::pair<std::string, std::string>>& firmware,
                        std::string& strReason);

// Versions compared part by part: runs of digits by value, other text as it is.
int CompareVersions(const std::string& a, const std::string& b);
