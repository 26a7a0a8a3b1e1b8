// The update worker: runs one whole update on a thread of its own and publishes its progress in
// a record that the front-end copies out on a timer.
#pragma once

#include "zepDevInfo.h"
#include "zepLock.h"
#include "zepMac.h"
#include "zepTypes.h"

#include <atomic>
#include <cstdint>
#include <string>

class zepProtocol;

class zepThread {
public:
    zepThread();
    ~zepThread(); // stops a running worker first

    zepThread(const zepThread&) = delete;
    zepThread& operator=(const zepThread&) = delete;

    // Starts the worker and returns once it has started; true only when it is running. The name
    // strings are not copied: keep them alive until StopThread has returned. On false the record
    // shows UPDATE_ERROR with RESULT_ERR_SYSTEM, so a front-end that polls it ends as well.
    bool UpdateStart(char* pPrinterName, char* pPortName, unsigned short wPortNo);
    // Polling interval in milliseconds; 0 is refused (false) and leaves it unchanged.
    bool SetPolling(unsigned long dwTime);
    // Copies the whole progress record; always true.
    bool CheckState(tag_devinfo& rtDevInfo);
    // Asks the worker to stop, unless that was asked already, wakes it and waits until its
    // thread has ended (after END_UPDATE that includes the exit command). Harmless when no
    // worker runs.
    bool StopThread();
    // Asks the worker to stop and returns at once. The first request is honoured at the next
    // safe point; while the device writes an image that is the device's own end of the write
    // (or UPDATETIME without progress), so download mode is never left in the middle of it, and
    // the record shows bStopWaitsForWrite meanwhile. A second request gives that wait up: the
    // image then counts in dwUnconfirmedFirmNum, never as updated.
    void RequestStop();
    // Whether a stop has been requested, for front-ends that report their stop request.
    bool IsStopRequested() const { return m_bStop; }
    // The device's version of each of the package's firmware types as read before any image
    // ("TYPE=VERSION,...", empty for a type it lacks; empty before the device was read), and
    // the bytes of the images it accepted: what a fleet's records and metrics keep.
    std::string DeviceVersions();
    uint64_t BytesAccepted();

    static void* ThreadFunc(void* param);

private:
    void RunThread(char* pszPrinterName, char* pszPortName, unsigned short wPortNo);
    ZEPRESULT RunImages(zepProtocol& protocol, const char* pszModelName);
    ZEPRESULT FinishImage(zepProtocol& protocol);
    ZEPRESULT FollowWrite(zepProtocol& protocol);
    bool StopWait(); // one wait while a stop waits for the write; false once given up
    void EndWrite(bool bRefused);
    void StartupDone(bool bReady);
    void WaitForStop();
    bool PollWait(); // one wait on m_tWakeup for the polling interval; false once stopped
    DWORD PollingTime();
    void Publish(update_state state, ZEPRESULT nResult);
    void CloseEvents();

    bool m_bStartupReady = false;
    std::atomic<bool> m_bStop{false};
    std::atomic<unsigned int> m_nStopRequests{0};
    zepmac::TAG_THREADDATA m_tThread;
    DWORD m_dwThreadID = 0;
    zepmac::TAG_MUTEXDATA m_tWakeup;
    zepmac::TAG_MUTEXDATA m_tStarted;
    zepmac::TAG_MUTEXDATA m_tAbandon; // signalled by the second stop request
    DWORD m_dwPollingTime = 1000;
    CRITSECT m_lock; // guards m_tDeviceInfo and m_dwPollingTime
    tag_devinfo m_tDeviceInfo;
    std::string m_strDeviceVersions; // guarded by m_lock
    uint64_t m_qwBytesAccepted = 0;  // guarded by m_lock
    char* m_pszPrinterName = nullptr;
    char* m_pszPortName = nullptr;
    unsigned short m_wPortNo = 0;
};
