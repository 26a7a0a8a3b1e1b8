// The fleet journal: one JSON line per device outcome, appended and on disk as it happens,
// never rewritten (only a line cut short by a crash is cut away); and its reading for --resume.
#pragma once

#include "CliDurable.h"
#include "CliOutcome.h"

#include <map>
#include <mutex>
#include <string>

class FleetJournal {
public:
    // Opens path for appending the outcomes of the package with that SHA-256. A last line cut
    // short by a crash is cut away first, so that the file holds whole lines only.
    // strPackageMembers, when given, are the JSON members naming the package (its SHA-256 among
    // them, and who signed it) that every line carries.
    bool Open(const std::string& path, const std::string& strPackageSha256,
              const std::string& strPackageMembers, std::string& strError);
    // Writes one device's object (a line without its end) with the package's SHA-256 and
    // whether its outcome was verified; false when it could not be made durable.
    bool Append(const std::string& strObject, bool bVerified);

private:
    std::mutex m_lock;
    DurableAppendFile m_file;
    std::string m_strPackageSha256;
    std::string m_strPackageMembers;
};

// What makes a journal line count for a resumed run: the same package and, when the run
// verifies, a verified outcome.
struct JournalMatch {
    std::string strPackageSha256;
    bool bVerified = false;
};

// The last outcome of every device whose last line in the journal at path counts for match; a
// device whose last line is for another package (or has none named) is left out. A last line
// without its line end was cut short by a crash and is ignored; any other line that is not a
// device's outcome is an error (strError names the line).
bool ReadJournal(const std::string& path, const JournalMatch& match,
                 std::map<std::string, DeviceOutcome>& last, std::string& strError);

// The string members of one flat JSON object; false when the text is not one. Members that are
// numbers, true, false or null go to scalars, as written, when it is given.
bool ParseFlatJsonObject(const std::string& text, std::map<std::string, std::string>& strings,
                         std::map<std::string, std::string>* scalars = nullptr);
