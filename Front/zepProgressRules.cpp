// Progress-page rules: bar halves for transfer and writing when the device reports its writing
// progress, the whole bar for the transfer when it does not.
#include "zepProgressRules.h"

int ProgressPercent(uint32_t dwCurrentSize, uint32_t dwMaxSize) {
    if (dwMaxSize == 0)
        return -1;
    uint64_t scaled = uint64_t(dwCurrentSize) * 100 + dwMaxSize / 2;
    return static_cast<int>(scaled / dwMaxSize);
}

int ProgressView::FilledPercent() const {
    if (nRangeMax <= 0 || nPosition <= 0)
        return 0;
    if (nPosition >= nRangeMax)
        return 100;
    return nPosition * 100 / nRangeMax;
}

ProgressPage::ProgressPage(unsigned int firmwareCount) : m_firmwareCount(firmwareCount) {}

bool ProgressPage::Tick(const tag_devinfo& info) {
    m_view.bStopWaitsForWrite = info.bStopWaitsForWrite;
    if (info.nResult != RESULT_OK && info.nResult != RESULT_NO_UPDATE) {
        m_nResult = info.nResult;
        return true;
    }
    switch (info.UpdateState) {
    case END_UPDATE:
        m_view.nStatusId = STATUS_FINISHING;
        m_nResult = info.dwUpdatedFirmNum != 0 ? RESULT_OK : RESULT_NO_UPDATE;
        return true;
    case TRANSFER_FIRM:
        OnTransfer(info);
        break;
    case WRITING_FIRM:
        m_view.nRangeMax = 100;
        Show(ProgressPercent(info.dwCurrentSize, info.dwMaxSize) / 2 + 50, STATUS_OVERWRITING,
             info.dwFirmIdx);
        break;
    case CHECKVERSION_STATE:
        Show(0, STATUS_CHECKING_VERSION, info.dwFirmIdx);
        break;
    default:
        break;
    }
    return false;
}

void ProgressPage::OnTransfer(const tag_devinfo& info) {
    m_view.nRangeMax = 100;
    const int p = ProgressPercent(info.dwCurrentSize, info.dwMaxSize);
    if (!info.bSupportQureryUpdate && p != 100)
        Show(p, STATUS_OVERWRITING, info.dwFirmIdx);
    else if (p / 2 != 50) // the transfer's end is left as shown: writing follows
        Show(p / 2, STATUS_PREPARING, info.dwFirmIdx);
}

void ProgressPage::Show(int nPosition, int nSingleTextId, uint32_t dwFirmIdx) {
    m_view.nPosition = nPosition;
    m_view.nStatusId = m_firmwareCount == 1 ? nSingleTextId : nSingleTextId + 1;
    m_view.dwStatusNumber = dwFirmIdx;
}
