// Builders of the update protocol's command records and the test every reply header passes.
#include "zepProtocol.h"

#include <cstring>

namespace {

// Names that do not fit the 32-byte field are not sent at all: a cut name would address
// another file on the device.
void CopyWireName(char (&field)[ZEP_WIRE_FILENAME_SIZE], const char* pszName) {
    size_t len = std::strlen(pszName);
    if (len < ZEP_WIRE_FILENAME_SIZE)
        std::memcpy(field, pszName, len + 1);
}

} // namespace

bool zepProtocol::SetSSTHeader(TAG_SSTHEADER& sstHeader, unsigned short CMDCode,
                               unsigned long dwSize) {
    sstHeader.CommandCode.set(CMDCode);
    sstHeader.DataLength.set(static_cast<uint32_t>(dwSize));
    return true;
}

bool zepProtocol::SetCheckSum(unsigned short& rwCheckSum, unsigned char* pbSendData,
                              unsigned long dwSendDataLen) {
    if (pbSendData == nullptr || dwSendDataLen == 0) {
        rwCheckSum = 0;
        return false;
    }
    rwCheckSum = ZepChecksum(pbSendData, dwSendDataLen);
    return true;
}

bool zepProtocol::CheckRecvHeader(unsigned char* pRecvBuf, unsigned long dwRecvSize,
                                  unsigned short wCmdCode) {
    if (pRecvBuf == nullptr || dwRecvSize < sizeof(TAG_SSTHEADER))
        return false;
    const auto* header = reinterpret_cast<const TAG_SSTHEADER*>(pRecvBuf);
    return header->CommandCode.get() == wCmdCode &&
           header->DataLength.get() == dwRecvSize - sizeof(TAG_SSTHEADER);
}

ZEPRESULT zepProtocol::Make_GetFile(TAG_CMDGETFILE& rt_CmdGetFile, const char* pszFileName) {
    if (pszFileName == nullptr)
        return RESULT_ERR_PARAM;
    std::memset(&rt_CmdGetFile, 0, sizeof rt_CmdGetFile);
    SetSSTHeader(rt_CmdGetFile.Header, ZEP_CMD_GETFILE,
                 sizeof rt_CmdGetFile - sizeof(TAG_SSTHEADER));
    CopyWireName(rt_CmdGetFile.FileName, pszFileName);
    return RESULT_OK;
}

ZEPRESULT zepProtocol::Make_EnterDownLoad(TAG_CMDENTERDOWNLOAD& rt_CmdEnterDownLoad,
                                          bool bWarningNoError) {
    std::memset(&rt_CmdEnterDownLoad, 0, sizeof rt_CmdEnterDownLoad);
    SetSSTHeader(rt_CmdEnterDownLoad.Header, ZEP_CMD_ENTERDOWNLOAD,
                 sizeof rt_CmdEnterDownLoad - sizeof(TAG_SSTHEADER));
    rt_CmdEnterDownLoad.Force.set(bWarningNoError ? 1 : 0);
    return RESULT_OK;
}

ZEPRESULT zepProtocol::Make_ExitDownLoad(TAG_CMDEXITDOWNLOAD& rt_CmdExitDownLoad) {
    std::memset(&rt_CmdExitDownLoad, 0, sizeof rt_CmdExitDownLoad);
    SetSSTHeader(rt_CmdExitDownLoad.Header, ZEP_CMD_EXITDOWNLOAD,
                 sizeof rt_CmdExitDownLoad - sizeof(TAG_SSTHEADER));
    CopyWireName(rt_CmdExitDownLoad.FileName, "");
    return RESULT_OK;
}

ZEPRESULT zepProtocol::Make_QuerryUpdateStatus(TAG_CMDQUERYUPDATESTATUS& rt_CmdQueryUpdateStatus,
                                               char* pFileName) {
    if (pFileName == nullptr)
        return RESULT_ERR_PARAM;
    std::memset(&rt_CmdQueryUpdateStatus, 0, sizeof rt_CmdQueryUpdateStatus);
    SetSSTHeader(rt_CmdQueryUpdateStatus.Header, ZEP_CMD_QUERYUPDATESTATUS,
                 sizeof rt_CmdQueryUpdateStatus - sizeof(TAG_SSTHEADER));
    CopyWireName(rt_CmdQueryUpdateStatus.FileName, pFileName);
    return RESULT_OK;
}

ZEPRESULT
zepProtocol::Make_QuerryUpdateStatus(TAG_CMDQUERYUPDATESTATUS_SP& rt_CmdQueryUpdateStatus) {
    std::memset(&rt_CmdQueryUpdateStatus, 0, sizeof rt_CmdQueryUpdateStatus);
    SetSSTHeader(rt_CmdQueryUpdateStatus.Header, ZEP_CMD_QUERYUPDATESTATUS,
                 sizeof rt_CmdQueryUpdateStatus - sizeof(TAG_SSTHEADER));
    return RESULT_OK;
}

ZEPRESULT zepProtocol::Make_SendFile(TAG_CMDSENDFILE& rt_CmdSendFile, const char* pszBinFileName,
                                     unsigned short wEndNotice, unsigned long dwTransmittedSize,
                                     unsigned long dwTotalTransmitSize, unsigned char* pbSendData,
                                     unsigned long dwDataSize) {
    if (pszBinFileName == nullptr)
        return RESULT_ERR_PARAM;
    std::memset(&rt_CmdSendFile, 0, sizeof rt_CmdSendFile);
    CopyWireName(rt_CmdSendFile.FileName, pszBinFileName);
    rt_CmdSendFile.EndNotice.set(wEndNotice);
    rt_CmdSendFile.TransmittedSize.set(static_cast<uint32_t>(dwTransmittedSize));
    rt_CmdSendFile.TotalTransmitSize.set(static_cast<uint32_t>(dwTotalTransmitSize));

    unsigned long dwLength = 0;
    unsigned short wCheckSum = 0;
    if (wEndNotice == ZEP_END_FINAL || wEndNotice == ZEP_END_FINAL_QUERY) {
        if (pbSendData != nullptr) {
            // A final data packet carries the rest of the image, whatever dwDataSize says.
            dwLength = dwTotalTransmitSize > dwTransmittedSize
                           ? dwTotalTransmitSize - dwTransmittedSize
                           : 0;
            SetCheckSum(wCheckSum, pbSendData, dwLength);
        } else {
            // The closing packet: the caller passes the whole image's checksum in dwDataSize.
            wCheckSum = static_cast<unsigned short>(dwDataSize & 0xFFFF);
        }
    } else if (wEndNotice != ZEP_END_CONTROL) {
        dwLength = dwDataSize;
        SetCheckSum(wCheckSum, pbSendData, dwDataSize);
    } // a control packet is the head alone: no data, checksum 0
    rt_CmdSendFile.LengthOfSendData.set(static_cast<uint32_t>(dwLength));
    rt_CmdSendFile.CheckSum.set(wCheckSum);
    SetSSTHeader(rt_CmdSendFile.Header, ZEP_CMD_SENDFILE,
                 dwLength + sizeof rt_CmdSendFile - sizeof(TAG_SSTHEADER));
    return RESULT_OK;
}
