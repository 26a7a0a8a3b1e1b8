// The limits a simulated device advertises in its own TargetInfo.txt and then enforces.
#pragma once

#include <cstdint>
#include <map>
#include <string>

// The first MAXPACKET row's value (largest record, head included, the device takes), or 0 when
// the text advertises none. Rows may end in CR LF or a bare LF: the device reads its own file.
uint32_t AdvertisedMaxPacket(const std::string& targetInfo);

// The text with the version of every VERSION row whose type (its name without the trailing
// index, any case) is a key of versions replaced by that key's value.
std::string WithVersions(const std::string& targetInfo,
                         const std::map<std::string, std::string>& versions);
