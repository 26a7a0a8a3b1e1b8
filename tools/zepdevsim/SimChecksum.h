// The protocol's checksum (byte sum modulo 65536) computed eight bytes at a time: the simulator
// checks every packet it receives, and a byte loop would be most of its cost per packet.
#pragma once

#include <cstddef>
#include <cstdint>

uint16_t SimChecksum(const unsigned char* data, size_t n, uint16_t seed = 0);
