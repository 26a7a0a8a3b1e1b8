// The update session with one device: connection, download mode, the TargetInfo.txt fetch and
// the status query. Every reply buffer is handed back exactly once, on every path.
#include "zepProtocol.h"

#include "DevConnErr.h"
#include "DevConnMgr.h"
#include "zepInfo.h"
#include "zepReply.h"
#include "zepUtil.h"

#include <cstring>
#include <memory>
#include <new>

namespace {

// TargetInfo.txt is a few hundred bytes; a device announcing more than this is misbehaving and
// must not make the host allocate whatever it asks for.
const uint32_t kMaxDeviceFileSize = 64 * 1024;

const DWORD kFetchTimeoutMs = 1000;
const DWORD kMinModeTimeoutMs = 500;
const DWORD kInitialPacketSize = 4096;

// Seconds from the information file to a connection time-out, without overflowing.
DWORD SecondsToMs(int nSeconds) {
    unsigned long long ms = static_cast<unsigned long long>(nSeconds) * 1000ULL;
    return ms > 0xFFFFFFFEULL ? 0xFFFFFFFEUL : static_cast<DWORD>(ms);
}

DWORD ModeTimeoutMs(int nSeconds) {
    return nSeconds <= 0 ? kMinModeTimeoutMs : SecondsToMs(nSeconds);
}

} // namespace

zepProtocol::zepProtocol(CRITSECT* pRecordLock)
    : m_pDevMgr(DevConnMgr::Instance()), m_lock(pRecordLock != nullptr ? *pRecordLock : m_ownLock) {
}

zepProtocol::~zepProtocol() {
    if (m_hDevice != nullptr)
        CloseDevice();
}

ZEPRESULT zepProtocol::CheckDevConnErr(int nErrCode) {
    if (nErrCode >= 0)
        return RESULT_OK;
    switch (nErrCode) {
    case DEVCONN_ERR_OPEN:
    case DEVCONN_ERR_PM_DEVICEID:
    case DEVCONN_ERR_SEND:
    case DEVCONN_ERR_RECV:
    case DEVCONN_ERR_DEVICEID:
        return RESULT_ERR_CONNECT;
    default:
        return RESULT_ERR_SYSTEM;
    }
}

bool zepProtocol::DevicePacketSize(int& rnMaxPacket) {
    if (!m_TargetInfo.getMaxPacket(rnMaxPacket))
        return false;
    if (rnMaxPacket > kMaxPacketLimit)
        rnMaxPacket = kMaxPacketLimit;
    return true;
}

ZEPRESULT zepProtocol::CommonPreconditions() const {
    if (m_hDevice == nullptr)
        return RESULT_ERR_WRITE;
    if (m_pDevMgr == nullptr)
        return RESULT_ERR_SYSTEM;
    return RESULT_OK;
}

void zepProtocol::setUpdateState(tag_devinfo& rt_DevInfo, update_state UpdateState, int nResult,
                                 unsigned long dwCurrentSize, unsigned long dwMaxSize) {
    ZepLock guard(m_lock);
    rt_DevInfo.UpdateState = UpdateState;
    rt_DevInfo.nResult = nResult;
    rt_DevInfo.dwCurrentSize = static_cast<uint32_t>(dwCurrentSize);
    rt_DevInfo.dwMaxSize = static_cast<uint32_t>(dwMaxSize);
}

ZEPRESULT zepProtocol::OpenDevice(char* pPrinterName, char* pPortName, unsigned short wPortNo) {
    if (m_pDevMgr == nullptr)
        return RESULT_ERR_SYSTEM;
    if (m_hDevice != nullptr)
        CloseDevice(); // never leak the connection of an earlier open
    HANDLE hDevice = nullptr;
    ZEPRESULT result =
        CheckDevConnErr(m_pDevMgr->Connect(pPrinterName, pPortName, FALSE, wPortNo, &hDevice));
    if (result == RESULT_OK)
        m_hDevice = hDevice;
    return result;
}

ZEPRESULT zepProtocol::CloseDevice() {
    if (m_pDevMgr == nullptr)
        return RESULT_ERR_SYSTEM;
    if (m_hDevice == nullptr)
        return RESULT_ERR_WRITE;
    ZEPRESULT result = CheckDevConnErr(m_pDevMgr->Disconnect(m_hDevice));
    m_hDevice = nullptr;
    return result;
}

ZEPRESULT zepProtocol::SetPacketSize(unsigned long dwRecvPaketSize) {
    if (m_pDevMgr == nullptr)
        return RESULT_ERR_SYSTEM;
    if (m_hDevice == nullptr)
        return RESULT_ERR_WRITE;
    return CheckDevConnErr(
        m_pDevMgr->SetRecvPacketSize(m_hDevice, static_cast<DWORD>(dwRecvPaketSize)));
}

