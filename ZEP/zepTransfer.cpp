// Carries one firmware image from the bound package to the device: the version check, then the
// image streamed chunk by chunk in checksummed SendFile packets, then the closing packet.
#include "zepProtocol.h"

#include "DevConnMgr.h"
#include "zepBindInfo.h"
#include "zepClock.h"
#include "zepInfo.h"
#include "zepReply.h"

#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {

const unsigned long kPhasePauseMs = 2000;

bool IsFinal(unsigned short wEndNotice) {
    return wEndNotice == ZEP_END_FINAL || wEndNotice == ZEP_END_FINAL_QUERY;
}

void CopyName(char (&dst)[ZEP_FILENAME_SIZE], const char* pszName) {
    size_t len = std::strlen(pszName);
    std::memset(dst, 0, sizeof dst);
    if (len < sizeof dst)
        std::memcpy(dst, pszName, len);
}

} // namespace

ZEPRESULT zepProtocol::SendFileData(const char* pszBinFileName, unsigned short wEndNotice,
                                    unsigned long dwTransmittedSize, unsigned long dwTotalTransSize,
                                    unsigned char* pbData, unsigned long dwDataSize) {
    ZEPRESULT result = CommonPreconditions();
    if (result != RESULT_OK)
        return result;
    unsigned long dwSend;
    if (wEndNotice == ZEP_END_MORE) {
        // A head announcing data that does not follow would make the device read the next
        // packet as data.
        if (pbData == nullptr && dwDataSize != 0)
            return RESULT_ERR_PARAM;
        dwSend = dwDataSize;
    } else if (IsFinal(wEndNotice) && pbData != nullptr) {
        // A final data packet carries the rest of the image: it must lie in the caller's
        // buffer, or the checksum and the packet would read past it.
        if (dwTransmittedSize > dwTotalTransSize ||
            dwTotalTransSize - dwTransmittedSize > dwDataSize)
            return RESULT_ERR_PARAM;
        dwSend = dwTotalTransSize - dwTransmittedSize;
    } else if (IsFinal(wEndNotice) || wEndNotice == ZEP_END_CONTROL) {
        dwSend = 0;
    } else {
        return RESULT_ERR_DEVICE;
    }
    TAG_CMDSENDFILE head;
    result = Make_SendFile(head, pszBinFileName, wEndNotice, dwTransmittedSize, dwTotalTransSize,
                           pbData, dwDataSize);
    if (result != RESULT_OK)
        return result;

    // Head and data travel as one contiguous buffer: one TCP write, one USB transfer. The
    // buffer is kept between packets, so an image costs one allocation.
    try {
        m_packet.resize(sizeof head + dwSend);
    } catch (const std::bad_alloc&) {
        return RESULT_ERR_SYSTEM;
    }
    std::memcpy(m_packet.data(), &head, sizeof head);
    if (dwSend != 0)
        std::memcpy(m_packet.data() + sizeof head, pbData, dwSend);

    zepReply reply(m_pDevMgr, m_hDevice);
    int nErr = reply.Exchange(m_packet.data(), static_cast<DWORD>(m_packet.size()));
    m_bLastReplySeen = nErr >= 0 && reply.Data() != nullptr;
    if (nErr < 0)
        return CheckDevConnErr(nErr);
    // An intermediate block need not be answered; only a well-formed answer is judged.
    if (wEndNotice == ZEP_END_MORE && reply.As<TAG_RESSENDFILE>(*this, ZEP_CMD_SENDFILE) == nullptr)
        return RESULT_OK;
    return JudgeSendFileReply(reply);
}

ZEPRESULT zepProtocol::JudgeSendFileReply(zepReply& reply) {
    const auto* res = reply.As<TAG_RESSENDFILE>(*this, ZEP_CMD_SENDFILE);
    if (res == nullptr)
        return RESULT_ERR_DEVICE;
    switch (res->Status.get()) {
    case ZEP_STATUS_OK:
    case ZEP_STATUS_WRITING:
        return RESULT_OK;
    case ZEP_STATUS_WRITE_ERROR:
        return RESULT_ERR_WRITE;
    case ZEP_STATUS_CHECKSUM_ERROR:
        return RESULT_ERR_CHECKSUM;
    default:
        return RESULT_ERR_DEVICE;
    }
}

