// The console updater's progress loop. StopThread blocks until the worker has ended, so a stop
// request is handed to a helper thread and the loop keeps showing progress meanwhile. While the
// device writes, that stop waits for the device's own end of the write; a second request gives
// the wait up, and the image is then reported as sent but not confirmed.
#include "CliUpdate.h"

#include "CliTexts.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace {

const unsigned long kSliceMs = 50; // longest delay before a stop request is noticed

const char* const kStopNotice =
    "Stop requested: a running transfer is completed first; the update then stops at the next "
    "safe point.";
const char* const kStillStoppingNotice = "Still stopping; the device must not be interrupted.";
const char* const kWaitForWriteNotice =
    "Waiting for the device to finish writing the firmware before leaving download mode. Stop "
    "again to give up waiting; the device must then be checked.";
const char* const kAbandonNotice =
    "Second stop request: no longer waiting for the device to finish writing. Check the device "
    "before using it.";

class UpdateLoop {
public:
    UpdateLoop(zepThread& worker, const UpdateRequest& request, UpdateSink& display)
        : m_worker(worker), m_request(request), m_display(display), m_page(request.firmwareCount) {}

    ~UpdateLoop() {
        if (m_stopper.joinable())
            m_stopper.join();
    }

    UpdateOutcome Run();

private:
    bool Tick(); // true when the page has ended
    void WaitTick();
    void CheckStopRequests();
    unsigned int StopRequests() const {
        return m_request.stopRequests ? m_request.stopRequests() : 0;
    }

    zepThread& m_worker;
    const UpdateRequest& m_request;
    UpdateSink& m_display;
    ProgressPage m_page;
    tag_devinfo m_info;
    unsigned int m_seenRequests = 0;
    bool m_bAbandoned = false;
    bool m_bToldWaiting = false;
    bool m_bImagesBegun = false;
    std::thread m_stopper;
    std::atomic<bool> m_bStopperDone{false};
};

UpdateOutcome UpdateLoop::Run() {
    // Only requests made during the run count.
    m_seenRequests = m_request.bHasStopBaseline ? m_request.nStopBaseline : StopRequests();
    if (!m_worker.UpdateStart(const_cast<char*>(m_request.pszPrinterName),
                              const_cast<char*>(m_request.pszPortName), m_request.wPortNo))
        return MakeOutcome(RESULT_ERR_SYSTEM, 0, false, m_request.needExit);
    m_worker.SetPolling(m_request.dwWorkerPollingMs);
    m_worker.CheckState(m_info);
    m_display.Update(m_info, m_page.View());

    bool bEnded = false;
    while (!bEnded && !m_bStopperDone) {
        WaitTick();
        bEnded = Tick();
    }
    if (m_stopper.joinable()) {
        m_stopper.join();
        bEnded = bEnded || Tick(); // the worker's last word
    } else {
        m_worker.StopThread();
    }
    UpdateOutcome outcome = bEnded ? MakeOutcome(m_page.Result(), m_info.dwUpdatedFirmNum, false,
                                                 m_request.needExit, m_info.dwUnconfirmedFirmNum)
                                   : MakeOutcome(m_info.nResult, m_info.dwUpdatedFirmNum, true,
                                                 m_request.needExit, m_info.dwUnconfirmedFirmNum);
    outcome.bImagesBegun = m_bImagesBegun;
    return outcome;
}

bool UpdateLoop::Tick() {
    m_worker.CheckState(m_info);
    // The image number is set before an image is checked and never reset, so even a failure
    // that passed between two copies shows whether the image loop was reached.
    m_bImagesBegun = m_bImagesBegun || m_info.dwFirmIdx != 0 || m_info.dwUpdatedFirmNum != 0 ||
                     m_info.UpdateState == TRANSFER_FIRM || m_info.UpdateState == WRITING_FIRM ||
                     m_info.UpdateState == END_FIRM_UPDATE;
    bool bEnded = m_page.Tick(m_info);
    if (m_info.bStopWaitsForWrite && !m_bToldWaiting && !m_bAbandoned) {
        m_bToldWaiting = true;
        m_display.Notice(kWaitForWriteNotice);
    }
    m_display.Update(m_info, m_page.View());
    return bEnded;
}

void UpdateLoop::WaitTick() {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point due = Clock::now() + std::chrono::milliseconds(m_request.dwTickMs);
    for (;;) {
        CheckStopRequests();
        Clock::time_point now = Clock::now();
        if (now >= due || m_bStopperDone)
            return;
        std::this_thread::sleep_until(std::min(due, now + std::chrono::milliseconds(kSliceMs)));
    }
}

void UpdateLoop::CheckStopRequests() {
    const unsigned int requests = StopRequests();
    for (; m_seenRequests != requests; ++m_seenRequests) {
        if (!m_stopper.joinable()) {
            m_display.Notice(kStopNotice);
            m_worker.RequestStop();
            m_stopper = std::thread([this] {
                m_worker.StopThread();
                m_bStopperDone = true;
            });
        } else if (!m_bAbandoned) {
            // Only a stop that waits for a write has something to give up.
            m_bAbandoned = true;
            m_worker.RequestStop();
            m_display.Notice(kAbandonNotice);
        } else {
            m_display.Notice(kStillStoppingNotice);
        }
    }
}

} // namespace

UpdateOutcome MakeOutcome(ZEPRESULT nResult, uint32_t dwUpdatedFirmNum, bool bStopped,
                          yesno_type needExit, uint32_t dwUnconfirmedFirmNum) {
    UpdateOutcome outcome;
    outcome.nResult = nResult;
    outcome.dwUpdatedFirmNum = dwUpdatedFirmNum;
    outcome.dwUnconfirmedFirmNum = dwUnconfirmedFirmNum;
    outcome.bStopped = bStopped;
    const bool bSuccess = nResult == RESULT_OK || nResult == RESULT_NO_UPDATE;
    outcome.nExitCode = bSuccess && !bStopped && dwUnconfirmedFirmNum == 0 ? 0 : 1;
    ResultMessage message = ResultMessageFor(nResult, needExit);
    if (bStopped && bSuccess && dwUnconfirmedFirmNum != 0) {
        outcome.strCaption = CaptionText(true);
        outcome.strMessage = "The update was stopped at your request while the device was "
                             "writing: " +
                             std::to_string(dwUnconfirmedFirmNum) +
                             " firmware image(s) were sent but not confirmed by the device, " +
                             std::to_string(dwUpdatedFirmNum) +
                             " updated. Check the device (its display panel) before using it, "
                             "and run the update again.";
        return outcome;
    }
    if (bStopped && bSuccess) {
        // The Windows page cannot be stopped, so it has no message for this.
        outcome.strCaption = CaptionText(true);
        outcome.strMessage = "The update was stopped at your request after " +
                             std::to_string(dwUpdatedFirmNum) +
                             " firmware image(s) had been updated. Run the update again to "
                             "complete it.";
        return outcome;
    }
    outcome.strCaption = EnglishText(message.nCaptionId);
    outcome.strMessage = EnglishText(message.nTextId);
    if (outcome.strMessage.empty()) // results without a message of their own
        outcome.strMessage = "The update ended with result " + std::to_string(nResult) + ".";
    return outcome;
}

UpdateOutcome RunUpdate(zepThread& worker, const UpdateRequest& request, UpdateSink& display) {
    return UpdateLoop(worker, request, display).Run();
}
