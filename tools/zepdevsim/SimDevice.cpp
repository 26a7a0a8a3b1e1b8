// Record-by-record behaviour of the simulated device.
#include "SimDevice.h"

#include "SimChecksum.h"
#include "SimTargetInfo.h"

#include <algorithm>

namespace {

const char kTargetInfoName[] = "TargetInfo.txt";

bool IsFinal(uint16_t endNotice) {
    return endNotice == ZEP_END_FINAL || endNotice == ZEP_END_FINAL_QUERY;
}

bool IsAccepted(uint16_t status) {
    return status == ZEP_STATUS_OK || status == ZEP_STATUS_WRITING;
}

uint16_t Checksum(const unsigned char* data, size_t n, uint16_t seed = 0) {
    return SimChecksum(data, n, seed);
}

// Enter, exit and SendFile replies share one 12-byte layout: header and status.
template <class T> SimBytes StatusReply(uint16_t code, uint16_t status) {
    T reply{};
    reply.Header.CommandCode.set(code);
    reply.Header.DataLength.set(sizeof(T) - sizeof(TAG_SSTHEADER));
    reply.Status.set(status);
    return RecordBytes(reply);
}

SimBytes QueryReply(uint16_t status, uint32_t total, uint32_t done) {
    TAG_RESQUERYUPDATESTATUS reply{};
    reply.Header.CommandCode.set(ZEP_CMD_QUERYUPDATESTATUS);
    reply.Header.DataLength.set(sizeof reply - sizeof(TAG_SSTHEADER));
    reply.Status.set(status);
    reply.TotalUpdateSize.set(total);
    reply.UpdateSize.set(done);
    return RecordBytes(reply);
}

SimBytes GetFilePacket(const std::string& file, size_t offset, size_t n, uint16_t endNotice,
                       uint16_t checksum) {
    TAG_RESGETFILE head{};
    head.Header.CommandCode.set(ZEP_CMD_GETFILE);
    head.Header.DataLength.set(static_cast<uint32_t>(sizeof head - sizeof(TAG_SSTHEADER) + n));
    head.EndNotice.set(endNotice);
    head.TransmittedSize.set(static_cast<uint32_t>(offset));
    head.TotalTransmitSize.set(static_cast<uint32_t>(file.size()));
    head.CheckSum.set(checksum);
    head.LengthOfSendData.set(static_cast<uint32_t>(n));
    return RecordBytes(head, reinterpret_cast<const unsigned char*>(file.data()) + offset, n);
}

JsonLine Event(const char* kind) {
    return JsonLine().Add("event", kind);
}

JsonLine FaultEvent(const char* fault) {
    return Event("fault").Add("fault", fault);
}

} // namespace

SimDevice::SimDevice(unsigned conn, const SimOptions& options, SimImageStore& store,
                     SimDeviceState& state)
    : m_conn(conn), m_options(options), m_store(store), m_state(state),
      m_maxPacket(AdvertisedMaxPacket(options.targetInfo)), m_jitter(options.seed * 7919u + conn) {}

uint32_t SimDevice::Pace(uint32_t base) {
    if (m_options.jitterMs == 0)
        return base;
    return base + static_cast<uint32_t>(m_jitter() % (uint64_t(m_options.jitterMs) + 1));
}

void SimDevice::Disconnected() {
    m_state.Leave(m_conn);
}

SimDevice::Outcome SimDevice::Handle(const SimRecord& record) {
    Outcome out;
    switch (record.Code()) {
    case ZEP_CMD_ENTERDOWNLOAD:
        Enter(out);
        break;
    case ZEP_CMD_EXITDOWNLOAD:
        Exit(out);
        break;
    case ZEP_CMD_GETFILE:
        GetFile(record, out);
        break;
    case ZEP_CMD_SENDFILE:
        SendFile(record, out);
        break;
    case ZEP_CMD_QUERYUPDATESTATUS:
        QueryStatus(record, out);
        break;
    default: // framing lets no other code through
        break;
    }
    return out;
}

