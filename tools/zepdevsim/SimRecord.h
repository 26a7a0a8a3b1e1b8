// Records the simulator receives from the host: framing checks, typed access to the fields and
// their description for the log. Layouts are those of zepWire.h.
#pragma once

#include "SimJson.h"
#include "zepWire.h"

#include <cstring>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

using SimBytes = std::vector<unsigned char>;

// The bytes of a wire record, for sending.
template <class T> SimBytes RecordBytes(const T& record) {
    static_assert(std::is_trivially_copyable_v<T>, "wire records are plain bytes");
    const auto* p = reinterpret_cast<const unsigned char*>(&record);
    return SimBytes(p, p + sizeof(T));
}

// A record head followed by n data bytes, in one buffer.
template <class T> SimBytes RecordBytes(const T& head, const unsigned char* data, size_t n) {
    static_assert(std::is_trivially_copyable_v<T>, "wire records are plain bytes");
    SimBytes bytes(sizeof(T) + n);
    std::memcpy(bytes.data(), &head, sizeof(T));
    if (n > 0)
        std::memcpy(bytes.data() + sizeof(T), data, n);
    return bytes;
}

// Header and payload of one record, already framed: DataLength equals the payload size. It owns
// its bytes, or views bytes that the one who frames it keeps unchanged while it is handled.
class SimRecord {
public:
    SimRecord() = default;
    explicit SimRecord(SimBytes bytes) : m_owned(std::move(bytes)), m_size(m_owned.size()) {}
    SimRecord(const unsigned char* view, size_t size) : m_view(view), m_size(size) {}

    uint16_t Code() const { return Header().CommandCode.get(); }
    size_t Size() const { return m_size; }
    TAG_SSTHEADER Header() const { return As<TAG_SSTHEADER>(); }
    // The record's fields as wire record T; all zero when the record is shorter than T.
    template <class T> T As() const {
        T out{};
        if (sizeof(T) <= m_size)
            std::memcpy(&out, Data(), sizeof(T));
        return out;
    }
    // SendFile data bytes, after the 60-byte head.
    const unsigned char* SendData() const { return Data() + sizeof(TAG_CMDSENDFILE); }
    bool IsShortQuery() const { return Size() == sizeof(TAG_CMDQUERYUPDATESTATUS_SP); }

private:
    const unsigned char* Data() const { return m_view != nullptr ? m_view : m_owned.data(); }

    SimBytes m_owned;
    const unsigned char* m_view = nullptr;
    size_t m_size = 0;
};

// Name of the record a header announces ("SendFile", "QueryUpdateStatus_SP", ...), or null for
// an unknown command.
const char* RecordName(uint16_t code, uint32_t dataLength);

// Whether a header announces a record this device can take: a known command with the length
// its layout requires and no more than maxDataLength bytes to follow. why says what is wrong.
bool CheckRecordHeader(const TAG_SSTHEADER& header, uint32_t maxDataLength, std::string* why);

// Checks that need the payload: a SendFile's data length must match its DataLength.
bool CheckRecordBody(const SimRecord& record, std::string* why);

// A FileName field up to its first NUL; all 32 bytes when there is none.
std::string WireFileName(const char (&field)[ZEP_WIRE_FILENAME_SIZE]);

// The record's fields for the log: cmd, code, len and the fields of its command.
JsonLine DescribeRecord(const SimRecord& record);
