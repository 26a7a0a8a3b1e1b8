// The Prometheus text exposition format, version 0.0.4: HELP and TYPE before each family, label
// values escaped, histograms as cumulative buckets with _sum and _count.
#include "CliMetrics.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#ifdef _WIN32
#include <windows.h>
#endif

namespace {

const double kBucketBounds[] = {1, 5, 15, 30, 60, 120, 300, 600, 1800};
const size_t kBucketCount = sizeof kBucketBounds / sizeof kBucketBounds[0];

const char* PhaseName(FleetPhase phase) {
    switch (phase) {
    case FleetPhase::CONNECT:
        return "connect";
    case FleetPhase::TRANSFER:
        return "transfer";
    case FleetPhase::DEVICE_WRITE:
        return "device_write";
    default:
        return "restart";
    }
}

std::string Label(const std::string& value) {
    std::string out = "\"";
    for (char c : value) {
        if (c == '\\' || c == '"')
            out += '\\';
        if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out + "\"";
}

std::string Number(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

void Family(std::string& out, const char* name, const char* type, const char* help) {
    out += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " " + type + "\n";
}

} // namespace

void FleetMetrics::Observe(FleetPhase phase, double seconds) {
    std::lock_guard<std::mutex> guard(m_lock);
    Histogram& h = m_histograms[phase];
    h.buckets.resize(kBucketCount + 1, 0);
    for (size_t i = 0; i < kBucketCount; ++i)
        h.buckets[i] += seconds <= kBucketBounds[i] ? 1 : 0;
    h.buckets[kBucketCount] += 1;
    h.sum += seconds;
    h.count += 1;
}

void FleetMetrics::SetPackage(const std::string& strSha256, const std::string& strSigner,
                              const std::string& strSignature) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_strSha256 = strSha256;
    m_strSigner = strSigner;
    m_strSignature = strSignature;
}

std::string FleetMetrics::Text(const FleetFigures& figures, bool bRunning, long long wallMs) const {
    std::lock_guard<std::mutex> guard(m_lock);
    std::string out;
    Family(out, "halvard_devices", "gauge", "Devices of the fleet run by outcome.");
    std::map<std::string, size_t> outcomes = figures.outcomes;
    for (DeviceOutcome o :
         {DeviceOutcome::UPDATED, DeviceOutcome::NOTHING_TO_UPDATE, DeviceOutcome::VERIFIED,
          DeviceOutcome::FAILED, DeviceOutcome::NOT_BEGUN, DeviceOutcome::DEFERRED})
        outcomes.emplace(FactsOf(o).pszJson, 0); // always present, so that graphs have a line
    for (const auto& row : outcomes)
        out += "halvard_devices{outcome=" + Label(row.first) + "} " + std::to_string(row.second) +
               "\n";
    Family(out, "halvard_images_sent_total", "counter",
           "Firmware images the devices accepted in this run.");
    out += "halvard_images_sent_total " + std::to_string(figures.qwImages) + "\n";
    Family(out, "halvard_bytes_sent_total", "counter",
           "Bytes of the firmware images the devices accepted in this run.");
    out += "halvard_bytes_sent_total " + std::to_string(figures.qwBytes) + "\n";
    Family(out, "halvard_phase_duration_seconds", "histogram",
           "Durations of the phases of each device's update.");
    for (int p = 0; p < static_cast<int>(FleetPhase::COUNT); ++p) {
        const FleetPhase phase = static_cast<FleetPhase>(p);
        const std::string label = std::string("phase=\"") + PhaseName(phase) + "\"";
        auto found = m_histograms.find(phase);
        const Histogram empty{std::vector<uint64_t>(kBucketCount + 1, 0), 0, 0};
        const Histogram& h = found == m_histograms.end() ? empty : found->second;
        for (size_t i = 0; i <= kBucketCount; ++i)
            out += "halvard_phase_duration_seconds_bucket{" + label + ",le=\"" +
                   (i < kBucketCount ? Number(kBucketBounds[i]) : std::string("+Inf")) + "\"} " +
                   std::to_string(h.buckets[i]) + "\n";
        out += "halvard_phase_duration_seconds_sum{" + label + "} " + Number(h.sum) + "\n";
        out +=
            "halvard_phase_duration_seconds_count{" + label + "} " + std::to_string(h.count) + "\n";
    }
    Family(out, "halvard_package_info", "gauge", "The firmware package of the run.");
    out += "halvard_package_info{sha256=" + Label(m_strSha256) + ",signer=" + Label(m_strSigner) +
           ",signature=" + Label(m_strSignature) + "} 1\n";
    Family(out, "halvard_run_active", "gauge", "1 while the fleet run goes on, 0 once it ended.");
    out += std::string("halvard_run_active ") + (bRunning ? "1" : "0") + "\n";
    Family(out, "halvard_metrics_written_timestamp_seconds", "gauge",
           "When halvard last wrote this file.");
    out += "halvard_metrics_written_timestamp_seconds " + std::to_string(wallMs / 1000) + "\n";
    return out;
}

bool WriteFileAtomically(const std::string& path, const std::string& text, std::string& strError) {
    // The collector skips files not ending in .prom, so the temporary one is never read half.
    const std::string temp = path + ".tmp";
    {
        std::ofstream file(temp, std::ios::binary | std::ios::trunc);
        file << text;
        file.close();
        if (!file) {
            strError = "cannot write the metrics file " + temp;
            return false;
        }
    }
    std::error_code error;
#ifdef _WIN32
    // Replaces the old file in one step, as rename does on POSIX.
    if (!MoveFileExA(temp.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = std::error_code(static_cast<int>(GetLastError()), std::system_category());
#else
    std::filesystem::rename(temp, path, error);
#endif
    if (error) {
        std::filesystem::remove(temp, error);
        strError = "cannot replace the metrics file " + path;
        return false;
    }
    return true;
}

MetricsWriter::MetricsWriter(const std::string& path, const CliClock& clock,
                             const std::function<std::string()>& text, unsigned long intervalMs) {
    m_thread = std::thread([this, path, clock, text, intervalMs] {
        const std::function<bool()> stopped = [this] { return m_bStop.load(); };
        while (clock.Wait(intervalMs, stopped)) {
            std::string error; // a failed write is tried again next time; the final one reports
            WriteFileAtomically(path, text(), error);
        }
    });
}

void MetricsWriter::Stop() {
    m_bStop = true;
    if (m_thread.joinable())
        m_thread.join();
}