void SimDevice::Exit(Outcome& out) {
    const bool bHeld = m_state.InDownloadMode(m_conn);
    m_state.Leave(m_conn);
    // Down before the answer leaves: no host may read the old versions once it has it (unless
    // staged, when it serves the written ones first).
    if (bHeld && m_options.restart && !m_sessionImages.empty() && !m_sessionFailed) {
        std::map<std::string, std::string> installed;
        for (const std::string& name : m_sessionImages) {
            auto it = m_options.imageVersions.find(name);
            if (it != m_options.imageVersions.end())
                installed.insert(*it);
        }
        const std::string now = m_state.TargetInfo();
        if (m_options.stagedMs != 0)
            m_state.Stage(WithVersions(now, installed), now,
                          std::chrono::steady_clock::now() +
                              std::chrono::milliseconds(m_options.stagedMs));
        else
            m_state.GoDown(m_options.restartKeepsOld ? now : WithVersions(now, installed));
        out.events.push_back(Event("restart")
                                 .Add("staged_ms", m_options.stagedMs)
                                 .Add("ms", m_options.restartMs)
                                 .Add("returns", !m_options.restartNeverReturns)
                                 .Add("keeps_old", m_options.restartKeepsOld));
    }
    out.replies.push_back(StatusReply<TAG_RESENTERDOWNLOAD>(ZEP_CMD_EXITDOWNLOAD, ZEP_STATUS_OK));
}

void SimDevice::Enter(Outcome& out) {
    uint16_t status = m_options.enterStatus; // any other configured answer is a refusal
    if (status == ZEP_STATUS_OK && m_state.CountBusyEnter(m_options.busyEnters)) {
        status = ZEP_STATUS_BUSY;
        out.events.push_back(FaultEvent("busy-enter"));
    }
    if (status == ZEP_STATUS_OK && m_state.Printing(m_options.printingMs)) {
        status = ZEP_STATUS_BUSY;
        out.events.push_back(FaultEvent("printing"));
    }
    if (status == ZEP_STATUS_OK) {
        const unsigned holder = m_state.Enter(m_conn);
        if (holder != m_conn) {
            status = ZEP_STATUS_BUSY;
            out.events.push_back(
                Event("refuse")
                    .Add("status", status)
                    .Add("reason", "connection " + std::to_string(holder) + " is updating"));
        } else {
            m_sessionImages.clear();
            m_sessionFailed = false;
        }
    }
    out.replies.push_back(StatusReply<TAG_RESENTERDOWNLOAD>(ZEP_CMD_ENTERDOWNLOAD, status));
}

void SimDevice::GetFile(const SimRecord& record, Outcome& out) {
    const std::string name = WireFileName(record.As<TAG_CMDGETFILE>().FileName);
    if (!m_state.InDownloadMode(m_conn)) {
        out.events.push_back(Event("reject")
                                 .Add("file", name)
                                 .Add("status", kSimStatusRejected)
                                 .Add("reason", "not in download mode"));
        out.replies.push_back(GetFilePacket(std::string(), 0, 0, kSimStatusRejected, 0));
        return;
    }
    if (name != kTargetInfoName) {
        out.events.push_back(Event("error").Add("msg", "no such device file: " + name));
        out.replies.push_back(GetFilePacket(std::string(), 0, 0, kSimEndNoSuchFile, 0));
        return;
    }
    const std::string file = m_state.TargetInfo();
    const auto* bytes = reinterpret_cast<const unsigned char*>(file.data());
    const size_t chunk = std::max<uint32_t>(m_options.getFilePacketSize, 1);
    size_t offset = 0;
    uint32_t index = 0;
    do { // an empty file still goes out as one final packet
        const size_t n = std::min(chunk, file.size() - offset);
        const bool last = offset + n == file.size();
        uint16_t sum = last ? Checksum(bytes, file.size()) : Checksum(bytes + offset, n);
        if (++index == m_options.corruptGetFilePacket) {
            ++sum;
            out.events.push_back(FaultEvent("getfile-checksum").Add("packet", index));
        }
        out.replies.push_back(
            GetFilePacket(file, offset, n, last ? ZEP_END_FINAL : ZEP_END_MORE, sum));
        offset += n;
    } while (offset < file.size());
}