ZEPRESULT zepProtocol::EnterDownLoadMode(char* pPrinterName, char* pPortName,
                                         unsigned short wPortNo, bool bWarningNoError) {
    ZEPRESULT result = OpenDevice(pPrinterName, pPortName, wPortNo);
    if (result != RESULT_OK)
        return result;
    if ((result = CommonPreconditions()) != RESULT_OK)
        return result;

    int nEnterTime = 0;
    if (!g_ZepInfo.getEnterTime(nEnterTime))
        return RESULT_ERR_SYSTEM;
    if (m_pDevMgr->SetTimeout(m_hDevice, ModeTimeoutMs(nEnterTime)) < 0)
        return RESULT_ERR_DEVICE;
    if ((result = SetPacketSize(kInitialPacketSize)) != RESULT_OK)
        return result;

    TAG_CMDENTERDOWNLOAD cmd;
    Make_EnterDownLoad(cmd, bWarningNoError);
    zepReply reply(m_pDevMgr, m_hDevice);
    int nErr = reply.Exchange(reinterpret_cast<PBYTE>(&cmd), sizeof cmd);
    if (nErr < 0)
        return CheckDevConnErr(nErr);

    const auto* res = reply.As<TAG_RESENTERDOWNLOAD>(*this, ZEP_CMD_ENTERDOWNLOAD);
    if (res == nullptr)
        return RESULT_ERR_DEVICE;
    switch (res->Status.get()) {
    case ZEP_STATUS_OK:
        return RESULT_OK;
    case ZEP_STATUS_BUSY:
        return RESULT_ERR_BUSY;
    case ZEP_STATUS_FAX:
        return RESULT_ERR_FAX;
    default:
        return RESULT_ERR_DEVICE;
    }
}

ZEPRESULT zepProtocol::ExitDownLoadMode() {
    ZEPRESULT result = CommonPreconditions();
    if (result != RESULT_OK)
        return result;
    int nExitTime = 0;
    if (!g_ZepInfo.getExitTime(nExitTime))
        return RESULT_ERR_SYSTEM;
    m_pDevMgr->SetTimeout(m_hDevice, ModeTimeoutMs(nExitTime)); // best effort

    TAG_CMDEXITDOWNLOAD cmd;
    Make_ExitDownLoad(cmd);
    {
        zepReply reply(m_pDevMgr, m_hDevice); // the answer is not interpreted
        int nErr = reply.Exchange(reinterpret_cast<PBYTE>(&cmd), sizeof cmd);
        if (nErr < 0)
            return CheckDevConnErr(nErr);
    }
    return CloseDevice();
}

ZEPRESULT zepProtocol::GetFileData(const char* pszFileName) {
    ZEPRESULT result = CommonPreconditions();
    if (result != RESULT_OK)
        return result;
    TAG_CMDGETFILE cmd;
    if (Make_GetFile(cmd, pszFileName) != RESULT_OK)
        return RESULT_ERR_PARAM;
    m_pDevMgr->SetTimeout(m_hDevice, kFetchTimeoutMs); // best effort

    zepReply first(m_pDevMgr, m_hDevice);
    int nErr = first.Exchange(reinterpret_cast<PBYTE>(&cmd), sizeof cmd);
    if (nErr < 0)
        return CheckDevConnErr(nErr);
    return ReadFileReplies(first);
}

