// Row ends of ZEPINFO.txt. The updater ends a row only at CR LF, so a file saved with bare line
// feeds (as editors on Linux and macOS do) reads as rows whose last field ends in a line feed:
// a device file name "BOOTABLE\n" that the device refuses only after the whole image is sent.
// The packer is where that release mistake is caught.
#pragma once

#include <cstddef>
#include <string>

// The 1-based number of the first row that ends in a line feed without a carriage return
// before it; 0 when there is none.
size_t FirstBareLineFeedRow(const std::string& text);

// text with a carriage return put before every bare line feed; CR LF pairs stay as they are.
std::string WithCrLfRowEnds(const std::string& text);
