// Output of a run over several devices, shared by their threads. On a terminal one line per
// running device is redrawn in place below the lines already finished; otherwise every line
// and JSON object carries its device. A summary closes the run.
#pragma once

#include "CliDisplay.h"
#include "CliMetrics.h"

#include <cstddef>
#include <map>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

// One device's row of the closing summary.
struct FleetSummaryRow {
    std::string strDevice;
    ZEPRESULT nResult = RESULT_OK;
    uint32_t dwUpdatedFirmNum = 0;
    bool bStopped = false;
    bool bOk = false;
    bool bBegun = true; // false: stopped before its turn; it has no result (null, "-")
    std::string strMessage;
    const char* pszOutcome = nullptr; // an update's outcome (CliOutcome); none for the dry run
    unsigned int nWave = 0;           // from 1 when the run names waves
    uint64_t qwBytes = 0;             // bytes of the images the device accepted
};

// Neither a success nor a failure: deferred, or awaiting approval.
bool IsPending(const FleetSummaryRow& row);

class FleetDisplay {
public:
    FleetDisplay(std::ostream& out, std::ostream& err, DisplayMode mode);

    DisplayMode Mode() const { return m_mode; }
    // A finished line (or JSON object) of output, written whole.
    void Line(const std::string& text);
    // The live line of a running device (terminal only): added, or replaced in place.
    void Live(size_t device, const std::string& text);
    // The device's live line is gone; text takes its place above the running ones.
    void EndLive(size_t device, const std::string& text);
    // The same notice from every worker is shown once in a row.
    void Notice(const std::string& text);
    void Summary(const std::vector<FleetSummaryRow>& rows);
    // The package's identity: JSON members for every final object and the summary, and the
    // summary's closing line on a terminal.
    void SetPackage(const std::string& members, const std::string& line) {
        m_strPackage = members;
        m_strPackageLine = line;
    }
    const std::string& PackageMembers() const { return m_strPackage; }
    // The fleet's own live line below the devices' (terminal only): done, failed, time left.
    void Totals(size_t done, size_t total, size_t failed, unsigned long long elapsedMs);

private:
    void Redraw(const std::string* pFinished); // holds m_lock

    std::ostream& m_out;
    std::ostream& m_err;
    const DisplayMode m_mode;
    std::mutex m_lock;
    std::map<size_t, std::string> m_live; // by device index: the order the devices were given
    size_t m_drawn = 0;                   // live lines on screen below the cursor's line
    std::string m_lastNotice;
    std::string m_strPackage, m_strPackageLine;
};

// One device's progress in a fleet run: what changed, in the fleet's form.
class FleetDeviceSink : public UpdateSink {
public:
    FleetDeviceSink(FleetDisplay& display, size_t device, const std::string& strName,
                    size_t nameWidth)
        : m_display(display), m_device(device), m_strName(strName), m_nameWidth(nameWidth) {}

    void Update(const tag_devinfo& info, const ProgressView& view) override;
    void Notice(const std::string& text) override { m_display.Notice(text); }
    // The closing report of the device's update; strMembers are further JSON members.
    void Final(ZEPRESULT nResult, uint32_t dwUpdatedFirmNum, bool bStopped,
               const std::string& strCaption, const std::string& strMessage,
               const std::string& strMembers = std::string(), uint32_t dwUnconfirmedFirmNum = 0);
    // A line of its own between attempts or phases (a retry, the wait for the restart).
    void Say(const std::string& text);

private:
    FleetDisplay& m_display;
    size_t m_device;
    std::string m_strName;
    size_t m_nameWidth;
    bool m_bShown = false;
    ProgressView m_lastView;
    tag_devinfo m_lastInfo;
    TransferRate m_rate;
};

// " 120 KiB/s, 0:42 left" for bytes of max done in ms since the transfer's start; empty
// while too little is known.
std::string RateText(uint32_t dwBytes, uint32_t dwMax, unsigned long long ms);

// The summary as one JSON object: {"summary":[rows],"failed":n}.
std::string JsonSummary(const std::vector<FleetSummaryRow>& rows);
// The summary's figures, as the metrics file has them too: devices by outcome, images, bytes.
FleetFigures FiguresOf(const std::vector<FleetSummaryRow>& rows);
// "\"outcomes\":{...},\"images_sent\":n,\"bytes_sent\":n" of an update's summary.
std::string JsonFigures(const FleetFigures& figures);
