// Test client of the device simulator.
#include "SimTestClient.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace {

template <class T> void SetName(T& record, const std::string& name) {
    std::memset(record.FileName, 0, sizeof record.FileName);
    std::memcpy(record.FileName, name.data(), std::min(name.size(), sizeof record.FileName));
}

template <class T> void SetHeader(T& record, uint16_t code) {
    record.Header.CommandCode.set(code);
    record.Header.DataLength.set(sizeof(T) - sizeof(TAG_SSTHEADER));
}

} // namespace

bool SimTestClient::Connect(uint16_t port) {
    std::string error;
    const bool ok = m_socket.Connect("127.0.0.1", port, &error);
    EXPECT_TRUE(ok) << error;
    return ok;
}

bool SimTestClient::ReadExact(size_t n, SimBytes& out, unsigned ms) {
    out.assign(n, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    size_t got = 0;
    while (got < n) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || m_socket.WaitReadable(static_cast<unsigned>(left.count())) != 1)
            return false;
        const long r = m_socket.Recv(out.data() + got, n - got);
        if (r <= 0)
            return false;
        got += static_cast<size_t>(r);
    }
    return true;
}

SimBytes SimTestClient::ReadReply(unsigned ms) {
    SimBytes header, payload;
    if (!ReadExact(sizeof(TAG_SSTHEADER), header, ms))
        return {};
    if (!ReadExact(ReplyDataLength(header), payload, ms))
        return {};
    header.insert(header.end(), payload.begin(), payload.end());
    return header;
}

bool SimTestClient::Quiet(unsigned ms) {
    return m_socket.WaitReadable(ms) == 0;
}

bool SimTestClient::WaitClosed(unsigned ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    unsigned char sink[4096];
    while (std::chrono::steady_clock::now() < deadline) {
        if (m_socket.WaitReadable(10) != 1)
            continue;
        if (m_socket.Recv(sink, sizeof sink) <= 0)
            return true;
    }
    return false;
}

TAG_CMDENTERDOWNLOAD EnterRecord(bool force) {
    TAG_CMDENTERDOWNLOAD record{};
    SetHeader(record, ZEP_CMD_ENTERDOWNLOAD);
    record.Force.set(force ? 1 : 0);
    return record;
}

TAG_CMDEXITDOWNLOAD ExitRecord() {
    TAG_CMDEXITDOWNLOAD record{};
    SetHeader(record, ZEP_CMD_EXITDOWNLOAD);
    return record;
}

TAG_CMDGETFILE GetFileRecord(const std::string& name) {
    TAG_CMDGETFILE record{};
    SetHeader(record, ZEP_CMD_GETFILE);
    SetName(record, name);
    return record;
}

TAG_CMDQUERYUPDATESTATUS QueryRecord(const std::string& name) {
    TAG_CMDQUERYUPDATESTATUS record{};
    SetHeader(record, ZEP_CMD_QUERYUPDATESTATUS);
    SetName(record, name);
    return record;
}

TAG_CMDQUERYUPDATESTATUS_SP ShortQueryRecord() {
    TAG_CMDQUERYUPDATESTATUS_SP record{};
    SetHeader(record, ZEP_CMD_QUERYUPDATESTATUS);
    return record;
}

SimBytes SendFilePacket(const std::string& name, uint16_t endNotice, uint32_t offset,
                        uint32_t total, const SimBytes& data, uint16_t checksum) {
    TAG_CMDSENDFILE head{};
    head.Header.CommandCode.set(ZEP_CMD_SENDFILE);
    head.Header.DataLength.set(
        static_cast<uint32_t>(sizeof head - sizeof(TAG_SSTHEADER) + data.size()));
    SetName(head, name);
    head.EndNotice.set(endNotice);
    head.TransmittedSize.set(offset);
    head.TotalTransmitSize.set(total);
    head.CheckSum.set(checksum);
    head.LengthOfSendData.set(static_cast<uint32_t>(data.size()));
    return RecordBytes(head, data.data(), data.size());
}

