// The simulator's log: one JSON object per line, the latest ones kept in memory and all of them
// optionally written to a file as it happens. Safe to read from any thread while the server
// writes.
#pragma once

#include "SimJson.h"

#include <deque>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

class SimLog {
public:
    // Starts the file afresh; an empty path keeps the log in memory only.
    bool Open(const std::string& path, std::string* error);
    // Ends file output (the lines stay in memory), so that the file can be moved or removed.
    void Close();
    void Write(const JsonLine& line);
    std::vector<std::string> Lines() const;

    // A long-running simulator must not grow without bound: older lines leave memory (the file
    // keeps them).
    static constexpr size_t kMaxMemoryLines = 200000;

private:
    mutable std::mutex m_mutex;
    std::deque<std::string> m_lines;
    std::ofstream m_file;
};
