// Record loop of one simulator connection.
#include "SimConnection.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {

constexpr unsigned kPollMs = 20;            // how often a waiting read looks at the stop request
constexpr unsigned kSendLimitMs = 2000;     // a host that stops reading cannot block us longer
constexpr uint16_t kWrongCodeFlip = 0x0100; // 0x5001 <-> 0x5101, 0x5002 <-> 0x5102, ...
constexpr size_t kInboxSize = 64 * 1024;

JsonLine FaultEvent(const char* fault) {
    return JsonLine().Add("event", "fault").Add("fault", fault);
}

} // namespace

SimConnection::SimConnection(unsigned id, SimSocket& socket, const SimOptions& options,
                             SimImageStore& store, SimDeviceState& state, SimLog& log,
                             SimStopFlag& stop)
    : m_id(id), m_socket(socket), m_options(options), m_log(log), m_stop(stop), m_state(state),
      m_device(id, options, store, state), m_inbox(kInboxSize) {
    m_socket.SetSendTimeout(kSendLimitMs);
}

void SimConnection::Serve(const std::string& peer) {
    Log(JsonLine().Add("event", "connect").Add("peer", peer), false);
    std::string reason;
    SimRecord record;
    while (NextRecord(record, reason)) {
        Log(DescribeRecord(record));
        if (m_state.IsDown()) { // a restarting device answers nobody
            reason = "restart";
            break;
        }
        if (m_seq == m_options.closeAtRecord) {
            Log(FaultEvent("close"));
            reason = "fault";
            break;
        }
        if (m_options.silentFromRecord != 0 && m_seq >= m_options.silentFromRecord) {
            Log(FaultEvent("silent"));
            continue;
        }
        SimDevice::Outcome outcome = m_device.Handle(record);
        for (const JsonLine& event : outcome.events)
            Log(event);
        if (outcome.delayMs != 0 && !outcome.replies.empty() && m_stop.WaitFor(outcome.delayMs)) {
            reason = "stopped";
            break;
        }
        if (m_seq == m_options.cutReplyAt && !outcome.replies.empty()) {
            SimBytes& first = outcome.replies.front();
            Log(FaultEvent("cut-reply").Add("sent", uint64_t(first.size() / 2)));
            m_socket.SendAll(first.data(), first.size() / 2);
            reason = "fault";
            break;
        }
        if (!SendReplies(outcome.replies)) {
            reason = m_stop.IsSet() ? "stopped" : "send failed";
            break;
        }
        if (m_state.IsDown()) {
            reason = "restart";
            break;
        }
    }
    m_device.Disconnected();
    Log(JsonLine().Add("event", "disconnect").Add("reason", reason).Add("records", m_seq), false);
}

SimConnection::ReadResult SimConnection::Fill(size_t need) {
    if (m_inbox.size() - m_inboxBegin < need) { // make room behind what is kept
        std::memmove(m_inbox.data(), m_inbox.data() + m_inboxBegin, Buffered());
        m_inboxEnd -= m_inboxBegin;
        m_inboxBegin = 0;
    }
    unsigned idleMs = 0;
    while (Buffered() < need) {
        if (m_stop.IsSet())
            return ReadResult::Stopped;
        const long n =
            m_socket.RecvWithin(m_inbox.data() + m_inboxEnd, m_inbox.size() - m_inboxEnd, kPollMs);
        if (n == SimSocket::kTimedOut) {
            m_log.Flush(); // a quiet moment: let anyone following the log file see it all
            // A host that went quiet in download mode must not keep every other host out.
            idleMs += kPollMs;
            if (m_options.idleTimeoutMs != 0 && idleMs >= m_options.idleTimeoutMs)
                return ReadResult::Idle;
            continue;
        }
        if (n == 0)
            return m_stop.IsSet() ? ReadResult::Stopped : ReadResult::Closed;
        if (n < 0)
            return ReadResult::Failed;
        idleMs = 0;
        m_inboxEnd += static_cast<size_t>(n);
    }
    return ReadResult::Done;
}

