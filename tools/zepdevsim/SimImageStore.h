// Firmware images the simulated device has received whole and checksum-correct, by device file
// name; also written to a folder when one is configured. Safe to read from any thread.
#pragma once

#include "SimRecord.h"

#include <map>
#include <mutex>
#include <string>

// Whether a device file name may become a file name in the output folder: 1 to 31 characters
// of letters, digits, '.', '_', '-' and '+', not starting with '.', and no Windows device name.
bool IsSafeDeviceFileName(const std::string& name);

class SimImageStore {
public:
    explicit SimImageStore(std::string outputDir = std::string())
        : m_outputDir(std::move(outputDir)) {}

    // Creates the output folder if needed.
    bool Prepare(std::string* why);
    // Keeps the image, replacing one of the same name. With an output folder the image is first
    // written there through a temporary file and a rename, so a reader never sees half an image;
    // when that fails nothing is kept and why says why.
    bool Store(const std::string& name, SimBytes image, std::string* why);
    std::map<std::string, SimBytes> Images() const;

private:
    bool WriteFile(const std::string& name, const SimBytes& image, std::string* why) const;

    const std::string m_outputDir;
    mutable std::mutex m_mutex;
    std::map<std::string, SimBytes> m_images;
};
