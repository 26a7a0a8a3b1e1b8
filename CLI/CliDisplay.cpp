// Progress output in the three modes. The terminal line is rewritten in place with a carriage
// return and padded so that a shorter text leaves nothing of the longer one behind.
#include "CliDisplay.h"

#include "CliFleetDisplay.h"
#include "CliJson.h"
#include "CliTexts.h"

#include <chrono>
#include <cstring>

ProgressDisplay::ProgressDisplay(std::ostream& out, std::ostream& err, DisplayMode mode)
    : m_out(out), m_err(err), m_mode(mode) {}

std::string ProgressDisplay::BarLine(const ProgressView& view) {
    const int percent = view.FilledPercent();
    const int cells = percent * kBarWidth / 100;
    std::string line = "[" + std::string(cells, '#') + std::string(kBarWidth - cells, '.') + "] ";
    std::string number = std::to_string(percent) + "%";
    line += std::string(4 - number.size(), ' ') + number + "  " + StatusText(view);
    return line;
}

bool ProgressDisplay::SameRecord(const tag_devinfo& a, const tag_devinfo& b) {
    return a.UpdateState == b.UpdateState && a.dwCurrentSize == b.dwCurrentSize &&
           a.dwMaxSize == b.dwMaxSize && a.nResult == b.nResult && a.dwFirmIdx == b.dwFirmIdx &&
           a.dwUpdatedFirmNum == b.dwUpdatedFirmNum &&
           a.bSupportQureryUpdate == b.bSupportQureryUpdate &&
           a.bStopWaitsForWrite == b.bStopWaitsForWrite &&
           a.dwUnconfirmedFirmNum == b.dwUnconfirmedFirmNum &&
           std::memcmp(a.FileName, b.FileName, sizeof a.FileName) == 0;
}

void ProgressDisplay::Update(const tag_devinfo& info, const ProgressView& view) {
    if (m_mode == DisplayMode::JSON) {
        if (!m_bShown || !SameRecord(info, m_lastInfo))
            m_out << JsonProgress(info, view) << '\n' << std::flush;
    } else if (!m_bShown || view != m_lastView) {
        if (m_mode == DisplayMode::LINES) {
            m_out << StatusText(view) << ' ' << view.FilledPercent() << "%\n" << std::flush;
        } else {
            std::string line = BarLine(view) + m_rate.Text(info);
            size_t length = line.size();
            if (length < m_barLength)
                line += std::string(m_barLength - length, ' ');
            m_out << '\r' << line << std::flush;
            m_barLength = length;
        }
    }
    m_bShown = true;
    m_lastView = view;
    m_lastInfo = info;
}

void ProgressDisplay::EndBarLine() {
    if (m_barLength != 0) {
        m_out << '\n' << std::flush;
        m_barLength = 0;
        m_bShown = false; // redraw the bar below the text that interrupted it
    }
}

void ProgressDisplay::Notice(const std::string& text) {
    EndBarLine();
    m_err << text << '\n' << std::flush;
}

void ProgressDisplay::Final(ZEPRESULT nResult, uint32_t dwUpdatedFirmNum, bool bStopped,
                            const std::string& strCaption, const std::string& strMessage,
                            uint32_t dwUnconfirmedFirmNum) {
    if (m_mode == DisplayMode::JSON) {
        std::string object =
            JsonFinal(nResult, dwUpdatedFirmNum, bStopped, strMessage, dwUnconfirmedFirmNum);
        if (!m_strPackage.empty())
            object.insert(object.size() - 1, "," + m_strPackage);
        m_out << object << '\n' << std::flush;
        return;
    }
    EndBarLine();
    m_out << strCaption << ": " << strMessage << '\n' << std::flush;
}

std::string TransferRate::Text(const tag_devinfo& info) {
    if (info.UpdateState != TRANSFER_FIRM)
        return std::string();
    const unsigned long long now =
        static_cast<unsigned long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                            std::chrono::steady_clock::now().time_since_epoch())
                                            .count());
    if (info.dwFirmIdx != m_image || info.dwCurrentSize < m_startBytes) {
        m_image = info.dwFirmIdx;
        m_startBytes = info.dwCurrentSize;
        m_startMs = now;
    }
    return RateText(info.dwCurrentSize - m_startBytes, info.dwMaxSize - m_startBytes,
                    now - m_startMs);
}