// A device that answers intermediate blocks, but more slowly than the transport waits for
// them, leaves their replies in the stream. The reply read for the final packet is then an
// earlier block's, and a refused image could pass as accepted. The replies still owed are
// read and judged after it, the final packet's own being the last of them.
ZEPRESULT zepProtocol::CollectLateReplies(unsigned long& rnLate) {
    for (; rnLate > 0; --rnLate) {
        zepReply reply(m_pDevMgr, m_hDevice);
        int nErr = reply.Exchange(nullptr, 0);
        ZEPRESULT result = nErr < 0 ? CheckDevConnErr(nErr) : JudgeSendFileReply(reply);
        if (result != RESULT_OK)
            return result;
    }
    return RESULT_OK;
}

// When no block was answered in time, the device either answers none of them or answers all
// of them late; only the stream tells. Each reply still possibly owed is awaited for a short
// while: the last one that comes is the final packet's. A device that answers none costs one
// such wait; one that answers slowly leaves nothing behind for the next exchange to mistake
// for its own reply.
ZEPRESULT zepProtocol::CollectUnsureReplies(unsigned long nLate, DWORD dwTimeout) {
    if (nLate == 0)
        return RESULT_OK;
    if (m_pDevMgr->SetTimeout(m_hDevice, kUnsureReplyWaitMs) < 0)
        return RESULT_ERR_DEVICE;
    ZEPRESULT result = RESULT_OK;
    for (; nLate > 0 && result == RESULT_OK; --nLate) {
        zepReply reply(m_pDevMgr, m_hDevice);
        int nErr = reply.Exchange(nullptr, 0);
        if (nErr >= 0 && reply.Data() == nullptr)
            break; // nothing more came: the reply already read was the final packet's
        if (nErr == DEVCONN_ERR_PARAM)
            break; // a transport that reads only after a request (the port monitors') reads
                   // no block's answer, so its devices owe none
        result = nErr < 0 ? CheckDevConnErr(nErr) : JudgeSendFileReply(reply);
    }
    if (m_pDevMgr->SetTimeout(m_hDevice, dwTimeout) < 0 && result == RESULT_OK)
        result = RESULT_ERR_DEVICE;
    return result;
}

