// A device behind a scripted in-process transport, for engine tests. It answers the update
// protocol from its knobs; every request, time-out and received image is kept for the test.
#pragma once

#include "DevConnBase.h"
#include "zepWire.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

struct FakeDevice {
    // What the device says.
    std::string targetInfo;
    uint32_t getFileChunk = 64; // data bytes per GetFile packet
    uint16_t enterStatus = ZEP_STATUS_OK;
    bool ackIntermediate = true; // answer EndNotice 0x0000 packets
    bool allAcksLate = false;    // every block's answer misses every block's poll
    size_t repliesLeft = 0;      // replies sent and not yet read
    bool lateAcks = false;       // those answers come after the transport stopped waiting
    uint32_t writeSteps = 2;     // status queries answered "writing" before "written"
    std::map<int, uint16_t> sendFileStatus; // SendFile packet number (from 0) -> status
    uint16_t queryStatus = 0;               // non-zero: every status query answers this
    // Request number (from 0) -> transport code returned instead of an exchange.
    std::map<int, int> transportError;
    int connectError = 0; // transport code of Connect
    // Replaces the device's answer to one request; an empty vector means no reply.
    std::function<bool(int nRequest, const std::vector<uint8_t>& request,
                       std::vector<std::vector<uint8_t>>& replies)>
        override;

    // What the host did.
    std::vector<std::vector<uint8_t>> requests;         // every request sent, in order
    std::vector<uint32_t> timeouts;                     // every SetTimeout value
    uint32_t packetSize = 0;                            // reply buffer size at the last exchange
    std::map<std::string, std::vector<uint8_t>> images; // closed whole and checksum-correct
    int connects = 0;
    int disconnects = 0;
    size_t buffersLeftAtDisconnect = 0; // replies not handed back before Disconnect

    // Routes DevConnMgr's connections to this device until destroyed.
    FakeDevice();
    ~FakeDevice();
    FakeDevice(const FakeDevice&) = delete;
    FakeDevice& operator=(const FakeDevice&) = delete;

    // Commands of the requests, in order (0x5001, 0x5002, ...).
    std::vector<uint16_t> Commands() const;
    // The SendFile heads sent, in order.
    std::vector<TAG_CMDSENDFILE> SendFileHeads() const;

    // Internal: the device's replies to one request.
    std::vector<std::vector<uint8_t>> Answer(const std::vector<uint8_t>& request);

private:
    std::vector<std::vector<uint8_t>> AnswerGetFile(const std::vector<uint8_t>& request);
    std::vector<std::vector<uint8_t>> AnswerSendFile(const std::vector<uint8_t>& request);
    std::vector<std::vector<uint8_t>> AnswerQuery();

    int m_nSendFile = 0;
    std::map<std::string, std::vector<uint8_t>> m_partial;
    std::string m_lastImage;
    uint32_t m_lastImageSize = 0;
    uint32_t m_queries = 0;
};

// Reply record helpers.
std::vector<uint8_t> MakeStatusReply(uint16_t code, uint16_t status);
std::vector<uint8_t> MakeGetFilePacket(uint16_t endNotice, uint32_t offset, uint32_t total,
                                       uint16_t checksum, const std::string& data);
std::vector<uint8_t> MakeQueryReply(uint16_t status, uint32_t total, uint32_t done);
