// The rules of the progress page, as pure logic shared by the wizard and the console updater:
// what the status line and the bar show for each copy of the worker's record, and when and with
// which result the page ends. The status line is a string id; each program has its own texts.
#pragma once

#include "zepDevInfo.h"
#include "zepTextIds.h"

#include <cstdint>
#include <string>

// Status lines of the progress page, by string id. Each has a numbered "%d" form under id + 1,
// except STATUS_FINISHING. STATUS_CONNECTING is the page's text before the first tick.
enum StatusTextId {
    STATUS_CONNECTING = -1,
    STATUS_CHECKING_VERSION = IDS_STATUS_CHECKING,
    STATUS_PREPARING = IDS_STATUS_PREPARING,
    STATUS_OVERWRITING = IDS_STATUS_OVERWRITING,
    STATUS_FINISHING = IDS_STATUS_FINISHING,
};

// Percentage of dwCurrentSize in dwMaxSize, rounded to the nearest integer through a 64-bit
// product; -1 when dwMaxSize is 0.
int ProgressPercent(uint32_t dwCurrentSize, uint32_t dwMaxSize);

// What the page shows: a bar over 0..nRangeMax at nPosition (the bar clamps it), and a status line.
// The status line is text nStatusId, its "%d" replaced by dwStatusNumber.
struct ProgressView {
    int nRangeMax = 5;
    int nPosition = 0;
    int nStatusId = STATUS_CONNECTING;
    uint32_t dwStatusNumber = 0;
    // A stop request waits for the device to finish writing; a front-end that can be stopped
    // tells so beside the status line.
    bool bStopWaitsForWrite = false;

    bool operator==(const ProgressView& other) const {
        return nRangeMax == other.nRangeMax && nPosition == other.nPosition &&
               nStatusId == other.nStatusId && dwStatusNumber == other.dwStatusNumber &&
               bStopWaitsForWrite == other.bStopWaitsForWrite;
    }
    bool operator!=(const ProgressView& other) const { return !(*this == other); }

    // The bar's filled share in percent, 0..100.
    int FilledPercent() const;
};

class ProgressPage {
public:
    // firmwareCount: rows of the firmware list; not 1 selects the numbered status texts.
    explicit ProgressPage(unsigned int firmwareCount);

    // One timer tick with a fresh copy of the record. True when the page ends; Result() then
    // holds the page result: 1 updated, -11 nothing needed an update, else the engine's failure.
    bool Tick(const tag_devinfo& info);

    const ProgressView& View() const { return m_view; }
    ZEPRESULT Result() const { return m_nResult; }

private:
    void OnTransfer(const tag_devinfo& info);
    void Show(int nPosition, int nSingleTextId, uint32_t dwFirmIdx);

    unsigned int m_firmwareCount;
    ProgressView m_view;
    ZEPRESULT m_nResult = RESULT_OK;
};

// A status text with its one "%d" replaced by the number; the text never reaches printf.
template <class String> String FormatStatusText(String text, uint32_t dwNumber) {
    const typename String::value_type mark[] = {'%', 'd', 0};
    const typename String::size_type at = text.find(mark);
    if (at == String::npos)
        return text;
    const std::string digits = std::to_string(dwNumber);
    return text.replace(at, 2, String(digits.begin(), digits.end()));
}
