// The scripted transport and the protocol answers of FakeDevice.
#include "FakeDevice.h"

#include "DevConnMgr.h"
#include "zepUtil.h"

#include <algorithm>
#include <cstring>
#include <deque>

namespace {

FakeDevice* g_device = nullptr;

template <class T> T RecordAt(const std::vector<uint8_t>& bytes) {
    T rec;
    std::memset(&rec, 0, sizeof rec);
    std::memcpy(&rec, bytes.data(), std::min(bytes.size(), sizeof rec));
    return rec;
}

void SetHeader(std::vector<uint8_t>& bytes, uint16_t code) {
    auto* header = reinterpret_cast<TAG_SSTHEADER*>(bytes.data());
    header->CommandCode.set(code);
    header->DataLength.set(static_cast<uint32_t>(bytes.size() - sizeof(TAG_SSTHEADER)));
}

// Hands the device's replies to the engine one SendRecvData call at a time.
class FakeTransport : public DevConnBase {
public:
    int Connect(LPCSTR, LPCSTR, WORD) override {
        ++g_device->connects;
        if (g_device->connectError != 0)
            return g_device->connectError;
        m_fConnected = true;
        return 0;
    }
    int SendRecvData(PBYTE pSndBuf, DWORD dwSndSize, PBYTE* ppRcvBuf, DWORD* pdwRcvSize) override {
        ZepLock lock(m_lock);
        g_device->packetSize = m_dwRcvPktSize;
        *ppRcvBuf = nullptr;
        *pdwRcvSize = 0;
        if (pSndBuf != nullptr) {
            std::vector<uint8_t> request(pSndBuf, pSndBuf + dwSndSize);
            int n = static_cast<int>(g_device->requests.size());
            g_device->requests.push_back(request);
            auto err = g_device->transportError.find(n);
            if (err != g_device->transportError.end())
                return err->second;
            std::vector<std::vector<uint8_t>> replies;
            if (!g_device->override || !g_device->override(n, request, replies))
                replies = g_device->Answer(request);
            // Replies queue up like a byte stream: what is not read now is read next time.
            m_pending.insert(m_pending.end(), replies.begin(), replies.end());
            // A late answer to a block misses its own poll but is there for the next one.
            if (g_device->lateAcks && IsIntermediateBlock(pSndBuf, dwSndSize) &&
                m_pending.size() <= replies.size())
                return 0;
            g_device->repliesLeft = m_pending.size();
            if (g_device->allAcksLate && IsIntermediateBlock(pSndBuf, dwSndSize))
                return 0;
        }
        if (m_pending.empty())
            return 0;
        std::vector<uint8_t> reply = m_pending.front();
        m_pending.pop_front();
        g_device->repliesLeft = m_pending.size();
        if (reply.empty())
            return 0;
        auto* buf = static_cast<PBYTE>(AllocMem(reply.size()));
        std::memcpy(buf, reply.data(), reply.size());
        addMemList(buf);
        *ppRcvBuf = buf;
        *pdwRcvSize = static_cast<DWORD>(reply.size());
        return 0;
    }
    int GetModelName(LPSTR*, DWORD*) override { return -7; }
    int SetTimeout(DWORD dwTimeout) override {
        if (dwTimeout == 0)
            return -2;
        g_device->timeouts.push_back(dwTimeout);
        m_dwTimeout = dwTimeout;
        return 0;
    }
    int Disconnect() override {
        ++g_device->disconnects;
        g_device->buffersLeftAtDisconnect = m_MemList.size();
        m_fConnected = false;
        return 0;
    }

protected:
    BOOL WritePort(PBYTE, DWORD, LPDWORD, DWORD) override { return FALSE; }
    BOOL ReadPort(PBYTE, DWORD, LPDWORD, DWORD) override { return FALSE; }

private:
    std::deque<std::vector<uint8_t>> m_pending;
};

DevConnBase* MakeFakeTransport(LPCSTR, LPCSTR) {
    return new FakeTransport();
}

} // namespace

FakeDevice::FakeDevice() {
    g_device = this;
    DevConnMgr::SetTransportFactory(MakeFakeTransport);
}

FakeDevice::~FakeDevice() {
    DevConnMgr::SetTransportFactory(nullptr);
    g_device = nullptr;
}

std::vector<uint16_t> FakeDevice::Commands() const {
    std::vector<uint16_t> codes;
    for (const auto& r : requests)
        codes.push_back(RecordAt<TAG_SSTHEADER>(r).CommandCode.get());
    return codes;
}

std::vector<TAG_CMDSENDFILE> FakeDevice::SendFileHeads() const {
    std::vector<TAG_CMDSENDFILE> heads;
    for (const auto& r : requests) {
        if (RecordAt<TAG_SSTHEADER>(r).CommandCode.get() == ZEP_CMD_SENDFILE)
            heads.push_back(RecordAt<TAG_CMDSENDFILE>(r));
    }
    return heads;
}

