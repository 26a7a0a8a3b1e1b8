// Output of the console updater: a redrawn bar on a terminal, one line per change otherwise, or
// JSON lines. Notices (such as the answer to Ctrl-C) go to the error stream.
#pragma once

#include "zepProgressRules.h"
#include "zepDevInfo.h"

#include <ostream>
#include <string>

enum class DisplayMode { TERMINAL, LINES, JSON };

// Where one update's progress goes: the display of a single device, or a fleet's line of it.
class UpdateSink {
public:
    virtual ~UpdateSink() = default;
    // Called after every tick; writes only what changed since the last call.
    virtual void Update(const tag_devinfo& info, const ProgressView& view) = 0;
    virtual void Notice(const std::string& text) = 0;
};

// The transfer rate and time left of the image being sent, for a device's terminal line: " 120
// KiB/s, 0:42 left", or empty outside a transfer and while too little is known.
class TransferRate {
public:
    std::string Text(const tag_devinfo& info);

private:
    uint32_t m_image = 0;
    uint32_t m_startBytes = 0;
    unsigned long long m_startMs = 0;
};

class ProgressDisplay : public UpdateSink {
public:
    ProgressDisplay(std::ostream& out, std::ostream& err, DisplayMode mode);

    void Update(const tag_devinfo& info, const ProgressView& view) override;
    void Notice(const std::string& text) override;
    // The closing report: the result message, or in JSON mode the final object.
    // JSON members that name the package, added to the final object.
    void SetPackageMembers(const std::string& members) { m_strPackage = members; }
    void Final(ZEPRESULT nResult, uint32_t dwUpdatedFirmNum, bool bStopped,
               const std::string& strCaption, const std::string& strMessage,
               uint32_t dwUnconfirmedFirmNum = 0);

    // The terminal line for a view: a bar of kBarWidth cells, the percentage and the status.
    static std::string BarLine(const ProgressView& view);
    static const int kBarWidth = 30;
    // Whether two copies of the record show the same thing (a JSON object is written per change).
    static bool SameRecord(const tag_devinfo& a, const tag_devinfo& b);

private:
    void EndBarLine();

    std::ostream& m_out;
    std::ostream& m_err;
    DisplayMode m_mode;
    bool m_bShown = false; // something was written for the previous view / record
    ProgressView m_lastView;
    tag_devinfo m_lastInfo;
    size_t m_barLength = 0; // length of the bar line on screen; 0 when none is open
    TransferRate m_rate;
    std::string m_strPackage;
};
