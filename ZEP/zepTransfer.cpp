// Carries one firmware image from the bound package to the device: the version check, then the
// image streamed chunk by chunk in checksummed SendFile packets, then the closing packet.
#include "zepProtocol.h"

#include "DevConnMgr.h"
#include "zepBindInfo.h"
#include "zepClock.h"
#include "zepInfo.h"
#include "zepReply.h"
#include "zepUtil.h"

#include <cstring>
#include <memory>
#include <new>

namespace {

bool IsFinal(unsigned short wEndNotice) {
    return wEndNotice == ZEP_END_FINAL || wEndNotice == ZEP_END_FINAL_QUERY;
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
    // An intermediate block need not be answered at once; an answer that did come is judged,
    // and one that is not a well-formed SendFile answer means the stream can no longer be read.
    if (wEndNotice == ZEP_END_MORE && reply.Data() == nullptr)
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

// Every block's answer is judged, whenever it arrives: the one read with the block, one
// collected before a later block, or one read after the final packet.
ZEPRESULT zepProtocol::SendBlock(const char* pszBinFileName, unsigned long dwOffset,
                                 unsigned long dwTotal, unsigned char* pbData,
                                 unsigned long dwData) {
    if (m_answers.MustCollectBeforeNextBlock()) {
        ZEPRESULT result = CollectBlockAnswer();
        if (result != RESULT_OK)
            return result;
    }
    ZEPRESULT result =
        SendFileData(pszBinFileName, ZEP_END_MORE, dwOffset, dwTotal, pbData, dwData);
    if (result != RESULT_OK)
        return result;
    m_answers.BlockSent();
    // A reply read with the block answers the oldest block still owed, not necessarily this one.
    if (m_bLastReplySeen && !m_answers.BlockAnswerRead())
        return RESULT_ERR_DEVICE;
    return m_answers.ShouldProbe() ? ProbeBlockAnswers() : RESULT_OK;
}

// Reads the next answer with the time-out set and judges it; silence is no acceptance.
ZEPRESULT zepProtocol::ReadOwedAnswer() {
    zepReply reply(m_pDevMgr, m_hDevice);
    int nErr = reply.Exchange(nullptr, 0);
    return nErr < 0 ? CheckDevConnErr(nErr) : JudgeSendFileReply(reply);
}

// Awaits the oldest owed answer with the transfer's own time-out.
ZEPRESULT zepProtocol::CollectBlockAnswer() {
    ZEPRESULT result = ReadOwedAnswer();
    if (result == RESULT_OK && !m_answers.BlockAnswerRead())
        result = RESULT_ERR_DEVICE;
    return result;
}

// A transport that reads nothing after a block (a port monitor's) would otherwise leave a
// device that answers blocks unheard until the final packet: a brief look now and then lets
// its answers be judged, and learned, while the image is still going out.
ZEPRESULT zepProtocol::ProbeBlockAnswers() {
    if (m_pDevMgr->SetTimeout(m_hDevice, kProbeWaitMs) < 0)
        return RESULT_ERR_DEVICE;
    ZEPRESULT result = RESULT_OK;
    while (result == RESULT_OK && m_answers.Owed() != 0) {
        zepReply reply(m_pDevMgr, m_hDevice);
        int nErr = reply.Exchange(nullptr, 0);
        if (nErr < 0) {
            result = CheckDevConnErr(nErr);
        } else if (reply.Data() == nullptr) {
            break;
        } else if ((result = JudgeSendFileReply(reply)) == RESULT_OK &&
                   !m_answers.BlockAnswerRead()) {
            result = RESULT_ERR_DEVICE;
        }
    }
    if (m_pDevMgr->SetTimeout(m_hDevice, m_dwTransferTimeout) < 0 && result == RESULT_OK)
        result = RESULT_ERR_DEVICE;
    return result;
}

// The final packet, then every answer the image still owes: the last one read is the final
// packet's own verdict. While the session does not know yet whether the device answers blocks,
// a fence settles that first, so that no verdict is ever taken from a block's answer.
ZEPRESULT zepProtocol::SendFinal(const char* pszBinFileName, unsigned short wFinal,
                                 unsigned long dwOffset, unsigned long dwTotal,
                                 unsigned char* pbData, unsigned long dwData) {
    ZEPRESULT result = RESULT_OK;
    if (m_answers.NeedsFence() && (result = FenceBeforeFinal()) != RESULT_OK)
        return result;
    result = SendFileData(pszBinFileName, wFinal, dwOffset, dwTotal, pbData, dwData);
    if (result != RESULT_OK)
        return result;
    const uint32_t nOwed = m_answers.OwedAfterFinalAnswer();
    for (uint32_t n = 0; n < nOwed; ++n) {
        if ((result = ReadOwedAnswer()) != RESULT_OK)
            return result;
    }
    m_answers.ImageSettled();
    return RESULT_OK;
}

// Blocks are owed and none of their answers has been read: a request of another command tells
// whether the device answers blocks. It answers in order, so the SendFile answers that come
// before the fence's own are the blocks' answers: none, it answers no block; as many as were
// owed, it answers every block. The fence is the fetch of TargetInfo.txt, which a device in
// download mode serves at any time; it costs one exchange per session, never a time-out.
ZEPRESULT zepProtocol::FenceBeforeFinal() {
    TAG_CMDGETFILE cmd;
    ZEPRESULT result = Make_GetFile(cmd, "TargetInfo.txt");
    if (result != RESULT_OK)
        return result;
    uint32_t nMore = 0;
    for (bool bFirst = true;; bFirst = false) {
        zepReply reply(m_pDevMgr, m_hDevice);
        int nErr = bFirst ? reply.Exchange(reinterpret_cast<PBYTE>(&cmd), sizeof cmd)
                          : reply.Exchange(nullptr, 0);
        if (nErr < 0)
            return CheckDevConnErr(nErr);
        if (reply.Data() == nullptr)
            return RESULT_ERR_DEVICE; // silence for UPDATETIME
        if (reply.As<TAG_RESSENDFILE>(*this, ZEP_CMD_SENDFILE) != nullptr) {
            if ((result = JudgeSendFileReply(reply)) != RESULT_OK)
                return result;
            if (++nMore > m_answers.Owed())
                return RESULT_ERR_DEVICE;
            continue;
        }
        // The fence's own answer; a device that answered some blocks but not all gives no way
        // to tell which answer would be the verdict.
        if (!m_answers.Resolve(nMore))
            return RESULT_ERR_DEVICE;
        return ReadFileReplies(reply);
    }
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

    ZepPhasePause();

    int nCheck = RESULT_ERR_SYSTEM;
    bool bPass = CheckVersion(pszModelName, pszFirmType, pszFirmVer, pszCompatible, nCheck);
    const bool bQuery = IsSupportCheckState();
    {
        ZepLock guard(m_lock);
        rt_DevInfo.UpdateState = CHECKVERSION_STATE;
        rt_DevInfo.nResult = nCheck;
        ZepCopyName(m_CurrentFileName, pszBinFileName);
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

    ZepPhasePause();

    const unsigned short wFinal = bQuery ? ZEP_END_FINAL_QUERY : ZEP_END_FINAL;
    m_dwTransferTimeout = static_cast<DWORD>(ullTimeout);
    m_answers.BeginImage();
    uint16_t wImageSum = 0;
    unsigned long dwOffset = 0;
    while (dwOffset < dwImageSize) {
        const unsigned long dwLeft = dwImageSize - dwOffset;
        const unsigned long dwWant = dwLeft < dwChunk ? dwLeft : dwChunk;
        unsigned long dwGot = dwChunk;
        // A package that ends early must not send stale buffer bytes as firmware.
        if (!pBind->getBindFileData(pszFileName, dwOffset, chunk.get(), dwGot) || dwGot != dwWant)
            return RESULT_ERR_FIRMREAD;

        const bool bLastSpecial = bSpecial && dwLeft <= dwChunk;
        ZEPRESULT nSend =
            bLastSpecial
                ? SendFinal(pszBinFileName, wFinal, dwOffset, dwImageSize, chunk.get(), dwGot)
                : SendBlock(pszBinFileName, dwOffset, dwImageSize, chunk.get(), dwGot);
        {
            ZepLock guard(m_lock);
            rt_DevInfo.nResult = nSend;
        }
        if (nSend != RESULT_OK)
            return nSend;
        wImageSum = ZepChecksum(chunk.get(), dwGot, wImageSum);
        dwOffset += dwGot;
        ZepLock guard(m_lock);
        rt_DevInfo.dwCurrentSize = static_cast<uint32_t>(dwOffset);
    }

    // With the special pattern an empty image has no last data packet to end it; it still gets
    // a final packet (of no data), or it would count as updated without the device's word.
    if (!bSpecial || dwImageSize == 0) {
        ZEPRESULT nSend = bSpecial ? SendFinal(pszBinFileName, wFinal, 0, 0, chunk.get(), 0)
                                   : SendFinal(pszBinFileName, wFinal, dwImageSize, dwImageSize,
                                               nullptr, wImageSum);
        ZepLock guard(m_lock);
        rt_DevInfo.nResult = nSend;
        if (nSend != RESULT_OK)
            return nSend;
        rt_DevInfo.dwCurrentSize = static_cast<uint32_t>(dwImageSize);
    }
    return RESULT_OK;
}
