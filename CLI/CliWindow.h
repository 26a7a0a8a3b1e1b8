// The maintenance window of a roll-out: the time of day in which devices may be begun, in local
// time, a fixed UTC offset or a zone of the system's time-zone database.
#pragma once

#include <string>
#include <utility>
#include <vector>

class MaintenanceWindow {
public:
    // "HH:MM-HH:MM" (the end may be earlier than the start: the window crosses midnight) and
    // the zone: empty for local time, "UTC", "UTC+HH:MM" / "UTC-HH:MM", or a name such as
    // "Europe/Berlin" read from the system's zoneinfo files. False with the reason.
    bool Parse(const std::string& strWindow, const std::string& strZone, std::string& strError);
    bool IsSet() const { return m_bSet; }
    bool IsOpen(long long epochMs) const;
    // "22:00-05:00" and the zone when one was given, for messages.
    const std::string& Text() const { return m_strText; }

private:
    int MinuteOfDay(long long epochMs) const;
    int OffsetSeconds(long long epochSeconds) const;

    bool m_bSet = false;
    int m_nStart = 0, m_nEnd = 0; // minutes of the day
    enum class Zone { LOCAL, FIXED, TABLE } m_zone = Zone::LOCAL;
    int m_nFixedOffset = 0; // seconds east of UTC
    // From the zoneinfo file: UTC second of each change, the offset from then on.
    std::vector<std::pair<long long, int>> m_changes;
    int m_nFirstOffset = 0; // before the first change
    std::string m_strText;
};

// Reads a TZif file's changes of offset; false when it is not one.
bool ReadZoneInfo(const std::string& bytes, std::vector<std::pair<long long, int>>& changes,
                  int& nFirstOffset);
