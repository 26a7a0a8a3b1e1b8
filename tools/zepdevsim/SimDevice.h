// The device side of one update session (one connection): answers each well-formed record as
// the device's update service does, collects uploaded images and injects the device-level
// faults (SendFile status, GetFile checksum, status-query write fault).
#pragma once

#include "SimImageStore.h"
#include "SimOptions.h"
#include "SimRecord.h"

#include <map>
#include <string>
#include <vector>

// Status this device answers to a request it cannot serve (unknown file, query about no image,
// EndNotice outside the protocol): outside the protocol's set, so a host reads a device error.
constexpr uint16_t kSimStatusRejected = 0x0800;
// EndNotice of the single, empty GetFile packet answering a request for a file the device lacks.
constexpr uint16_t kSimEndNoSuchFile = 0x0082;

class SimDevice {
public:
    struct Outcome {
        std::vector<SimBytes> replies; // sent in order; none: the device stays silent
        std::vector<JsonLine> events;  // what the log should tell beyond the record itself
    };

    SimDevice(const SimOptions& options, SimImageStore& store);

    Outcome Handle(const SimRecord& record);

private:
    // An image arriving in SendFile packets.
    struct Upload {
        uint32_t total = 0;
        SimBytes data;
        uint16_t sum = 0;  // running checksum of data
        std::string fault; // why the image can no longer complete; empty while it can
    };
    // An image received whole, which status queries watch being written.
    struct Written {
        uint32_t size = 0;
        uint32_t queries = 0;
    };

    void GetFile(const SimRecord& record, Outcome& out);
    void SendFile(const SimRecord& record, Outcome& out);
    void QueryStatus(const SimRecord& record, Outcome& out);

    // Adds one data packet to its image; returns 0x0080 or the error status to answer.
    uint16_t AcceptData(const std::string& name, const TAG_CMDSENDFILE& head,
                        const unsigned char* data, Outcome& out);
    // Ends an image on its final packet; returns the status to answer.
    uint16_t Complete(const std::string& name, const TAG_CMDSENDFILE& head, Outcome& out);
    uint16_t Fail(const std::string& name, uint16_t status, const std::string& why, Outcome& out);

    const SimOptions& m_options;
    SimImageStore& m_store;
    std::map<std::string, Upload> m_uploads;
    std::map<std::string, Written> m_written;
    std::string m_lastWritten;
    uint32_t m_sendFilePackets = 0;
    uint32_t m_queries = 0;
};
