// The console updater's progress loop. StopThread blocks until the worker has ended, so a stop
// request is handed to a helper thread and the loop keeps showing progress meanwhile.
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
    UpdateOutcome outcome =
        bEnded ? MakeOutcome(m_page.Result(), m_info.dwUpdatedFirmNum, false, m_request.needExit)
               : MakeOutcome(m_info.nResult, m_info.dwUpdatedFirmNum, true, m_request.needExit);
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
    unsigned int requests = StopRequests();
    if (requests == m_seenRequests)
        return;
    m_seenRequests = requests;
    if (m_stopper.joinable()) {
        m_display.Notice(kStillStoppingNotice);
        return;
    }
    m_display.Notice(kStopNotice);
    m_stopper = std::thread([this] {
        m_worker.StopThread();
        m_bStopperDone = true;
    });
}

} // namespace

UpdateOutcome MakeOutcome(ZEPRESULT nResult, uint32_t dwUpdatedFirmNum, bool bStopped,
                          yesno_type needExit) {
    UpdateOutcome outcome;
    outcome.nResult = nResult;
    outcome.dwUpdatedFirmNum = dwUpdatedFirmNum;
    outcome.bStopped = bStopped;
    const bool bSuccess = nResult == RESULT_OK || nResult == RESULT_NO_UPDATE;
    outcome.nExitCode = bSuccess && !bStopped ? 0 : 1;
    ResultMessage message = ResultMessageFor(nResult, needExit);
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
