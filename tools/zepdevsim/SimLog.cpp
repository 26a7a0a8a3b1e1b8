// In-memory and file log of the device simulator.
#include "SimLog.h"

bool SimLog::Open(const std::string& path, std::string* error) {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_file.is_open())
        m_file.close();
    if (path.empty())
        return true;
    m_file.open(path, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!m_file && error != nullptr)
        *error = "cannot write log file " + path;
    return static_cast<bool>(m_file);
}

void SimLog::Close() {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_file.is_open())
        m_file.close();
}

void SimLog::Write(const JsonLine& line) {
    std::string text = line.Text();
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_file.is_open()) {
        m_file << text << '\n';
        const auto now = std::chrono::steady_clock::now();
        if (now - m_lastFlush >= std::chrono::milliseconds(kFlushMs)) {
            m_file.flush();
            m_lastFlush = now;
        }
    }
    m_lines.push_back(std::move(text));
    if (m_lines.size() > kMaxMemoryLines)
        m_lines.pop_front();
}

void SimLog::Flush() {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_file.is_open()) {
        m_file.flush();
        m_lastFlush = std::chrono::steady_clock::now();
    }
}

std::vector<std::string> SimLog::Lines() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return std::vector<std::string>(m_lines.begin(), m_lines.end());
}
