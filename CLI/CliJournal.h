// The fleet journal: one JSON line per device outcome, appended and on disk as it happens,
// never rewritten; and its reading for --resume.
#pragma once

#include "CliDurable.h"
#include "CliOutcome.h"

#include <map>
#include <mutex>
#include <string>

class FleetJournal {
public:
    // Opens path for appending; a last line cut short by a crash is ended first.
    bool Open(const std::string& path, std::string& strError);
    // Writes one object (a line without its end); false when it could not be made durable.
    bool Append(const std::string& strObject);

private:
    std::mutex m_lock;
    DurableAppendFile m_file;
};

// The last outcome of every device the journal at path names. A last line without its line
// end was cut short by a crash and is ignored; any other line that is not a device's outcome
// is an error (strError names the line).
bool ReadJournal(const std::string& path, std::map<std::string, DeviceOutcome>& last,
                 std::string& strError);

// The string members of one flat JSON object; false when the text is not one.
bool ParseFlatJsonObject(const std::string& text, std::map<std::string, std::string>& strings);
