// A fleet run's figures in the Prometheus text format, for node_exporter's textfile collector:
// devices by outcome, images and bytes the devices accepted, a histogram of durations per phase
// and the package as an info metric. The file is replaced whole (temporary file, then rename), so
// a collector never reads half of it.
#pragma once

#include "CliClock.h"
#include "CliOutcome.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

enum class FleetPhase { CONNECT, TRANSFER, DEVICE_WRITE, RESTART, COUNT };

// What the text is made of: the outcome counts and the totals, as the run or its summary has
// them.
struct FleetFigures {
    std::map<std::string, size_t> outcomes; // JSON value of the outcome -> devices
    uint64_t qwImages = 0, qwBytes = 0;
};

class FleetMetrics {
public:
    void Observe(FleetPhase phase, double seconds);
    // The package's identity as labels of halvard_package_info.
    void SetPackage(const std::string& strSha256, const std::string& strSigner,
                    const std::string& strSignature);
    // The text; bRunning tells whether the run still goes on; wallMs stamps it.
    std::string Text(const FleetFigures& figures, bool bRunning, long long wallMs) const;

private:
    mutable std::mutex m_lock;
    struct Histogram {
        std::vector<uint64_t> buckets; // by kBucketBounds, then +Inf
        double sum = 0;
        uint64_t count = 0;
    };
    std::map<FleetPhase, Histogram> m_histograms;
    std::string m_strSha256, m_strSigner, m_strSignature;
};

// Writes text to path through a temporary file beside it and a rename; false with the reason.
bool WriteFileAtomically(const std::string& path, const std::string& text, std::string& strError);

// Writes the metrics file every intervalMs on the run's clock until Stop; the last write is the
// caller's, with the final figures.
class MetricsWriter {
public:
    MetricsWriter(const std::string& path, const CliClock& clock,
                  const std::function<std::string()>& text,
                  unsigned long intervalMs = 10000);
    ~MetricsWriter() { Stop(); }
    void Stop();

private:
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
};
