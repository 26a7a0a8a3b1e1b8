// One image sent by the engine's UpdateFirmware to a device on loopback, fixed pauses removed.
#pragma once

#include <cstdint>
#include <string>

// Opens packagePath as the bound package, loads its ZEPINFO.txt, and sends its first VERSION
// image. Returns the seconds spent in UpdateFirmware, or a negative value (why says why).
double EngineTransfer(const std::string& packagePath, uint16_t port, std::string& why);
