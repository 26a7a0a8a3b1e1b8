// Host side of the device's update service for one run: the command builders, the session
// (download mode, file fetch, status query), the version checks and the image transfer.
// Called from the worker thread only; every write to the progress record takes the record lock.
#pragma once

#include "zepAnswerLedger.h"
#include "zepDevInfo.h"
#include "zepLock.h"
#include "zepParse.h"
#include "zepTypes.h"
#include "zepWire.h"

#include <vector>

class DevConnMgr;
class zepReply;

enum modelchk_result {
    NORMALEND_STATE = 0,
    NOT_UPDATE_STATE = 1,
    ERROR_STATE = 2,
};
typedef modelchk_result ENUM_MODELCHK_RESULT;

class zepProtocol {
public:
    // The largest MAXPACKET taken from a device. The device decides how much the host allocates
    // for every reply and every image chunk; a row asking for gigabytes would get them. Real
    // devices ask for a few KiB, and one that accepts large packets also accepts smaller ones,
    // so a larger value is used as this bound.
    static const int kMaxPacketLimit = 1024 * 1024;

    // pRecordLock is the lock that guards the progress record (the worker's); without one the
    // object uses a lock of its own.
    explicit zepProtocol(CRITSECT* pRecordLock = nullptr);
    ~zepProtocol();

    zepProtocol(const zepProtocol&) = delete;
    zepProtocol& operator=(const zepProtocol&) = delete;

    // Record builders and the reply test.
    bool SetSSTHeader(TAG_SSTHEADER& sstHeader, unsigned short CMDCode, unsigned long dwSize);
    bool SetCheckSum(unsigned short& rwCheckSum, unsigned char* pbSendData,
                     unsigned long dwSendDataLen);
    bool CheckRecvHeader(unsigned char* pRecvBuf, unsigned long dwRecvSize,
                         unsigned short wCmdCode);
    ZEPRESULT Make_GetFile(TAG_CMDGETFILE& rt_CmdGetFile, const char* pszFileName);
    ZEPRESULT Make_EnterDownLoad(TAG_CMDENTERDOWNLOAD& rt_CmdEnterDownLoad, bool bWarningNoError);
    ZEPRESULT Make_ExitDownLoad(TAG_CMDEXITDOWNLOAD& rt_CmdExitDownLoad);
    ZEPRESULT Make_QuerryUpdateStatus(TAG_CMDQUERYUPDATESTATUS& rt_CmdQueryUpdateStatus,
                                      char* pFileName);
    ZEPRESULT Make_QuerryUpdateStatus(TAG_CMDQUERYUPDATESTATUS_SP& rt_CmdQueryUpdateStatus);
    ZEPRESULT Make_SendFile(TAG_CMDSENDFILE& rt_CmdSendFile, const char* pszBinFileName,
                            unsigned short wEndNotice, unsigned long dwTransmittedSize,
                            unsigned long dwTotalTransmitSize, unsigned char* pbSendData,
                            unsigned long dwDataSize);

    // Session.
    ZEPRESULT OpenDevice(char* pPrinterName, char* pPortName, unsigned short wPortNo);
    ZEPRESULT CloseDevice();
    ZEPRESULT SetPacketSize(unsigned long dwRecvPaketSize);
    ZEPRESULT EnterDownLoadMode(char* pPrinterName, char* pPortName, unsigned short wPortNo,
                                bool bWarningNoError);
    ZEPRESULT ExitDownLoadMode();
    ZEPRESULT GetFileData(const char* pszFileName);
    ZEPRESULT CheckState(tag_devinfo& rt_DevInfo);
    bool IsSupportCheckState();
    void setPolingTime(unsigned long dwPolingTime) { m_dwThreadPolingTime = dwPolingTime; }
    void setUpdateState(tag_devinfo& rt_DevInfo, update_state UpdateState, int nResult,
                        unsigned long dwCurrentSize, unsigned long dwMaxSize);
    static ZEPRESULT CheckDevConnErr(int nErrCode);

    // Version checks.
    bool CheckVersion(const char* pszModelName, const char* pszFirmType, const char* pszFirmVer,
                      const char* pszCompatible, int& rnResult);
    // CheckVersion against the TargetInfo.txt already fetched: every result is a verdict.
    bool CheckFetchedVersion(const char* pszModelName, const char* pszFirmType,
                             const char* pszFirmVer, const char* pszCompatible, int& rnResult);
    bool CheckFirmVer(const char* pszUpdateVer, const char* pszCompatible, const char* pszTargetVer,
                      int& rResult);
    bool CheckFirmVerForModel(const char* pszUpdateVer, const char* pszTargetVer, int& rResult,
                              modelchk_result& rChkState);

    // Image transfer.
    ZEPRESULT SendFileData(const char* pszBinFileName, unsigned short wEndNotice,
                           unsigned long dwTransmittedSize, unsigned long dwTotalTransSize,
                           unsigned char* pbData, unsigned long dwDataSize);
    ZEPRESULT UpdateFirmware(const char* pszModelName, const char* pszFirmType,
                             const char* pszFirmVer, const char* pszFileName,
                             const char* pszBinFileName, const char* pszCompatible,
                             tag_devinfo& rt_DevInfo);

    // The device's TargetInfo.txt as last fetched.
    zepParse& TargetInfo() { return m_TargetInfo; }

private:
    ZEPRESULT CommonPreconditions() const;
    // MAXPACKET of the last TargetInfo.txt, bounded by kMaxPacketLimit; false when missing.
    bool DevicePacketSize(int& rnMaxPacket);
    ZEPRESULT JudgeSendFileReply(zepReply& reply);
    // The rest of a GetFile answer whose first packet is first; loads m_TargetInfo.
    ZEPRESULT ReadFileReplies(zepReply& first);
    // The status query for the image being written, in the form SPECIALCMDPATTERN asks for.
    ZEPRESULT BuildStatusQuery(std::vector<unsigned char>& request);
    // Judges a status-query answer; with a record, publishes the device's figures in it.
    ZEPRESULT JudgeStatusReply(zepReply& reply, tag_devinfo* pDevInfo);

    // Answer accounting of the transfer (the device's answers to SendFile packets).
    ZEPRESULT SendBlock(const char* pszBinFileName, unsigned long dwOffset, unsigned long dwTotal,
                        unsigned char* pbData, unsigned long dwData);
    ZEPRESULT SendFinal(const char* pszBinFileName, unsigned short wFinal, unsigned long dwOffset,
                        unsigned long dwTotal, unsigned char* pbData, unsigned long dwData);
    ZEPRESULT ReadOwedAnswer();
    ZEPRESULT CollectBlockAnswer();
    ZEPRESULT ProbeBlockAnswers();
    ZEPRESULT FenceBeforeFinal();
    // How long a look for answers that may not exist waits.
    static const DWORD kProbeWaitMs = 10;

    // Whether the last SendFileData call received a reply.
    bool m_bLastReplySeen = false;
    zepAnswerLedger m_answers;
    DWORD m_dwTransferTimeout = 0;       // UPDATETIME in ms, while an image is sent
    std::vector<unsigned char> m_packet; // the SendFile packet being sent

    HANDLE m_hDevice = nullptr;
    zepParse m_TargetInfo;
    char m_CurrentFileName[ZEP_FILENAME_SIZE] = {};
    DevConnMgr* m_pDevMgr = nullptr;
    unsigned long m_dwThreadPolingTime = 0;
    CRITSECT m_ownLock;
    CRITSECT& m_lock; // the record lock: the worker's when given, else m_ownLock
};
