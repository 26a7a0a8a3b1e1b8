// The device side of one update session (one connection): answers each well-formed record as
// the device's update service does, collects uploaded images and injects the device-level
// faults (SendFile status, GetFile checksum, status-query write fault). Files move only in
// download mode, which one connection at a time holds (SimDeviceState), and no record may be
// larger than the MAXPACKET the device advertises.
#pragma once

#include "SimDeviceState.h"
#include "SimImageStore.h"
#include "SimOptions.h"
#include "SimRecord.h"

#include <chrono>
#include <map>
#include <random>
#include <string>
#include <vector>

// Status this device answers to a request it cannot serve (query about no image, EndNotice
// outside the protocol, a file moved outside download mode, a record above MAXPACKET): outside
// the protocol's set, so a host reads a device error. A refused GetFile carries it as EndNotice.
constexpr uint16_t kSimStatusRejected = 0x0800;
// EndNotice of the single, empty GetFile packet answering a request for a file the device lacks.
constexpr uint16_t kSimEndNoSuchFile = 0x0082;

class SimDevice {
public:
    struct Outcome {
        std::vector<SimBytes> replies; // sent in order; none: the device stays silent
        std::vector<JsonLine> events;  // what the log should tell beyond the record itself
        uint32_t delayMs = 0;          // the device's pace: waited before the replies
    };

    SimDevice(unsigned conn, const SimOptions& options, SimImageStore& store,
              SimDeviceState& state);

    Outcome Handle(const SimRecord& record);
    // The connection has ended: a download mode it held ends with it.
    void Disconnected();

private:
    // An image arriving in SendFile packets.
    struct Upload {
        uint32_t total = 0;
        SimBytes data;
        uint16_t sum = 0;  // running checksum of data
        std::string fault; // why the image can no longer complete; empty while it can
        std::chrono::steady_clock::time_point begun; // arrival of its first packet
    };
    // An image received whole, which status queries watch being written.
    struct Written {
        uint32_t size = 0;
        uint32_t queries = 0;
    };

    void Enter(Outcome& out);
    void GetFile(const SimRecord& record, Outcome& out);
    void SendFile(const SimRecord& record, Outcome& out);
    void QueryStatus(const SimRecord& record, Outcome& out);

    // Adds one data packet to its image; returns 0x0080 or the error status to answer.
    uint16_t AcceptData(const std::string& name, const TAG_CMDSENDFILE& head,
                        const unsigned char* data, Outcome& out);
    // Ends an image on its final packet; returns the status to answer.
    uint16_t Complete(const std::string& name, const TAG_CMDSENDFILE& head, Outcome& out);
    uint16_t Fail(const std::string& name, uint16_t status, const std::string& why, Outcome& out);

    const unsigned m_conn;
    const SimOptions& m_options;
    SimImageStore& m_store;
    SimDeviceState& m_state;
    const uint32_t m_maxPacket; // 0: TargetInfo.txt advertises no limit
    std::map<std::string, Upload> m_uploads;
    std::map<std::string, Written> m_written;
    std::string m_lastWritten;
    // The wait before an answer: base plus the jitter drawn for it.
    uint32_t Pace(uint32_t base);

    uint32_t m_sendFilePackets = 0;
    uint32_t m_finalPackets = 0;
    std::minstd_rand m_jitter;
    uint32_t m_queries = 0;
    // This download session: the images it stored, and whether any was refused.
    std::vector<std::string> m_sessionImages;
    bool m_sessionFailed = false;
    void Exit(Outcome& out);
};
