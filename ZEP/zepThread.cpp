// The update worker: download mode, the device's information file, every image of the package
// in file order with the device's writing progress, and the way back out when told to stop.
#include "zepThread.h"

#include "zepClock.h"
#include "zepInfo.h"
#include "zepPackageCheck.h"
#include "zepProtocol.h"
#include "zepSession.h"
#include "zepUtil.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

zepThread::zepThread() = default;

zepThread::~zepThread() {
    if (m_tThread.Created)
        StopThread();
    CloseEvents();
}

bool zepThread::UpdateStart(char* pPrinterName, char* pPortName, unsigned short wPortNo) {
    // One run per object: a second start must not disturb the first run's thread or events.
    if (m_tThread.Created || m_tWakeup.Created || m_tStarted.Created)
        return false;
    m_pszPrinterName = pPrinterName;
    m_pszPortName = pPortName;
    m_wPortNo = wPortNo;
    m_bStartupReady = false;

    bool bStarted = zepmac::CreateEvent(m_tWakeup) && zepmac::CreateEvent(m_tStarted) &&
                    zepmac::CreateEvent(m_tAbandon) &&
                    zepmac::_beginthread(m_tThread, ThreadFunc, zepmac::ZEP_WORKER_STACK_SIZE, this,
                                         &m_dwThreadID);
    if (bStarted &&
        zepmac::WaitForSingleObjectEvent(m_tStarted, zepmac::ZEP_INFINITE) ==
            zepmac::ZEP_WAIT_SIGNALED &&
        m_bStartupReady)
        return true;

    // Without a worker nobody would ever move the record on: publish the host error so that a
    // front-end polling it ends as well.
    if (!m_tThread.Created)
        Publish(UPDATE_ERROR, RESULT_ERR_SYSTEM);
    StopThread();
    CloseEvents();
    return false;
}

bool zepThread::SetPolling(unsigned long dwTime) {
    if (dwTime == 0)
        return false;
    ZepLock lock(m_lock);
    m_dwPollingTime = static_cast<DWORD>(dwTime);
    return true;
}

bool zepThread::CheckState(tag_devinfo& rtDevInfo) {
    ZepLock lock(m_lock);
    rtDevInfo = m_tDeviceInfo;
    return true;
}

bool zepThread::StopThread() {
    // Stopping at the end of a run is no second request: it must not give up a write.
    unsigned int nNone = 0;
    if (m_nStopRequests.compare_exchange_strong(nNone, 1)) {
        m_bStop = true; // before the signal, so that the woken worker sees it
        zepmac::SetEvent(m_tWakeup);
    }
    zepmac::WaitForSingleObjectThread(m_tThread, zepmac::ZEP_INFINITE);
    return true;
}

void zepThread::RequestStop() {
    const unsigned int nRequests = ++m_nStopRequests;
    m_bStop = true;
    zepmac::SetEvent(m_tWakeup);
    if (nRequests >= 2)
        zepmac::SetEvent(m_tAbandon);
}

std::string zepThread::DeviceVersions() {
    ZepLock lock(m_lock);
    return m_strDeviceVersions;
}

uint64_t zepThread::BytesAccepted() {
    ZepLock lock(m_lock);
    return m_qwBytesAccepted;
}

void* zepThread::ThreadFunc(void* param) {
    zepThread* self = static_cast<zepThread*>(param);
    self->RunThread(self->m_pszPrinterName, self->m_pszPortName, self->m_wPortNo);
    return nullptr;
}

