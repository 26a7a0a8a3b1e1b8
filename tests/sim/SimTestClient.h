// Raw protocol client and helpers for the simulator tests: host records built from the wire
// layouts, replies read straight off the socket with bounded waits.
#pragma once

#include "DeviceSimulator.h"
#include "SimDevice.h"
#include "SimRecord.h"
#include "SimSocket.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Upper bound for an expected reply (returns as soon as it arrives), and how long "no reply"
// is watched for.
constexpr unsigned kReplyMs = 2000;
constexpr unsigned kQuietMs = 40;

class SimTestClient {
public:
    bool Connect(uint16_t port);
    bool Send(const SimBytes& bytes) { return m_socket.SendAll(bytes.data(), bytes.size()); }
    template <class T> bool SendRecord(const T& record) { return Send(RecordBytes(record)); }
    // One reply record: header and the DataLength bytes it announces; empty when none came.
    SimBytes ReadReply(unsigned ms = kReplyMs);
    // Exactly n bytes, or false.
    bool ReadExact(size_t n, SimBytes& out, unsigned ms = kReplyMs);
    // True when nothing at all arrives within ms.
    bool Quiet(unsigned ms = kQuietMs);
    // True when the simulator closes the connection within ms (pending bytes are discarded).
    bool WaitClosed(unsigned ms = kReplyMs);
    void Close() { m_socket.Close(); }

private:
    SimSocket m_socket;
};

// Host records.
TAG_CMDENTERDOWNLOAD EnterRecord(bool force = false);
TAG_CMDEXITDOWNLOAD ExitRecord();
TAG_CMDGETFILE GetFileRecord(const std::string& name);
TAG_CMDQUERYUPDATESTATUS QueryRecord(const std::string& name);
TAG_CMDQUERYUPDATESTATUS_SP ShortQueryRecord();
// A SendFile packet with the given CheckSum, head and data in one buffer.
SimBytes SendFilePacket(const std::string& name, uint16_t endNotice, uint32_t offset,
                        uint32_t total, const SimBytes& data, uint16_t checksum);
// A data packet whose CheckSum matches its data.
SimBytes DataPacket(const std::string& name, uint16_t endNotice, uint32_t offset, uint32_t total,
                    const SimBytes& data);
// The head-only packet that closes an image, carrying the whole image's checksum.
SimBytes ClosingPacket(const std::string& name, uint16_t endNotice, uint32_t total,
                       uint16_t checksum);

// Sends the enter command and returns the reply's status (0 for no reply).
uint16_t EnterDownloadMode(SimTestClient& client);

// Sends image in packets of chunk bytes as the host does, each answered, and returns the status
// of every reply (0 for a missing one). specialPattern: the last data packet is the final one.
std::vector<uint16_t> SendImage(SimTestClient& client, const std::string& name,
                                const SimBytes& image, size_t chunk, uint16_t finalNotice,
                                bool specialPattern = false);

SimBytes Pattern(size_t size, unsigned seed = 1);
uint16_t Sum(const SimBytes& bytes);

// Reply fields.
uint16_t ReplyCode(const SimBytes& reply);
uint32_t ReplyDataLength(const SimBytes& reply);
uint16_t ReplyStatus(const SimBytes& reply); // bytes 10-11 of the 12- and 20-byte replies
template <class T> T ReplyAs(const SimBytes& reply) {
    return SimRecord(reply).As<T>();
}

// A running simulator on a free loopback port; fails the test when it cannot start.
std::unique_ptr<DeviceSimulator> StartSimulator(SimOptions options);
// Polls cond every millisecond for up to ms.
bool WaitUntil(const std::function<bool()>& cond, unsigned ms = kReplyMs);
// Log lines of one connection, and whether any of them contains every fragment.
std::vector<std::string> ConnectionLines(const DeviceSimulator& simulator, unsigned conn);
bool HasLine(const std::vector<std::string>& lines, const std::vector<std::string>& fragments);
