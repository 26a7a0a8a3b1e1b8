// The console updater as a program of its own, updating the simulated device: the whole road
// from the package through the worker and the TCP transport to the device.
#pragma once

#include <string>

class DeviceSimulator;

// Packs image (device file name BOOTABLE) with a ZEPINFO.txt naming the simulator's port into a
// package in dir, runs the halvard program at halvardPath on it, and returns the seconds from
// the image's first packet to its last as the device saw them; negative on failure (why says
// why). The fixed pauses of an update lie outside that span.
double HalvardTransferSeconds(const std::string& halvardPath, const std::string& dir,
                              const std::string& imagePath, DeviceSimulator& sim, std::string& why);