void zepThread::RunThread(char* pszPrinterName, char* pszPortName, unsigned short wPortNo) {
    std::unique_ptr<zepProtocol> protocol;
    try {
        protocol.reset(new zepProtocol(&m_lock));
    } catch (...) {
        Publish(UPDATE_ERROR, RESULT_ERR_SYSTEM);
        StartupDone(false);
        return;
    }
    StartupDone(true);
    ZepPhasePause();

    // Without its time limits the update would enter download mode and then fail every image:
    // the device is not touched at all.
    if (ZepMissingTimeLimit() != nullptr) {
        protocol->setUpdateState(m_tDeviceInfo, UPDATE_ERROR, RESULT_ERR_SYSTEM, 0, 0);
        WaitForStop();
        return;
    }

    zepSession session(*protocol);
    ZEPRESULT code = session.Enter(pszPrinterName, pszPortName, wPortNo);
    if (code != RESULT_OK) {
        // Download mode was never entered: nothing to switch back.
        protocol->setUpdateState(m_tDeviceInfo, UPDATE_ERROR, code, 0, 0);
        WaitForStop();
        return;
    }
    protocol->setUpdateState(m_tDeviceInfo, DOWNLOADMODE_STATE, RESULT_OK, 0, 0);

    try {
        code = session.ReadDevice();
        if (code == RESULT_OK) {
            std::string versions;
            zepImageRow row;
            for (unsigned int index = 0; zepSession::ImageAt(index, row); ++index)
                versions +=
                    (index ? "," : "") + row.strType + "=" + session.DeviceVersion(row.strType);
            ZepLock lock(m_lock);
            m_strDeviceVersions = versions;
        }
        if (code == RESULT_OK) {
            protocol->setPolingTime(PollingTime());
            code = RunImages(*protocol, session.PackageModel());
        }
    } catch (...) {
        code = RESULT_ERR_SYSTEM; // memory exhausted on the way
    }

    if (code != RESULT_OK) {
        protocol->setUpdateState(m_tDeviceInfo, UPDATE_ERROR, code, 0, 0);
        session.Leave();
        WaitForStop();
        return;
    }
    WaitForStop();
    session.Leave();
}

// Handles every VERSION row of the package in file order. RESULT_OK when the run ended normally
// (END_UPDATE published) or was stopped between images; any other value is the failure.
ZEPRESULT zepThread::RunImages(zepProtocol& protocol, const char* pszModelName) {
    ZEPRESULT nRunning = RESULT_OK;
    for (unsigned int index = 0;; ++index) {
        // A stop request is honoured before each image: a new transfer is never begun after it.
        if (m_bStop)
            return RESULT_OK;
        zepImageRow row;
        if (!zepSession::ImageAt(index, row))
            break;
        {
            ZepLock lock(m_lock);
            m_tDeviceInfo.dwFirmIdx = index + 1;
        }
        ZEPRESULT code = protocol.UpdateFirmware(
            pszModelName, row.strType.c_str(), row.strVersion.c_str(), row.strFile.c_str(),
            row.strBinFile.c_str(), row.strCompatible.c_str(), m_tDeviceInfo);
        if (code == RESULT_OK) {
            code = FinishImage(protocol);
            if (code != RESULT_OK)
                return code;
            nRunning = RESULT_OK;
        } else if (code == RESULT_NO_UPDATE) {
            ZepLock lock(m_lock);
            ZepCopyName(m_tDeviceInfo.FileName, row.strBinFile.c_str());
            m_tDeviceInfo.nResult = RESULT_NO_UPDATE;
            nRunning = RESULT_NO_UPDATE;
        } else {
            return code;
        }
    }
    protocol.setUpdateState(m_tDeviceInfo, END_UPDATE, nRunning, 0, 0);
    return RESULT_OK;
}

// After an accepted image: follow the device while it writes, or mark the image written. An
// image passed over by the version check was never sent (the record is still at
// CHECKVERSION_STATE): it is not counted as updated, and there is no writing to follow.
ZEPRESULT zepThread::FinishImage(zepProtocol& protocol) {
    bool bQuery;
    {
        ZepLock lock(m_lock);
        const bool bSent = m_tDeviceInfo.UpdateState == TRANSFER_FIRM;
        if (bSent)
            m_qwBytesAccepted += m_tDeviceInfo.dwCurrentSize; // its final packet was accepted
        bQuery = m_tDeviceInfo.bSupportQureryUpdate && bSent;
        if (!bQuery) {
            // The final packet's verdict is all such a device tells.
            m_tDeviceInfo.dwUpdatedFirmNum += bSent ? 1 : 0;
            m_tDeviceInfo.UpdateState = END_FIRM_UPDATE;
        }
    }
    if (bQuery) {
        ZEPRESULT code = FollowWrite(protocol);
        if (code != RESULT_OK || m_bStop)
            return code; // no pause before stopping
    }
    ZepPhasePause();
    return RESULT_OK;
}