ZEPRESULT zepProtocol::ReadFileReplies(zepReply& first) {
    std::unique_ptr<unsigned char[]> file; // reassembly buffer, sized by the first packet
    uint32_t dwTotal = 0;
    uint32_t nPackets = 0;

    for (bool bFirst = true;; bFirst = false) {
        zepReply next(m_pDevMgr, m_hDevice);
        if (!bFirst) {
            int nErr = next.Exchange(nullptr, 0);
            if (nErr < 0)
                return CheckDevConnErr(nErr);
        }
        zepReply& reply = bFirst ? first : next;
        const auto* res = reply.As<TAG_RESGETFILE>(*this, ZEP_CMD_GETFILE);
        if (res == nullptr)
            return RESULT_ERR_DEVICE;

        if (bFirst) {
            dwTotal = res->TotalTransmitSize.get();
            if (dwTotal > kMaxDeviceFileSize)
                return RESULT_ERR_DEVICE;
            file.reset(
                new (std::nothrow) unsigned char[dwTotal == 0 ? 1 : dwTotal]()); // holes read as 0
            if (!file)
                return RESULT_ERR_SYSTEM;
        }
        // Each packet brings at least one new byte or ends the file; more packets than that
        // is a device that never finishes.
        if (++nPackets > dwTotal + 1)
            return RESULT_ERR_DEVICE;

        uint64_t offset = res->TransmittedSize.get();
        uint64_t length = res->LengthOfSendData.get();
        if (length > reply.Size() - sizeof(TAG_RESGETFILE) || offset + length > dwTotal)
            return RESULT_ERR_DEVICE;
        const unsigned char* data = reply.Data() + sizeof(TAG_RESGETFILE);
        if (length != 0)
            std::memcpy(file.get() + offset, data, length);

        uint16_t wEnd = res->EndNotice.get();
        if (wEnd == ZEP_END_MORE) {
            if (ZepChecksum(data, length) != res->CheckSum.get())
                return RESULT_ERR_CHECKSUM;
            continue;
        }
        if (wEnd != ZEP_END_FINAL && wEnd != ZEP_END_FINAL_QUERY)
            return RESULT_ERR_DEVICE;
        if (ZepChecksum(file.get(), dwTotal) != res->CheckSum.get())
            return RESULT_ERR_CHECKSUM;
        break;
    }

    if (!m_TargetInfo.loadData(reinterpret_cast<char*>(file.get()), dwTotal, TARGET_INFO_FILETYPE))
        return RESULT_ERR_SYSTEM;
    int nMaxPacket = 0;
    if (!DevicePacketSize(nMaxPacket))
        return RESULT_ERR_SYSTEM;
    // A key without a value reads as -1; that is no packet size to hand to the transport.
    if (nMaxPacket > 0)
        m_pDevMgr->SetRecvPacketSize(m_hDevice, static_cast<DWORD>(nMaxPacket));
    return RESULT_OK;
}

ZEPRESULT zepProtocol::BuildStatusQuery(std::vector<unsigned char>& request) {
    yesno_type special = DEF_ERROR_VALUE;
    if (!g_ZepInfo.getSpecialCmdPattern(special))
        return RESULT_ERR_SYSTEM;
    auto assign = [&request](const auto& cmd) {
        const auto* p = reinterpret_cast<const unsigned char*>(&cmd);
        request.assign(p, p + sizeof cmd);
    };
    if (special == DEF_YES_VALUE) {
        TAG_CMDQUERYUPDATESTATUS_SP cmd;
        Make_QuerryUpdateStatus(cmd);
        assign(cmd);
    } else {
        char szName[ZEP_FILENAME_SIZE];
        {
            ZepLock guard(m_lock);
            std::memcpy(szName, m_CurrentFileName, sizeof szName);
        }
        TAG_CMDQUERYUPDATESTATUS cmd;
        Make_QuerryUpdateStatus(cmd, szName);
        assign(cmd);
    }
    return RESULT_OK;
}

ZEPRESULT zepProtocol::JudgeStatusReply(zepReply& reply, tag_devinfo* pDevInfo) {
    const auto* res = reply.As<TAG_RESQUERYUPDATESTATUS>(*this, ZEP_CMD_QUERYUPDATESTATUS);
    if (res == nullptr)
        return RESULT_ERR_DEVICE;
    uint16_t wStatus = res->Status.get();
    if (wStatus == ZEP_STATUS_WRITE_ERROR)
        return RESULT_ERR_WRITE;
    if (wStatus != ZEP_STATUS_WRITING && wStatus != ZEP_STATUS_OK)
        return RESULT_ERR_DEVICE;
    if (pDevInfo == nullptr)
        return RESULT_OK;
    ZepLock guard(m_lock);
    pDevInfo->dwMaxSize = res->TotalUpdateSize.get();
    pDevInfo->dwCurrentSize = res->UpdateSize.get();
    std::memcpy(pDevInfo->FileName, m_CurrentFileName, sizeof pDevInfo->FileName);
    pDevInfo->UpdateState = wStatus == ZEP_STATUS_WRITING ? WRITING_FIRM : END_FIRM_UPDATE;
    return RESULT_OK;
}

ZEPRESULT zepProtocol::CheckState(tag_devinfo& rt_DevInfo) {
    ZEPRESULT result = CommonPreconditions();
    if (result != RESULT_OK)
        return result;
    std::vector<unsigned char> request;
    if ((result = BuildStatusQuery(request)) != RESULT_OK)
        return result;
    zepReply reply(m_pDevMgr, m_hDevice);
    int nErr = reply.Exchange(request.data(), static_cast<DWORD>(request.size()));
    if (nErr < 0)
        return CheckDevConnErr(nErr);
    return JudgeStatusReply(reply, &rt_DevInfo);
}

bool zepProtocol::IsSupportCheckState() {
    std::vector<int> commands;
    m_TargetInfo.getSupportCommand(commands);
    for (int nCode : commands) {
        if (nCode == ZEP_CMD_QUERYUPDATESTATUS)
            return true;
    }
    return false;
}
