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
    m_bStop = true; // before the signal, so that the woken worker sees it
    zepmac::SetEvent(m_tWakeup);
    zepmac::WaitForSingleObjectThread(m_tThread, zepmac::ZEP_INFINITE);
    return true;
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
        if (bSent) {
            m_tDeviceInfo.dwUpdatedFirmNum += 1;
            m_qwBytesAccepted += m_tDeviceInfo.dwCurrentSize;
        }
        bQuery = m_tDeviceInfo.bSupportQureryUpdate && bSent;
    }
    if (bQuery) {
        int nUpdateTime = 0;
        if (!g_ZepInfo.getUpdateTime(nUpdateTime))
            return RESULT_ERR_SYSTEM;
        // A device that keeps saying "still writing" without its figures moving is stuck:
        // after UPDATETIME of that, the image has failed rather than the wait going on for ever.
        const unsigned long dwStallLimit =
            nUpdateTime <= 0 ? 0 : static_cast<unsigned long>(nUpdateTime) * 1000UL;
        unsigned long dwSince = ZepTickCount();
        uint32_t dwDone = UINT32_MAX, dwTotal = UINT32_MAX;
        for (;;) {
            if (!PollWait())
                return RESULT_OK; // stopped: the image counts as updated, no pause
            ZEPRESULT code = protocol.CheckState(m_tDeviceInfo);
            if (code != RESULT_OK)
                return code;
            ZepLock lock(m_lock);
            if (m_tDeviceInfo.UpdateState == END_FIRM_UPDATE)
                break;
            if (m_tDeviceInfo.dwCurrentSize != dwDone || m_tDeviceInfo.dwMaxSize != dwTotal) {
                dwDone = m_tDeviceInfo.dwCurrentSize;
                dwTotal = m_tDeviceInfo.dwMaxSize;
                dwSince = ZepTickCount();
            } else if (ZepElapsedMs(dwSince) >= dwStallLimit) {
                return RESULT_ERR_DEVICE;
            }
        }
    } else {
        ZepLock lock(m_lock);
        m_tDeviceInfo.UpdateState = END_FIRM_UPDATE;
    }
    ZepPhasePause();
    return RESULT_OK;
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
    if (m_tStarted.Created)
        zepmac::CloseEvent(m_tStarted);
    if (m_tWakeup.Created)
        zepmac::CloseEvent(m_tWakeup);
}