std::vector<std::vector<uint8_t>> FakeDevice::Answer(const std::vector<uint8_t>& request) {
    switch (RecordAt<TAG_SSTHEADER>(request).CommandCode.get()) {
    case ZEP_CMD_ENTERDOWNLOAD:
        return {MakeStatusReply(ZEP_CMD_ENTERDOWNLOAD, enterStatus)};
    case ZEP_CMD_EXITDOWNLOAD:
        return {MakeStatusReply(ZEP_CMD_EXITDOWNLOAD, ZEP_STATUS_OK)};
    case ZEP_CMD_GETFILE:
        return AnswerGetFile(request);
    case ZEP_CMD_SENDFILE:
        return AnswerSendFile(request);
    case ZEP_CMD_QUERYUPDATESTATUS:
        return AnswerQuery();
    default:
        return {};
    }
}

std::vector<std::vector<uint8_t>> FakeDevice::AnswerGetFile(const std::vector<uint8_t>&) {
    std::vector<std::vector<uint8_t>> packets;
    const uint32_t total = static_cast<uint32_t>(targetInfo.size());
    uint32_t offset = 0;
    do {
        uint32_t n = std::min(getFileChunk, total - offset);
        std::string data = targetInfo.substr(offset, n);
        bool last = offset + n >= total;
        uint16_t sum =
            last ? ZepChecksum(reinterpret_cast<const unsigned char*>(targetInfo.data()),
                               targetInfo.size())
                 : ZepChecksum(reinterpret_cast<const unsigned char*>(data.data()), data.size());
        packets.push_back(
            MakeGetFilePacket(last ? ZEP_END_FINAL : ZEP_END_MORE, offset, total, sum, data));
        offset += n;
    } while (offset < total);
    return packets;
}

std::vector<std::vector<uint8_t>> FakeDevice::AnswerSendFile(const std::vector<uint8_t>& request) {
    auto head = RecordAt<TAG_CMDSENDFILE>(request);
    std::string name(head.FileName, strnlen(head.FileName, sizeof head.FileName));
    uint16_t end = head.EndNotice.get();
    const uint8_t* data = request.data() + sizeof head;
    size_t n = request.size() - sizeof head;
    uint16_t status = end == ZEP_END_FINAL_QUERY ? ZEP_STATUS_WRITING : ZEP_STATUS_OK;
    if (ZepChecksum(data, n) != head.CheckSum.get() && n != 0)
        status = ZEP_STATUS_CHECKSUM_ERROR;
    auto& image = m_partial[name];
    image.insert(image.end(), data, data + n);
    if ((end == ZEP_END_FINAL || end == ZEP_END_FINAL_QUERY) &&
        image.size() == head.TotalTransmitSize.get()) {
        images[name] = image;
        m_partial.erase(name);
        m_lastImage = name;
        m_lastImageSize = head.TotalTransmitSize.get();
        m_queries = 0;
    }
    auto injected = sendFileStatus.find(m_nSendFile++);
    if (injected != sendFileStatus.end())
        status = injected->second;
    if (end == ZEP_END_MORE && !ackIntermediate)
        return {};
    return {MakeStatusReply(ZEP_CMD_SENDFILE, status)};
}

std::vector<std::vector<uint8_t>> FakeDevice::AnswerQuery() {
    if (queryStatus != 0)
        return {MakeQueryReply(queryStatus, m_lastImageSize, 0)};
    ++m_queries;
    if (m_queries <= writeSteps)
        return {MakeQueryReply(ZEP_STATUS_WRITING, m_lastImageSize,
                               m_lastImageSize / (writeSteps + 1) * m_queries)};
    return {MakeQueryReply(ZEP_STATUS_OK, m_lastImageSize, m_lastImageSize)};
}

std::vector<uint8_t> MakeStatusReply(uint16_t code, uint16_t status) {
    std::vector<uint8_t> bytes(sizeof(TAG_RESSENDFILE), 0);
    SetHeader(bytes, code);
    reinterpret_cast<TAG_RESSENDFILE*>(bytes.data())->Status.set(status);
    return bytes;
}

std::vector<uint8_t> MakeGetFilePacket(uint16_t endNotice, uint32_t offset, uint32_t total,
                                       uint16_t checksum, const std::string& data) {
    std::vector<uint8_t> bytes(sizeof(TAG_RESGETFILE) + data.size(), 0);
    SetHeader(bytes, ZEP_CMD_GETFILE);
    auto* rec = reinterpret_cast<TAG_RESGETFILE*>(bytes.data());
    rec->EndNotice.set(endNotice);
    rec->TransmittedSize.set(offset);
    rec->TotalTransmitSize.set(total);
    rec->CheckSum.set(checksum);
    rec->LengthOfSendData.set(static_cast<uint32_t>(data.size()));
    std::memcpy(bytes.data() + sizeof(TAG_RESGETFILE), data.data(), data.size());
    return bytes;
}

std::vector<uint8_t> MakeQueryReply(uint16_t status, uint32_t total, uint32_t done) {
    std::vector<uint8_t> bytes(sizeof(TAG_RESQUERYUPDATESTATUS), 0);
    SetHeader(bytes, ZEP_CMD_QUERYUPDATESTATUS);
    auto* rec = reinterpret_cast<TAG_RESQUERYUPDATESTATUS*>(bytes.data());
    rec->Status.set(status);
    rec->TotalUpdateSize.set(total);
    rec->UpdateSize.set(done);
    return bytes;
}
