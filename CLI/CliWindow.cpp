// The maintenance window. Zone names are read from the TZif files of the system's time-zone
// database (no library needed): its table of changes covers the years a roll-out happens in,
// and after its last change the last offset holds.
#include "CliWindow.h"

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

namespace {

bool ParseClock(const std::string& text, int& minutes) {
    if (text.size() != 5 || text[2] != ':')
        return false;
    for (size_t i : {0, 1, 3, 4})
        if (text[i] < '0' || text[i] > '9')
            return false;
    const int h = (text[0] - '0') * 10 + (text[1] - '0');
    const int m = (text[3] - '0') * 10 + (text[4] - '0');
    if (h > 23 || m > 59)
        return false;
    minutes = h * 60 + m;
    return true;
}

// "UTC", "UTC+2", "UTC+02:00", "UTC-05:30": seconds east of UTC.
bool ParseFixedZone(const std::string& zone, int& seconds) {
    if (zone.compare(0, 3, "UTC") != 0)
        return false;
    if (zone.size() == 3) {
        seconds = 0;
        return true;
    }
    const char sign = zone[3];
    std::string rest = zone.substr(4);
    if ((sign != '+' && sign != '-') || rest.empty())
        return false;
    int h = 0, m = 0;
    const size_t colon = rest.find(':');
    const std::string hours = rest.substr(0, colon);
    const std::string mins = colon == std::string::npos ? "0" : rest.substr(colon + 1);
    if (hours.empty() || hours.size() > 2 || mins.empty() || mins.size() > 2 ||
        hours.find_first_not_of("0123456789") != std::string::npos ||
        mins.find_first_not_of("0123456789") != std::string::npos)
        return false;
    h = static_cast<int>(std::strtol(hours.c_str(), nullptr, 10)); // digits only, checked above
    m = static_cast<int>(std::strtol(mins.c_str(), nullptr, 10));
    if (h > 14 || m > 59)
        return false;
    seconds = (sign == '-' ? -1 : 1) * (h * 3600 + m * 60);
    return true;
}

long long BigEndian(const std::string& b, size_t at, size_t n) {
    unsigned long long v = 0;
    for (size_t i = 0; i < n; ++i)
        v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    if (n == 4)
        return static_cast<int32_t>(static_cast<uint32_t>(v));
    return static_cast<long long>(v);
}

} // namespace

bool ReadZoneInfo(const std::string& bytes, std::vector<std::pair<long long, int>>& changes,
                  int& nFirstOffset) {
    // Header: magic, version, 15 reserved bytes, six counts. Version 2 and later repeat the
    // data with 64-bit times after the first block: that block is the one read.
    auto header = [&](size_t at, long long counts[6]) {
        if (bytes.size() < at + 44 || bytes.compare(at, 4, "TZif") != 0)
            return false;
        for (int i = 0; i < 6; ++i)
            counts[i] = BigEndian(bytes, at + 20 + 4 * i, 4);
        for (int i = 0; i < 6; ++i)
            if (counts[i] < 0 || counts[i] > 100000)
                return false;
        return true;
    };
    long long c[6]; // isutcnt, isstdcnt, leapcnt, timecnt, typecnt, charcnt
    if (!header(0, c))
        return false;
    size_t at = 44;
    size_t timeSize = 4;
    if (bytes[4] >= '2') {
        at += c[3] * 4 + c[3] + c[4] * 6 + c[5] + c[2] * 8 + c[1] + c[0];
        if (!header(at, c))
            return false;
        at += 44;
        timeSize = 8;
    }
    const long long timecnt = c[3], typecnt = c[4];
    if (typecnt == 0 || bytes.size() < at + timecnt * (timeSize + 1) + typecnt * 6)
        return false;
    const size_t types = at + timecnt * (timeSize + 1);
    auto offsetOf = [&](size_t type) {
        return static_cast<int>(BigEndian(bytes, types + type * 6, 4));
    };
    nFirstOffset = offsetOf(0);
    changes.clear();
    for (long long i = 0; i < timecnt; ++i) {
        const long long when = BigEndian(bytes, at + i * timeSize, timeSize);
        const size_t type = static_cast<unsigned char>(bytes[at + timecnt * timeSize + i]);
        if (type >= static_cast<size_t>(typecnt))
            return false;
        changes.emplace_back(when, offsetOf(type));
    }
    return true;
}

bool MaintenanceWindow::Parse(const std::string& strWindow, const std::string& strZone,
                              std::string& strError) {
    const size_t dash = strWindow.find('-');
    if (dash == std::string::npos || !ParseClock(strWindow.substr(0, dash), m_nStart) ||
        !ParseClock(strWindow.substr(dash + 1), m_nEnd) || m_nStart == m_nEnd) {
        strError = "--window takes HH:MM-HH:MM, two different times of day (e.g. 22:00-05:00)";
        return false;
    }
    m_strText = strWindow;
    m_bSet = true;
    if (strZone.empty())
        return true;
    m_strText += " " + strZone;
    if (ParseFixedZone(strZone, m_nFixedOffset)) {
        m_zone = Zone::FIXED;
        return true;
    }
    const char* dir = std::getenv("TZDIR");
    const std::string folder = dir != nullptr && *dir != '\0' ? dir : "/usr/share/zoneinfo";
    std::ostringstream bytes;
    const bool bName = strZone.find("..") == std::string::npos && strZone[0] != '/' &&
                       strZone.find('\\') == std::string::npos;
    std::ifstream file(folder + "/" + strZone, std::ios::binary);
    if (!bName || !file || !(bytes << file.rdbuf()) ||
        !ReadZoneInfo(bytes.str(), m_changes, m_nFirstOffset)) {
        strError = "--window-tz: unknown time zone " + strZone +
                   " (give UTC, UTC+HH:MM, UTC-HH:MM or a name of " + folder + ")";
        return false;
    }
    m_zone = Zone::TABLE;
    return true;
}

int MaintenanceWindow::OffsetSeconds(long long epochSeconds) const {
    if (m_zone == Zone::FIXED)
        return m_nFixedOffset;
    int offset = m_nFirstOffset;
    for (const auto& change : m_changes) {
        if (change.first > epochSeconds)
            break;
        offset = change.second;
    }
    return offset;
}

int MaintenanceWindow::MinuteOfDay(long long epochMs) const {
    const long long seconds = epochMs >= 0 ? epochMs / 1000 : -((-epochMs + 999) / 1000);
    if (m_zone == Zone::LOCAL) {
        const std::time_t t = static_cast<std::time_t>(seconds);
        std::tm local{};
#ifdef _WIN32
        localtime_s(&local, &t);
#else
        localtime_r(&t, &local);
#endif
        return local.tm_hour * 60 + local.tm_min;
    }
    const long long local = seconds + OffsetSeconds(seconds);
    const long long day = 86400;
    return static_cast<int>(((local % day) + day) % day / 60);
}

bool MaintenanceWindow::IsOpen(long long epochMs) const {
    if (!m_bSet)
        return true;
    const int now = MinuteOfDay(epochMs);
    return m_nStart < m_nEnd ? now >= m_nStart && now < m_nEnd : now >= m_nStart || now < m_nEnd;
}