void SimDevice::SendFile(const SimRecord& record, Outcome& out) {
    const TAG_CMDSENDFILE head = record.As<TAG_CMDSENDFILE>();
    const std::string name = WireFileName(head.FileName);
    const uint16_t endNotice = head.EndNotice.get();
    // A device writes nothing outside download mode and reads no record above its own limit;
    // a host that forgets the head's 60 bytes in its chunk size must not pass.
    std::string refusal;
    if (!m_state.InDownloadMode(m_conn))
        refusal = "not in download mode";
    else if (m_maxPacket != 0 && record.Size() > m_maxPacket)
        refusal = "record of " + std::to_string(record.Size()) + " bytes exceeds MAXPACKET " +
                  std::to_string(m_maxPacket);
    if (!refusal.empty()) {
        const uint16_t status = Fail(name, kSimStatusRejected, refusal, out);
        if (endNotice != ZEP_END_MORE || m_options.ackIntermediate)
            out.replies.push_back(StatusReply<TAG_RESSENDFILE>(ZEP_CMD_SENDFILE, status));
        return;
    }
    // An injected refusal gives the image up; an injected acceptance only replaces the answer.
    const bool bInjected = ++m_sendFilePackets == m_options.sendFileStatusAt;
    if (bInjected) {
        out.events.push_back(FaultEvent("sendfile-status").Add("status", m_options.sendFileStatus));
        if (!IsAccepted(m_options.sendFileStatus)) {
            m_sessionFailed = true;
            m_uploads.erase(name);
            out.replies.push_back(
                StatusReply<TAG_RESSENDFILE>(ZEP_CMD_SENDFILE, m_options.sendFileStatus));
            return;
        }
    }

    const bool bFinal = IsFinal(endNotice);
    out.delayMs = Pace(endNotice == ZEP_END_MORE ? m_options.blockDelayMs
                       : bFinal                  ? m_options.verdictDelayMs
                                                 : 0);
    if (bFinal && m_options.silentFinals) {
        // Not answered is not accepted: the image is dropped, as by a device that hung.
        out.events.push_back(FaultEvent("silent-final").Add("file", name));
        m_sessionFailed = true;
        m_uploads.erase(name);
        return;
    }
    if (bFinal && ++m_finalPackets == m_options.finalStatusAt) {
        // The device's verdict on the whole image: it is given up, whatever arrived.
        out.events.push_back(FaultEvent("final-status").Add("status", m_options.finalStatus));
        m_sessionFailed = m_sessionFailed || !IsAccepted(m_options.finalStatus);
        m_uploads.erase(name);
        out.replies.push_back(
            StatusReply<TAG_RESSENDFILE>(ZEP_CMD_SENDFILE, m_options.finalStatus));
        return;
    }
    uint16_t status = ZEP_STATUS_OK;
    if (endNotice == ZEP_END_CONTROL) {
        // A control head carries nothing for the image; it is acknowledged and otherwise ignored.
    } else if (endNotice == ZEP_END_MORE) {
        status = AcceptData(name, head, record.SendData(), out);
        if (!m_options.ackIntermediate)
            return; // a failure surfaces at the image's final packet instead
    } else if (bFinal) {
        if (head.LengthOfSendData.get() > 0) // the last data packet itself ends the image
            status = AcceptData(name, head, record.SendData(), out);
        if (status == ZEP_STATUS_OK)
            status = Complete(name, head, out);
    } else {
        out.events.push_back(Event("error").Add("msg", "EndNotice " + std::to_string(endNotice) +
                                                           " is not a SendFile EndNotice"));
        status = kSimStatusRejected;
    }
    if (bInjected && IsAccepted(status))
        status = m_options.sendFileStatus;
    out.replies.push_back(StatusReply<TAG_RESSENDFILE>(ZEP_CMD_SENDFILE, status));
}

uint16_t SimDevice::AcceptData(const std::string& name, const TAG_CMDSENDFILE& head,
                               const unsigned char* data, Outcome& out) {
    const uint32_t offset = head.TransmittedSize.get();
    const uint32_t total = head.TotalTransmitSize.get();
    const uint32_t n = head.LengthOfSendData.get();
    const uint16_t packetSum = Checksum(data, n);
    if (packetSum != head.CheckSum.get())
        return Fail(name, ZEP_STATUS_CHECKSUM_ERROR, "packet checksum mismatch", out);
    if (offset == 0) {
        m_uploads.erase(name); // a new transfer replaces an unfinished one
        if (total > m_options.maxImageSize)
            return Fail(name, ZEP_STATUS_WRITE_ERROR, "image larger than the device takes", out);
        // Sized once from the announced total: growing by doubling would stall a reply for
        // as long as copying what has arrived takes.
        Upload& fresh = m_uploads[name];
        fresh.total = total;
        fresh.data.reserve(total);
        fresh.begun = std::chrono::steady_clock::now();
    }
    auto it = m_uploads.find(name);
    if (it == m_uploads.end())
        return Fail(name, ZEP_STATUS_CHECKSUM_ERROR, "packet of an image never begun", out);
    Upload& upload = it->second;
    if (!upload.fault.empty())
        return ZEP_STATUS_CHECKSUM_ERROR; // already reported when it broke
    if (offset != upload.data.size() || total != upload.total)
        return Fail(name, ZEP_STATUS_CHECKSUM_ERROR,
                    "packet at offset " + std::to_string(offset) + " of " + std::to_string(total) +
                        " does not follow " + std::to_string(upload.data.size()) + " of " +
                        std::to_string(upload.total),
                    out);
    if (uint64_t(offset) + n > total)
        return Fail(name, ZEP_STATUS_CHECKSUM_ERROR, "packet runs past the image size", out);
    upload.data.insert(upload.data.end(), data, data + n);
    upload.sum = static_cast<uint16_t>(upload.sum + packetSum); // a sum of sums, mod 65536
    return ZEP_STATUS_OK;
}

