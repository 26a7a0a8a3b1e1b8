// One accepted connection of the simulator: reads and frames the host's records, logs them,
// lets the device answer, and applies the transport-level faults (close, silence, delay, wrong
// command code, wrong DataLength) to what goes back.
#pragma once

#include "SimDevice.h"
#include "SimLog.h"
#include "SimSocket.h"
#include "SimStopFlag.h"

#include <string>
#include <vector>

class SimConnection {
public:
    SimConnection(unsigned id, SimSocket& socket, const SimOptions& options, SimImageStore& store,
                  SimDeviceState& state, SimLog& log, SimStopFlag& stop);

    // Serves until the host closes, a fault or a malformed record ends the connection, or a
    // stop is requested. Logs the connect and the disconnect with its reason.
    void Serve(const std::string& peer);

private:
    enum class ReadResult { Done, Closed, Stopped, Failed, Idle };

    // Receives until the inbox holds at least need bytes (need <= its size).
    ReadResult Fill(size_t need);
    size_t Buffered() const { return m_inboxEnd - m_inboxBegin; }
    // Reads one whole, well-framed record; otherwise sets reason and returns false. The record
    // may view the inbox: it stays valid until the next call.
    bool NextRecord(SimRecord& record, std::string& reason);
    bool ReadFailed(ReadResult result, size_t got, std::string& reason);
    // Sends the answers to the current record; false when the connection must end.
    bool SendReplies(std::vector<SimBytes>& replies);
    void ApplyReplyFaults(std::vector<SimBytes>& replies);
    void Log(const JsonLine& fields, bool withSeq = true);
    void LogError(const std::string& message, const TAG_SSTHEADER* header = nullptr);

    const unsigned m_id;
    SimSocket& m_socket;
    const SimOptions& m_options;
    SimLog& m_log;
    SimStopFlag& m_stop;
    SimDeviceState& m_state;
    SimDevice m_device;
    uint32_t m_seq = 0; // records received so far; the current record's number
    // Bytes received and not yet framed: one receive call usually brings a whole record.
    std::vector<unsigned char> m_inbox;
    size_t m_inboxBegin = 0, m_inboxEnd = 0;
};