// Polls the device until it reports the image written; only that counts it as updated. A stop
// request does not cut the write short (leaving download mode in the middle of it could leave
// the device without firmware): it waits for the device's own end, or for UPDATETIME without
// progress, unless a second request gives the wait up.
ZEPRESULT zepThread::FollowWrite(zepProtocol& protocol) {
    int nUpdateTime = 0;
    if (!g_ZepInfo.getUpdateTime(nUpdateTime)) {
        EndWrite(false);
        return RESULT_ERR_SYSTEM;
    }
    // A device that keeps saying "still writing" without its figures moving is stuck:
    // after UPDATETIME of that, the image has failed rather than the wait going on for ever.
    const unsigned long dwStallLimit =
        nUpdateTime <= 0 ? 0 : static_cast<unsigned long>(nUpdateTime) * 1000UL;
    unsigned long dwSince = ZepTickCount();
    uint32_t dwDone = UINT32_MAX, dwTotal = UINT32_MAX;
    for (;;) {
        if (!PollWait() && !StopWait()) {
            EndWrite(false);
            return RESULT_OK; // given up: the run stops, the image is not confirmed
        }
        ZEPRESULT code = protocol.CheckState(m_tDeviceInfo);
        if (code != RESULT_OK) {
            // A write error is the device's own verdict; anything else leaves the write unknown.
            EndWrite(code == RESULT_ERR_WRITE);
            return code;
        }
        ZepLock lock(m_lock);
        if (m_tDeviceInfo.UpdateState == END_FIRM_UPDATE) {
            m_tDeviceInfo.dwUpdatedFirmNum += 1;
            m_tDeviceInfo.bStopWaitsForWrite = false;
            return RESULT_OK;
        }
        if (m_tDeviceInfo.dwCurrentSize != dwDone || m_tDeviceInfo.dwMaxSize != dwTotal) {
            dwDone = m_tDeviceInfo.dwCurrentSize;
            dwTotal = m_tDeviceInfo.dwMaxSize;
            dwSince = ZepTickCount();
        } else if (ZepElapsedMs(dwSince) >= dwStallLimit) {
            m_tDeviceInfo.bStopWaitsForWrite = false;
            m_tDeviceInfo.dwUnconfirmedFirmNum += 1;
            return RESULT_ERR_DEVICE;
        }
    }
}

// One polling interval of a stop that waits for the write; a second stop request ends it.
bool zepThread::StopWait() {
    {
        ZepLock lock(m_lock);
        m_tDeviceInfo.bStopWaitsForWrite = true;
    }
    if (m_nStopRequests >= 2)
        return false;
    const DWORD dwTime = PollingTime();
    if (zepmac::WaitForSingleObjectEvent(m_tAbandon, dwTime) == zepmac::ZEP_WAIT_FAILED)
        ZepSleep(dwTime);
    return m_nStopRequests < 2;
}

// The write was not seen to its end: refused by the device, or unconfirmed.
void zepThread::EndWrite(bool bRefused) {
    ZepLock lock(m_lock);
    m_tDeviceInfo.bStopWaitsForWrite = false;
    if (!bRefused)
        m_tDeviceInfo.dwUnconfirmedFirmNum += 1;
}

void zepThread::StartupDone(bool bReady) {
    m_bStartupReady = bReady; // read by UpdateStart after the event below
    zepmac::SetEvent(m_tStarted);
}

void zepThread::WaitForStop() {
    while (PollWait()) {
    }
}

bool zepThread::PollWait() {
    if (m_bStop)
        return false;
    DWORD dwTime = PollingTime();
    if (zepmac::WaitForSingleObjectEvent(m_tWakeup, dwTime) == zepmac::ZEP_WAIT_FAILED)
        ZepSleep(dwTime); // a broken event must not turn the wait into a busy loop
    return !m_bStop;
}

DWORD zepThread::PollingTime() {
    ZepLock lock(m_lock);
    return m_dwPollingTime;
}

void zepThread::Publish(update_state state, ZEPRESULT nResult) {
    ZepLock lock(m_lock);
    m_tDeviceInfo.UpdateState = state;
    m_tDeviceInfo.nResult = nResult;
}

void zepThread::CloseEvents() {
    if (m_tAbandon.Created)
        zepmac::CloseEvent(m_tAbandon);
    if (m_tStarted.Created)
        zepmac::CloseEvent(m_tStarted);
    if (m_tWakeup.Created)
        zepmac::CloseEvent(m_tWakeup);
}
