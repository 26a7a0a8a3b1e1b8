// Waves, the version policy and the roll-out options' checks.
#include "CliRollout.h"

#include "CliWindow.h"

#include <algorithm>
#include <cctype>
#include <numeric>

namespace {

bool ParseNumber(const std::string& text, unsigned long max, unsigned long& value) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::stoul(text);
    return value <= max;
}

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool IsSha256(const std::string& text) {
    return text.size() == 64 &&
           text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

} // namespace

bool ParseWaves(const std::string& text, std::vector<WaveStep>& steps, std::string& strError) {
    steps.clear();
    size_t begin = 0;
    for (;;) {
        const size_t comma = text.find(',', begin);
        std::string part = text.substr(begin, comma == std::string::npos ? comma : comma - begin);
        WaveStep step;
        step.bPercent = !part.empty() && part.back() == '%';
        if (step.bPercent)
            part.pop_back();
        if (!ParseNumber(part, step.bPercent ? 100 : 1000000, step.value) || step.value == 0) {
            strError = "--waves takes cumulative counts or percentages, e.g. 1,5%,25%,100%";
            return false;
        }
        steps.push_back(step);
        if (comma == std::string::npos)
            return true;
        begin = comma + 1;
    }
}

uint64_t DeviceHash(const std::string& device) {
    uint64_t hash = 14695981039346656037ull;
    for (char c : Lower(device)) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

std::vector<unsigned int> WavesByHash(const std::vector<std::string>& devices,
                                      const std::vector<WaveStep>& steps) {
    const size_t n = devices.size();
    std::vector<size_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const uint64_t ha = DeviceHash(devices[a]), hb = DeviceHash(devices[b]);
        return ha != hb ? ha < hb : Lower(devices[a]) < Lower(devices[b]);
    });
    std::vector<unsigned int> wave(n, 0);
    size_t from = 0;
    unsigned int number = 0;
    for (const WaveStep& step : steps) {
        size_t reach = step.bPercent ? (n * step.value + 99) / 100 : step.value;
        reach = std::min(reach, n);
        if (reach <= from)
            continue; // reaches no further device: no wave of its own
        for (size_t k = from; k < reach; ++k)
            wave[order[k]] = number;
        from = reach;
        ++number;
    }
    for (size_t k = from; k < n; ++k)
        wave[order[k]] = number;
    return wave;
}

std::vector<unsigned int> CanaryWaves(size_t count, unsigned int nCanary) {
    std::vector<unsigned int> wave(count, 0);
    for (size_t i = nCanary; i < count; ++i)
        wave[i] = nCanary == 0 ? 0 : 1;
    return wave;
}

bool ParseDuration(const std::string& text, unsigned long long& ms) {
    if (text.empty())
        return false;
    std::string digits = text;
    unsigned long long unit = 1000;
    const char last = text.back();
    const std::string units = "smhd";
    const unsigned long long factors[] = {1000, 60000, 3600000, 86400000};
    if (units.find(last) != std::string::npos) {
        unit = factors[units.find(last)];
        digits.pop_back();
    }
    unsigned long value = 0;
    if (!ParseNumber(digits, 1000000, value) || value == 0)
        return false;
    ms = value * unit;
    return ms <= 30ull * 86400000;
}

int CompareVersions(const std::string& a, const std::string& b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const bool da = std::isdigit(static_cast<unsigned char>(a[i])) != 0;
        const bool db = std::isdigit(static_cast<unsigned char>(b[j])) != 0;
        if (da && db) {
            size_t ei = i, ej = j;
            while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei])))
                ++ei;
            while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej])))
                ++ej;
            std::string x = a.substr(i, ei - i), y = b.substr(j, ej - j);
            x.erase(0, std::min(x.find_first_not_of('0'), x.size()));
            y.erase(0, std::min(y.find_first_not_of('0'), y.size()));
            if (x.size() != y.size())
                return x.size() < y.size() ? -1 : 1;
            if (x != y)
                return x < y ? -1 : 1;
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j] ? -1 : 1;
        ++i;
        ++j;
    }
    return i < a.size() ? 1 : j < b.size() ? -1 : 0;
}

