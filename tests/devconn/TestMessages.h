// Protocol messages as the tests send and expect them.
#pragma once

#include "zepWire.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

typedef std::vector<uint8_t> Bytes;

// A header announcing dwAnnounced payload bytes, followed by the payload actually given.
inline Bytes Reply(uint16_t wCmd, const Bytes& payload, uint32_t dwAnnounced) {
    TAG_SSTHEADER header = {};
    header.CommandCode.set(wCmd);
    header.DataLength.set(dwAnnounced);
    Bytes out(sizeof(header) + payload.size());
    std::memcpy(out.data(), &header, sizeof(header));
    std::copy(payload.begin(), payload.end(), out.begin() + sizeof(header));
    return out;
}

inline Bytes Reply(uint16_t wCmd, const Bytes& payload) {
    return Reply(wCmd, payload, static_cast<uint32_t>(payload.size()));
}

inline Bytes Pattern(size_t n, uint8_t seed = 1) {
    Bytes out(n);
    for (size_t i = 0; i < n; ++i)
        out[i] = static_cast<uint8_t>(seed + i * 7);
    return out;
}

inline Bytes EnterRequest() {
    TAG_CMDENTERDOWNLOAD cmd = {};
    cmd.Header.CommandCode.set(ZEP_CMD_ENTERDOWNLOAD);
    cmd.Header.DataLength.set(sizeof(cmd) - sizeof(TAG_SSTHEADER));
    Bytes out(sizeof(cmd));
    std::memcpy(out.data(), &cmd, sizeof(cmd));
    return out;
}

inline Bytes SendFileBlock(uint16_t wEndNotice, size_t cbData) {
    TAG_CMDSENDFILE head = {};
    head.Header.CommandCode.set(ZEP_CMD_SENDFILE);
    head.Header.DataLength.set(static_cast<uint32_t>(52 + cbData));
    head.EndNotice.set(wEndNotice);
    head.LengthOfSendData.set(static_cast<uint32_t>(cbData));
    Bytes out(sizeof(head) + cbData);
    std::memcpy(out.data(), &head, sizeof(head));
    Bytes data = Pattern(cbData);
    std::copy(data.begin(), data.end(), out.begin() + sizeof(head));
    return out;
}