SimBytes DataPacket(const std::string& name, uint16_t endNotice, uint32_t offset, uint32_t total,
                    const SimBytes& data) {
    return SendFilePacket(name, endNotice, offset, total, data, Sum(data));
}

SimBytes ClosingPacket(const std::string& name, uint16_t endNotice, uint32_t total,
                       uint16_t checksum) {
    return SendFilePacket(name, endNotice, total, total, {}, checksum);
}

uint16_t EnterDownloadMode(SimTestClient& client) {
    const SimBytes reply = client.SendRecord(EnterRecord()) ? client.ReadReply() : SimBytes();
    return reply.size() >= sizeof(TAG_RESENTERDOWNLOAD) ? ReplyStatus(reply) : 0;
}

std::vector<uint16_t> SendImage(SimTestClient& client, const std::string& name,
                                const SimBytes& image, size_t chunk, uint16_t finalNotice,
                                bool specialPattern) {
    std::vector<uint16_t> statuses;
    auto exchange = [&](const SimBytes& packet) {
        const SimBytes reply = client.Send(packet) ? client.ReadReply() : SimBytes();
        statuses.push_back(reply.size() >= 12 ? ReplyStatus(reply) : 0);
    };
    const uint32_t total = static_cast<uint32_t>(image.size());
    for (size_t offset = 0; offset < image.size(); offset += chunk) {
        const size_t n = std::min(chunk, image.size() - offset);
        const bool last = offset + n == image.size();
        const SimBytes data(image.begin() + static_cast<std::ptrdiff_t>(offset),
                            image.begin() + static_cast<std::ptrdiff_t>(offset + n));
        const uint16_t endNotice = last && specialPattern ? finalNotice : uint16_t(ZEP_END_MORE);
        exchange(DataPacket(name, endNotice, static_cast<uint32_t>(offset), total, data));
    }
    if (!specialPattern)
        exchange(ClosingPacket(name, finalNotice, total, Sum(image)));
    return statuses;
}

SimBytes Pattern(size_t size, unsigned seed) {
    SimBytes bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<unsigned char>((i * 31 + seed * 7 + (i >> 8)) & 0xFF);
    return bytes;
}

uint16_t Sum(const SimBytes& bytes) {
    return ZepChecksum(bytes.data(), bytes.size());
}

uint16_t ReplyCode(const SimBytes& reply) {
    return ReplyAs<TAG_SSTHEADER>(reply).CommandCode.get();
}

uint32_t ReplyDataLength(const SimBytes& reply) {
    return ReplyAs<TAG_SSTHEADER>(reply).DataLength.get();
}

uint16_t ReplyStatus(const SimBytes& reply) {
    return ReplyAs<TAG_RESSENDFILE>(reply).Status.get();
}

std::unique_ptr<DeviceSimulator> StartSimulator(SimOptions options) {
    options.port = 0;
    auto simulator = std::make_unique<DeviceSimulator>(std::move(options));
    std::string error;
    EXPECT_TRUE(simulator->Start(&error)) << error;
    return simulator;
}

bool WaitUntil(const std::function<bool()>& cond, unsigned ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!cond()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

std::vector<std::string> ConnectionLines(const DeviceSimulator& simulator, unsigned conn) {
    const std::string prefix = "{\"conn\":" + std::to_string(conn) + ",";
    std::vector<std::string> lines;
    for (const std::string& line : simulator.LogLines())
        if (line.compare(0, prefix.size(), prefix) == 0)
            lines.push_back(line);
    return lines;
}

bool HasLine(const std::vector<std::string>& lines, const std::vector<std::string>& fragments) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return std::all_of(fragments.begin(), fragments.end(),
                           [&](const std::string& f) { return line.find(f) != std::string::npos; });
    });
}
