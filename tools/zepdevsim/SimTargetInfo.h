// The limits a simulated device advertises in its own TargetInfo.txt and then enforces.
#pragma once

#include <cstdint>
#include <string>

// The first MAXPACKET row's value (largest record, head included, the device takes), or 0 when
// the text advertises none. Rows may end in CR LF or a bare LF: the device reads its own file.
uint32_t AdvertisedMaxPacket(const std::string& targetInfo);