bool ParseRolloutOptions(CliOptions& options, std::string& error) {
    const bool bWaves = !options.strWaves.empty() || !options.strCanary.empty();
    const std::pair<bool, const char*> needWaves[] = {
        {!options.strThreshold.empty(), "--success-threshold"},
        {!options.strSoak.empty(), "--soak"},
        {options.bPauseBetweenWaves, "--pause-between-waves"},
    };
    for (const auto& need : needWaves) {
        if (need.first && !bWaves) {
            error = std::string(need.second) + " needs --waves (or --canary)";
            return false;
        }
    }
    if (!options.strWaves.empty() && !options.strCanary.empty()) {
        error = "give either --waves or --canary, not both";
        return false;
    }
    if (options.bApprove && options.strResume.empty()) {
        error = "--approve needs --resume: it approves the wave a journal awaits";
        return false;
    }
    if (options.bPauseBetweenWaves && options.strJournal.empty() && options.strResume.empty()) {
        error = "--pause-between-waves needs --journal: the approval resumes it";
        return false;
    }
    if (!options.strWindowTz.empty() && options.strWindow.empty()) {
        error = "--window-tz needs --window";
        return false;
    }
    MaintenanceWindow window;
    if (!options.strWindow.empty() && !window.Parse(options.strWindow, options.strWindowTz, error))
        return false;
    std::vector<WaveStep> steps;
    if (!options.strWaves.empty() && !ParseWaves(options.strWaves, steps, error))
        return false;
    unsigned long value = 0;
    if (!options.strThreshold.empty()) {
        std::string text = options.strThreshold;
        if (text.empty() || text.back() != '%' ||
            (text.pop_back(), !ParseNumber(text, 100, value))) {
            error = "--success-threshold takes a percentage, 0% to 100%";
            return false;
        }
        options.nThresholdPercent = static_cast<unsigned int>(value);
    }
    if (!options.strSoak.empty() && !ParseDuration(options.strSoak, options.qwSoakMs)) {
        error = "--soak takes a duration such as 90s, 30m or 2h (at most 30 days)";
        return false;
    }
    if (!options.strMaxPerSite.empty()) {
        if (!ParseNumber(options.strMaxPerSite, kMaxJobs, value) || value == 0) {
            error = "--max-per-site takes a number from 1 to " + std::to_string(kMaxJobs);
            return false;
        }
        options.nMaxPerSite = static_cast<unsigned int>(value);
    }
    for (const std::string& floor : options.minVersions) {
        const size_t eq = floor.find('=');
        if (eq == 0 || eq == std::string::npos || eq + 1 == floor.size()) {
            error = "--min-version takes IMAGE=VERSION, e.g. BOOTABLE=HV001200";
            return false;
        }
    }
    for (std::string& hash : options.blockedSha256) {
        if (!IsSha256(hash)) {
            error = "--block-sha256 takes a SHA-256 in 64 hexadecimal digits";
            return false;
        }
        hash = Lower(hash);
    }
    return true;
}

bool CheckVersionPolicy(const CliOptions& options, const std::string& strSha256,
                        const std::vector<std::pair<std::string, std::string>>& firmware,
                        std::string& strReason) {
    for (const std::string& hash : options.blockedSha256) {
        if (hash == Lower(strSha256)) {
            strReason = "the package " + strSha256 +
                        " is blocked (--block-sha256): a withdrawn "
                        "release is never sent";
            return false;
        }
    }
    for (const std::string& floor : options.minVersions) {
        const std::string image = floor.substr(0, floor.find('='));
        const std::string minimum = floor.substr(floor.find('=') + 1);
        bool bFound = false;
        for (const auto& row : firmware) {
            if (Lower(row.first) != Lower(image))
                continue;
            bFound = true;
            if (CompareVersions(row.second, minimum) < 0) {
                strReason = "the package's " + row.first + " is " + row.second +
                            ", older than the minimum " + minimum + " (--min-version)";
                return false;
            }
        }
        if (!bFound) {
            strReason = "the package has no image " + image + " (--min-version)";
            return false;
        }
    }
    return true;
}
