// The rules of the Windows progress page, as pure logic: what the status line and the progress
// bar show for each copy of the worker's record, and when and with which result the page ends.
#pragma once

#include "zepDevInfo.h"

#include <cstdint>
#include <string>

// Percentage of dwCurrentSize in dwMaxSize, rounded to the nearest integer through a 64-bit
// product; -1 when dwMaxSize is 0.
int ProgressPercent(uint32_t dwCurrentSize, uint32_t dwMaxSize);

// What the page shows: a bar over 0..nRangeMax at nPosition (the bar clamps it), and a status line.
struct ProgressView {
    int nRangeMax = 5;
    int nPosition = 0;
    std::string strStatus;

    bool operator==(const ProgressView& other) const {
        return nRangeMax == other.nRangeMax && nPosition == other.nPosition &&
               strStatus == other.strStatus;
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
