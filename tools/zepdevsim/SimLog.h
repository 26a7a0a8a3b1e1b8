// The simulator's log: one JSON object per line, the latest ones kept in memory and all of them
// optionally written to a file as it happens. Safe to read from any thread while the server
// writes.
#pragma once

#include "SimJson.h"

#include <chrono>
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
    // The file is flushed at most every kFlushMs while lines keep coming, and by Flush.
    void Write(const JsonLine& line);
    void Flush();
    std::vector<std::string> Lines() const;

    // A long-running simulator must not grow without bound: older lines leave memory (the file
    // keeps them).
    static constexpr size_t kMaxMemoryLines = 200000;
    // Scripts follow the file while the simulator runs; a flush for every packet of an image
    // would cost about as much as the packet's reply.
    static constexpr unsigned kFlushMs = 50;

private:
    mutable std::mutex m_mutex;
    std::deque<std::string> m_lines;
    std::ofstream m_file;
    std::chrono::steady_clock::time_point m_lastFlush;
};