bool SimConnection::ReadFailed(ReadResult result, size_t got, std::string& reason) {
    switch (result) {
    case ReadResult::Done:
        return false;
    case ReadResult::Closed:
        reason = "peer closed";
        if (got > 0)
            LogError("peer closed in the middle of a record");
        return true;
    case ReadResult::Stopped:
        reason = "stopped";
        return true;
    case ReadResult::Failed:
        reason = "receive error";
        return true;
    case ReadResult::Idle:
        reason = "idle";
        return true;
    }
    return true;
}

bool SimConnection::NextRecord(SimRecord& record, std::string& reason) {
    TAG_SSTHEADER header{};
    ReadResult result = Fill(sizeof header);
    if (ReadFailed(result, Buffered(), reason))
        return false;
    std::memcpy(&header, m_inbox.data() + m_inboxBegin, sizeof header);
    ++m_seq;
    std::string why;
    if (!CheckRecordHeader(header, m_options.maxRecordSize, &why)) {
        LogError(why, &header);
        reason = "malformed record";
        return false;
    }
    const size_t size = sizeof header + header.DataLength.get();
    if (size <= m_inbox.size()) {
        // The usual case: the record is handled where it was received, without a copy.
        result = Fill(size);
        if (ReadFailed(result, Buffered(), reason))
            return false;
        record = SimRecord(m_inbox.data() + m_inboxBegin, size);
        m_inboxBegin += size;
    } else {
        SimBytes bytes(size);
        size_t got = Buffered();
        std::memcpy(bytes.data(), m_inbox.data() + m_inboxBegin, got);
        m_inboxBegin = m_inboxEnd = 0;
        while (got < size) {
            result = Fill(1);
            if (ReadFailed(result, got, reason))
                return false;
            const size_t n = std::min(size - got, Buffered());
            std::memcpy(bytes.data() + got, m_inbox.data() + m_inboxBegin, n);
            m_inboxBegin += n;
            got += n;
        }
        record = SimRecord(std::move(bytes));
    }
    if (!CheckRecordBody(record, &why)) {
        LogError(why, &header);
        reason = "malformed record";
        return false;
    }
    return true;
}

bool SimConnection::SendReplies(std::vector<SimBytes>& replies) {
    ApplyReplyFaults(replies);
    for (const SimBytes& reply : replies) {
        if (m_options.replyDelayMs != 0 && m_stop.WaitFor(m_options.replyDelayMs))
            return false;
        if (!m_socket.SendAll(reply.data(), reply.size()))
            return false;
    }
    return true;
}

void SimConnection::ApplyReplyFaults(std::vector<SimBytes>& replies) {
    const bool wrongCode = m_seq == m_options.wrongCodeAtRecord;
    const bool badLength = m_seq == m_options.badLengthAtRecord;
    if (replies.empty() || (!wrongCode && !badLength))
        return;
    if (wrongCode)
        Log(FaultEvent("wrong-code"));
    if (badLength)
        Log(FaultEvent("bad-length").Add("delta", m_options.badLengthDelta));
    for (SimBytes& reply : replies) {
        TAG_SSTHEADER header;
        std::memcpy(&header, reply.data(), sizeof header);
        if (wrongCode)
            header.CommandCode.set(header.CommandCode.get() ^ kWrongCodeFlip);
        if (badLength) {
            const int64_t length = int64_t(header.DataLength.get()) + m_options.badLengthDelta;
            header.DataLength.set(static_cast<uint32_t>(length < 0 ? 0 : length));
        }
        std::memcpy(reply.data(), &header, sizeof header);
    }
}

void SimConnection::Log(const JsonLine& fields, bool withSeq) {
    JsonLine line;
    line.Add("conn", m_id);
    if (m_options.logTimes)
        line.Add("t_us", std::chrono::duration_cast<std::chrono::microseconds>(
                             std::chrono::steady_clock::now().time_since_epoch())
                             .count());
    if (withSeq)
        line.Add("seq", m_seq);
    m_log.Write(line.Append(fields));
}

void SimConnection::LogError(const std::string& message, const TAG_SSTHEADER* header) {
    JsonLine line;
    line.Add("event", "error");
    if (header != nullptr)
        line.Add("code", header->CommandCode.get())
            .Add("len", uint64_t(header->DataLength.get()) + 8);
    Log(line.Add("msg", message));
}