uint16_t SimDevice::Complete(const std::string& name, const TAG_CMDSENDFILE& head, Outcome& out) {
    const bool closing = head.LengthOfSendData.get() == 0;
    const uint32_t total = head.TotalTransmitSize.get();
    auto it = m_uploads.find(name);
    if (it == m_uploads.end() && closing && total == 0 && head.TransmittedSize.get() == 0)
        it = m_uploads.emplace(name, Upload{}).first; // an empty image has no data packet
    if (it == m_uploads.end())
        return Fail(name, ZEP_STATUS_CHECKSUM_ERROR, "final packet of an image never begun", out);
    Upload upload = std::move(it->second);
    m_uploads.erase(it);
    if (!upload.fault.empty())
        return ZEP_STATUS_CHECKSUM_ERROR;

    std::string problem;
    if (upload.data.size() != upload.total || total != upload.total)
        problem = "image incomplete: " + std::to_string(upload.data.size()) + " of " +
                  std::to_string(upload.total) + " bytes";
    else if (closing && head.TransmittedSize.get() != upload.total)
        problem = "closing packet offset does not match the image size";
    else if (closing && head.CheckSum.get() != upload.sum)
        problem = "image checksum mismatch";
    if (!problem.empty())
        return Fail(name, ZEP_STATUS_CHECKSUM_ERROR, problem, out);

    std::string why;
    if (!m_store.Store(name, std::move(upload.data), &why))
        return Fail(name, ZEP_STATUS_WRITE_ERROR, why, out);
    m_written[name] = Written{upload.total, 0};
    m_sessionImages.push_back(name);
    m_lastWritten = name;
    // How long the host took from the first packet to the last, for a host's own benchmark.
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - upload.begun);
    out.events.push_back(Event("image")
                             .Add("file", name)
                             .Add("size", upload.total)
                             .Add("sum", upload.sum)
                             .Add("us", upload.total == 0 ? 0 : us.count()));
    return head.EndNotice.get();
}

uint16_t SimDevice::Fail(const std::string& name, uint16_t status, const std::string& why,
                         Outcome& out) {
    m_sessionFailed = true;
    Upload& upload = m_uploads[name];
    if (upload.fault.empty())
        upload.fault = why;
    out.events.push_back(
        Event("reject").Add("file", name).Add("status", status).Add("reason", why));
    return status;
}

void SimDevice::QueryStatus(const SimRecord& record, Outcome& out) {
    ++m_queries;
    if (m_options.queryWriteFaultFrom != 0 && m_queries >= m_options.queryWriteFaultFrom) {
        out.events.push_back(FaultEvent("query-write-error"));
        m_sessionFailed = true;
        out.replies.push_back(QueryReply(ZEP_STATUS_WRITE_ERROR, 0, 0));
        return;
    }
    const std::string name = record.IsShortQuery()
                                 ? m_lastWritten
                                 : WireFileName(record.As<TAG_CMDQUERYUPDATESTATUS>().FileName);
    auto it = m_written.find(name);
    if (it == m_written.end()) {
        out.events.push_back(
            Event("error").Add("msg", "status query about no received image: " + name));
        out.replies.push_back(QueryReply(kSimStatusRejected, 0, 0));
        return;
    }
    Written& written = it->second;
    const uint32_t steps = m_options.writeSteps;
    if (written.queries < steps) {
        ++written.queries;
        const uint64_t done = uint64_t(written.size) * written.queries / (uint64_t(steps) + 1);
        out.replies.push_back(
            QueryReply(ZEP_STATUS_WRITING, written.size, static_cast<uint32_t>(done)));
    } else {
        out.replies.push_back(QueryReply(ZEP_STATUS_OK, written.size, written.size));
    }
}