ZEPRESULT zepProtocol::UpdateFirmware(const char* pszModelName, const char* pszFirmType,
                                      const char* pszFirmVer, const char* pszFileName,
                                      const char* pszBinFileName, const char* pszCompatible,
                                      tag_devinfo& rt_DevInfo) {
    ZEPRESULT result = CommonPreconditions();
    if (result != RESULT_OK)
        return result;
    if (pszModelName == nullptr || pszFirmType == nullptr || pszFileName == nullptr ||
        pszBinFileName == nullptr)
        return RESULT_ERR_PARAM;
    yesno_type special = DEF_ERROR_VALUE;
    if (!g_ZepInfo.getSpecialCmdPattern(special))
        return RESULT_ERR_SYSTEM;
    const bool bSpecial = special == DEF_YES_VALUE;

    ZepSleep(kPhasePauseMs);

    int nCheck = RESULT_ERR_SYSTEM;
    bool bPass = CheckVersion(pszModelName, pszFirmType, pszFirmVer, pszCompatible, nCheck);
    const bool bQuery = IsSupportCheckState();
    {
        ZepLock guard(m_lock);
        rt_DevInfo.UpdateState = CHECKVERSION_STATE;
        rt_DevInfo.nResult = nCheck;
        CopyName(m_CurrentFileName, pszBinFileName);
        std::memcpy(rt_DevInfo.FileName, m_CurrentFileName, sizeof rt_DevInfo.FileName);
        rt_DevInfo.bSupportQureryUpdate = bQuery;
    }
    // A failed check with result 1 passes the image over: nothing is sent.
    if (!bPass || nCheck != RESULT_OK)
        return nCheck;

    int nUpdateTime = 0;
    if (!g_ZepInfo.getUpdateTime(nUpdateTime))
        return RESULT_ERR_SYSTEM;
    unsigned long long ullTimeout = static_cast<unsigned long long>(nUpdateTime) * 1000ULL;
    if (nUpdateTime < 0 || ullTimeout > 0xFFFFFFFEULL ||
        m_pDevMgr->SetTimeout(m_hDevice, static_cast<DWORD>(ullTimeout)) < 0)
        return RESULT_ERR_DEVICE;

    int nMaxPacket = 0;
    if (!DevicePacketSize(nMaxPacket) || nMaxPacket <= static_cast<int>(sizeof(TAG_CMDSENDFILE)))
        return RESULT_ERR_SYSTEM;
    const unsigned long dwChunk = static_cast<unsigned long>(nMaxPacket) - sizeof(TAG_CMDSENDFILE);
    std::unique_ptr<unsigned char[]> chunk(new (std::nothrow) unsigned char[dwChunk]);
    if (!chunk)
        return RESULT_ERR_SYSTEM;

    zepBindInfo* pBind = zepBindInfo::Instance();
    unsigned long dwImageSize = 0;
    if (pBind == nullptr || !pBind->getBindFileSize(pszFileName, dwImageSize))
        return RESULT_ERR_FIRMREAD;
    setUpdateState(rt_DevInfo, TRANSFER_FIRM, nCheck, 0, dwImageSize);

    ZepSleep(kPhasePauseMs);

    const unsigned short wFinal = bQuery ? ZEP_END_FINAL_QUERY : ZEP_END_FINAL;
    uint16_t wImageSum = 0;
    unsigned long dwOffset = 0;
    // Intermediate blocks answered, and those whose answer had not come when the transport
    // stopped waiting.
    unsigned long nAnswered = 0, nLate = 0;
    auto sendFinal = [&](unsigned long dwAt, unsigned char* pbData, unsigned long dwData) {
        ZEPRESULT r = SendFileData(pszBinFileName, wFinal, dwAt, dwImageSize, pbData, dwData);
        if (r != RESULT_OK)
            return r;
        return nAnswered != 0 ? CollectLateReplies(nLate)
                              : CollectUnsureReplies(nLate, static_cast<DWORD>(ullTimeout));
    };
    while (dwOffset < dwImageSize) {
        const unsigned long dwLeft = dwImageSize - dwOffset;
        const unsigned long dwWant = dwLeft < dwChunk ? dwLeft : dwChunk;
        unsigned long dwGot = dwChunk;
        // A package that ends early must not send stale buffer bytes as firmware.
        if (!pBind->getBindFileData(pszFileName, dwOffset, chunk.get(), dwGot) || dwGot != dwWant)
            return RESULT_ERR_FIRMREAD;

        const bool bLastSpecial = bSpecial && dwLeft <= dwChunk;
        ZEPRESULT nSend = bLastSpecial ? sendFinal(dwOffset, chunk.get(), dwGot)
                                       : SendFileData(pszBinFileName, ZEP_END_MORE, dwOffset,
                                                      dwImageSize, chunk.get(), dwGot);
        {
            ZepLock guard(m_lock);
            rt_DevInfo.nResult = nSend;
        }
        if (nSend != RESULT_OK)
            return nSend;
        if (!bLastSpecial)
            ++(m_bLastReplySeen ? nAnswered : nLate);
        wImageSum = ZepChecksum(chunk.get(), dwGot, wImageSum);
        dwOffset += dwGot;
        ZepLock guard(m_lock);
        rt_DevInfo.dwCurrentSize = static_cast<uint32_t>(dwOffset);
    }

    if (!bSpecial) {
        ZEPRESULT nSend = sendFinal(dwImageSize, nullptr, wImageSum);
        ZepLock guard(m_lock);
        rt_DevInfo.nResult = nSend;
        if (nSend != RESULT_OK)
            return nSend;
        rt_DevInfo.dwCurrentSize = static_cast<uint32_t>(dwImageSize);
    }
    return RESULT_OK;
}
