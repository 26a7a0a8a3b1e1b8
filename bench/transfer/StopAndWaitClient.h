// The plainest host that can update the simulated device: one socket, one packet at a time, each
// answered before the next is sent, the image read straight from its own file. The yardstick
// for the engine's transfer.
#pragma once

#include <cstdint>
#include <string>

// Enters download mode, sends the image at imagePath as device file name in chunks of
// chunkSize bytes with the closing packet, and leaves download mode. Returns the seconds spent
// on the SendFile packets, or a negative value on any failure (why says what).
double StopAndWaitTransfer(uint16_t port, const std::string& imagePath, const char* name,
                           unsigned long chunkSize, std::string& why);
