// The fleet's output. The terminal block is redrawn by moving the cursor up over the live lines
// (ECMA-48 CPL and ED), so finished lines scroll away above it like ordinary output.
#include "CliFleetDisplay.h"

#include "CliJson.h"
#include "CliMetrics.h"
#include "CliTexts.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>

namespace {

std::string Duration(unsigned long long seconds) {
    char text[32];
    if (seconds >= 3600)
        std::snprintf(text, sizeof text, "%llu:%02llu:%02llu", seconds / 3600, seconds / 60 % 60,
                      seconds % 60);
    else
        std::snprintf(text, sizeof text, "%llu:%02llu", seconds / 60, seconds % 60);
    return text;
}

const size_t kTotalsLine = SIZE_MAX; // drawn below every device's line

} // namespace

std::string RateText(uint32_t dwBytes, uint32_t dwMax, unsigned long long ms) {
    if (ms < 500 || dwBytes == 0)
        return std::string();
    const unsigned long long perSecond = dwBytes * 1000ULL / ms;
    const unsigned long long left =
        dwMax > dwBytes && perSecond != 0 ? (dwMax - dwBytes + perSecond - 1) / perSecond : 0;
    return " " + std::to_string(perSecond / 1024) + " KiB/s, " + Duration(left) + " left";
}

bool IsPending(const FleetSummaryRow& row) {
    DeviceOutcome outcome;
    return row.pszOutcome != nullptr && OutcomeFromJson(row.pszOutcome, outcome) &&
           FactsOf(outcome).bPending;
}

FleetFigures FiguresOf(const std::vector<FleetSummaryRow>& rows) {
    FleetFigures figures;
    for (const FleetSummaryRow& row : rows) {
        if (row.pszOutcome != nullptr)
            ++figures.outcomes[row.pszOutcome];
        figures.qwImages += row.dwUpdatedFirmNum;
        figures.qwBytes += row.qwBytes;
    }
    return figures;
}

std::string JsonFigures(const FleetFigures& figures) {
    std::string outcomes;
    for (const auto& row : figures.outcomes)
        outcomes += (outcomes.empty() ? "" : ",") + JsonString(row.first) + ":" +
                    std::to_string(row.second);
    return "\"outcomes\":{" + outcomes + "},\"images_sent\":" + std::to_string(figures.qwImages) +
           ",\"bytes_sent\":" + std::to_string(figures.qwBytes);
}

std::string JsonSummary(const std::vector<FleetSummaryRow>& rows) {
    std::string items;
    size_t failed = 0;
    for (const FleetSummaryRow& row : rows) {
        failed += row.bOk || !row.bBegun ? 0 : 1; // a device never begun never failed
        items += items.empty() ? "" : ",";
        items += "{\"device\":" + JsonString(row.strDevice) +
                 ",\"result\":" + (row.bBegun ? std::to_string(row.nResult) : "null") +
                 ",\"updated\":" + std::to_string(row.dwUpdatedFirmNum) +
                 ",\"stopped\":" + (row.bStopped ? "true" : "false") +
                 ",\"ok\":" + (row.bOk ? "true" : "false") +
                 ",\"message\":" + JsonString(row.strMessage) +
                 (row.pszOutcome ? ",\"outcome\":" + JsonString(row.pszOutcome) : "") +
                 (row.nWave != 0 ? ",\"wave\":" + std::to_string(row.nWave) : "") + "}";
    }
    return "{\"summary\":[" + items + "],\"failed\":" + std::to_string(failed) + "}";
}

FleetDisplay::FleetDisplay(std::ostream& out, std::ostream& err, DisplayMode mode)
    : m_out(out), m_err(err), m_mode(mode) {}

void FleetDisplay::Redraw(const std::string* pFinished) {
    if (m_drawn != 0)
        m_out << "\x1b[" << m_drawn << "F\x1b[J";
    if (pFinished != nullptr)
        m_out << *pFinished << '\n';
    for (const auto& live : m_live)
        m_out << live.second << '\n';
    m_drawn = m_live.size();
    m_out << std::flush;
}

void FleetDisplay::Line(const std::string& text) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_mode == DisplayMode::TERMINAL) {
        Redraw(&text);
        return;
    }
    m_out << text << '\n' << std::flush;
}

void FleetDisplay::Live(size_t device, const std::string& text) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_live[device] = text;
    Redraw(nullptr);
}

void FleetDisplay::EndLive(size_t device, const std::string& text) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_live.erase(device);
    Redraw(&text);
}

void FleetDisplay::Notice(const std::string& text) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (text == m_lastNotice)
        return;
    m_lastNotice = text;
    if (m_mode == DisplayMode::TERMINAL)
        Redraw(&text); // on the error stream it would land inside the redrawn block
    else
        m_err << text << '\n' << std::flush;
}

