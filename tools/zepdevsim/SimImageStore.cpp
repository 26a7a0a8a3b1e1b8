// Received-image store of the device simulator.
#include "SimImageStore.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

bool IsNameChar(unsigned char c) {
    return std::isalnum(c) || c == '.' || c == '_' || c == '-' || c == '+';
}

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9 open devices on Windows, whatever the extension.
bool IsWindowsDeviceName(const std::string& name) {
    std::string stem = name.substr(0, name.find('.'));
    std::transform(stem.begin(), stem.end(), stem.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL")
        return true;
    return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
           stem[3] >= '1' && stem[3] <= '9';
}

} // namespace

bool IsSafeDeviceFileName(const std::string& name) {
    if (name.empty() || name.size() >= ZEP_WIRE_FILENAME_SIZE || name[0] == '.')
        return false;
    return std::all_of(name.begin(), name.end(), [](char c) { return IsNameChar(c); }) &&
           !IsWindowsDeviceName(name);
}

bool SimImageStore::Prepare(std::string* why) {
    if (m_outputDir.empty())
        return true;
    std::error_code ec;
    fs::create_directories(m_outputDir, ec);
    if (fs::is_directory(m_outputDir, ec))
        return true;
    if (why != nullptr)
        *why = "cannot create output folder " + m_outputDir;
    return false;
}

bool SimImageStore::Store(const std::string& name, SimBytes image, std::string* why) {
    if (!m_outputDir.empty() && !WriteFile(name, image, why))
        return false;
    std::lock_guard<std::mutex> guard(m_mutex);
    m_images[name] = std::move(image);
    return true;
}

std::map<std::string, SimBytes> SimImageStore::Images() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_images;
}

bool SimImageStore::WriteFile(const std::string& name, const SimBytes& image,
                              std::string* why) const {
    auto fail = [why](const std::string& what) {
        if (why != nullptr)
            *why = what;
        return false;
    };
    if (!IsSafeDeviceFileName(name))
        return fail("device file name is not safe to write as a file");
    const fs::path target = fs::path(m_outputDir) / name;
    const fs::path temporary = fs::path(m_outputDir) / ("~" + name + ".tmp"); // '~' never in a name
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(image.data()),
                  static_cast<std::streamsize>(image.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            return fail("cannot write " + temporary.string());
        }
    }
    std::error_code ec;
    fs::rename(temporary, target, ec);
    if (ec) {
        fs::remove(temporary, ec);
        return fail("cannot rename to " + target.string());
    }
    return true;
}