void FleetDisplay::Totals(size_t done, size_t total, size_t failed, unsigned long long elapsedMs) {
    if (m_mode != DisplayMode::TERMINAL)
        return;
    std::string text = "Fleet: " + std::to_string(done) + " of " + std::to_string(total) +
                       " done, " + std::to_string(failed) + " failed";
    if (done != 0 && done < total)
        text += ", about " + Duration(elapsedMs * (total - done) / done / 1000 + 1) + " left";
    std::lock_guard<std::mutex> guard(m_lock);
    m_live[kTotalsLine] = text;
    Redraw(nullptr);
}

void FleetDisplay::Summary(const std::vector<FleetSummaryRow>& rows) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_mode == DisplayMode::JSON) {
        std::string object = JsonSummary(rows);
        if (!m_strPackage.empty())
            object.insert(object.size() - 1, "," + m_strPackage);
        if (!rows.empty() && rows.front().pszOutcome != nullptr)
            object.insert(object.size() - 1, "," + JsonFigures(FiguresOf(rows)));
        m_out << object << '\n' << std::flush;
        return;
    }
    size_t width = 6; // "Device"
    for (const FleetSummaryRow& row : rows)
        width = std::max(width, Visible(row.strDevice).size());
    m_out << '\n' << "Device" << std::string(width - 6 + 2, ' ') << "Result  Message\n";
    for (const FleetSummaryRow& row : rows) {
        std::string code = row.bBegun ? std::to_string(row.nResult) : "-";
        const std::string device = Visible(row.strDevice);
        m_out << device << std::string(width - device.size() + 2, ' ')
              << std::string(code.size() < 6 ? 6 - code.size() : 0, ' ') << code << "  "
              << Visible(OneLine(row.strMessage)) << '\n';
    }
    const size_t failed = static_cast<size_t>(
        std::count_if(rows.begin(), rows.end(), [](const FleetSummaryRow& r) { return !r.bOk; }));
    m_out << rows.size() - failed << " of " << rows.size() << " device(s) succeeded.\n";
    const FleetFigures figures = FiguresOf(rows);
    for (DeviceOutcome pending : {DeviceOutcome::DEFERRED, DeviceOutcome::AWAITING_APPROVAL}) {
        auto found = figures.outcomes.find(FactsOf(pending).pszJson);
        if (found != figures.outcomes.end())
            m_out << found->second << " device(s) " << found->first
                  << (pending == DeviceOutcome::DEFERRED
                          ? ": resume the journal inside the next window.\n"
                          : ": resume the journal with --approve to begin the next wave.\n");
    }
    if (!m_strPackageLine.empty())
        m_out << m_strPackageLine << '\n';
    m_out << std::flush;
}

void FleetDeviceSink::Update(const tag_devinfo& info, const ProgressView& view) {
    const DisplayMode mode = m_display.Mode();
    const bool bChanged = mode == DisplayMode::JSON ? !ProgressDisplay::SameRecord(info, m_lastInfo)
                                                    : view != m_lastView;
    if (m_bShown && !bChanged)
        return;
    m_bShown = true;
    m_lastView = view;
    m_lastInfo = info;
    if (mode == DisplayMode::JSON)
        m_display.Line(JsonWithDevice(m_strName, JsonProgress(info, view)));
    else if (mode == DisplayMode::LINES)
        m_display.Line(m_strName + ": " + StatusText(view) + ' ' +
                       std::to_string(view.FilledPercent()) + '%');
    else
        m_display.Live(m_device, m_strName + std::string(m_nameWidth - m_strName.size() + 2, ' ') +
                                     ProgressDisplay::BarLine(view) + m_rate.Text(info));
}

void FleetDeviceSink::Say(const std::string& text) {
    if (m_display.Mode() == DisplayMode::JSON)
        m_display.Line(JsonWithDevice(m_strName, "{\"notice\":" + JsonString(text) + "}"));
    else if (m_display.Mode() == DisplayMode::TERMINAL)
        m_display.Live(m_device,
                       m_strName + std::string(m_nameWidth - m_strName.size() + 2, ' ') + text);
    else
        m_display.Line(m_strName + ": " + text);
}

void FleetDeviceSink::Final(ZEPRESULT nResult, uint32_t dwUpdatedFirmNum, bool bStopped,
                            const std::string& strCaption, const std::string& strMessage,
                            const std::string& strMembers, uint32_t dwUnconfirmedFirmNum) {
    const DisplayMode mode = m_display.Mode();
    if (mode == DisplayMode::JSON) {
        std::string object =
            JsonFinal(nResult, dwUpdatedFirmNum, bStopped, strMessage, dwUnconfirmedFirmNum);
        if (!strMembers.empty())
            object.insert(object.size() - 1, "," + strMembers);
        if (!m_display.PackageMembers().empty())
            object.insert(object.size() - 1, "," + m_display.PackageMembers());
        m_display.Line(JsonWithDevice(m_strName, object));
        return;
    }
    const std::string line =
        Visible(m_strName) + ": " + strCaption + ": " + Visible(OneLine(strMessage));
    if (mode == DisplayMode::TERMINAL)
        m_display.EndLive(m_device, line);
    else
        m_display.Line(line);
}
