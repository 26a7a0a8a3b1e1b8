// macOS update window rules. A record without a size (dwMaxSize 0) moves nothing: there is no
// share to show, and dividing by it would put infinity into the bar.
#include "zepMacProgressRules.h"

#include <algorithm>

const char* const kMacStatusKeysForWidth[5] = {"State_Connection", "State_CheckVersion_Plural",
                                               "State_PrepUpdate_Plural",
                                               "State_WriteUpdate_Plural", "State_Updated"};

namespace {

// Share in percent, at most 100; false when the record has no size.
bool Percent(const tag_devinfo& info, double& p) {
    if (info.dwMaxSize == 0)
        return false;
    p = std::min(100.0, static_cast<double>(info.dwCurrentSize) * 100.0 / info.dwMaxSize);
    return true;
}

} // namespace

void MacProgressWindow::Show(const char* pszSingle, const char* pszPlural, uint32_t dwIdx,
                             double dBar) {
    m_view.pszStatusKey = m_bPlural ? pszPlural : pszSingle;
    m_view.bNumbered = m_bPlural;
    m_view.dwNumber = dwIdx;
    m_view.dBar = std::max(0.0, std::min(100.0, dBar));
}

bool MacProgressWindow::Tick(const tag_devinfo& info) {
    if (info.nResult != RESULT_OK && info.nResult != RESULT_NO_UPDATE) {
        m_nResult = info.nResult;
        return true;
    }
    double p = 0;
    switch (info.UpdateState) {
    case END_UPDATE:
        m_nResult = info.dwUpdatedFirmNum != 0 ? RESULT_OK : RESULT_NO_UPDATE;
        return true;
    case UPDATE_ERROR:
        m_nResult = RESULT_ERR_SYSTEM;
        return true;
    case CHECKVERSION_STATE:
        Show("State_CheckVersion", "State_CheckVersion_Plural", info.dwFirmIdx, 0);
        break;
    case TRANSFER_FIRM:
        if (!Percent(info, p))
            break;
        if (!info.bSupportQureryUpdate) {
            if (p < 100)
                Show("State_WriteUpdate", "State_WriteUpdate_Plural", info.dwFirmIdx, p);
        } else if (p / 2 < 50) {
            Show("State_PrepUpdate", "State_PrepUpdate_Plural", info.dwFirmIdx, p / 2);
        }
        break;
    case WRITING_FIRM:
        Percent(info, p);
        Show("State_WriteUpdate", "State_WriteUpdate_Plural", info.dwFirmIdx, p / 2 + 50);
        break;
    case END_FIRM_UPDATE:
        Show("State_Updated", "State_Updated", info.dwFirmIdx, 100);
        m_view.bNumbered = false;
        break;
    default:
        break;
    }
    return false;
}

MacResultAlert MacResultAlertFor(ZEPRESULT nResult, yesno_type needExit) {
    const bool bAuto = needExit == DEF_NO_VALUE;
    switch (nResult) {
    case RESULT_OK:
        return {"NormalEndTitle", bAuto ? "NormalEnd_AutoMes" : "NormalEnd_ManualMes", false};
    case RESULT_NO_UPDATE:
        return {"NoUpdateEndTitle", bAuto ? "NoUpdateEnd_AutoMes" : "NoUpdateEnd_ManualMes", false};
    case RESULT_ERR_WRITE:
        return {"Error_DeviceErrorTitle", "Error_DeviceErrorMes", true};
    case RESULT_ERR_CHECKSUM:
        return {"Error_ConnectErrorTitle", "Error_ConnectErrorMes", true};
    case RESULT_ERR_BUSY:
        return {"Error_DeviceBusyTitle", "Error_DeviceBusyMes", true};
    case RESULT_ERR_FAX:
        return {"Error_FaxTitle", "Error_FaxMes", true};
    case RESULT_ERR_CONNECT:
        return {"Error_PoweredOffTitle", "Error_PoweredOffMes", true};
    case RESULT_ERR_MODEL:
        return {"Error_ModelMismatchTitle", "Error_ModelMismatchMes", true};
    case RESULT_ERR_FIRMREAD:
        return {"Error_FirmReadTitle", "Error_FirmReadMes", true};
    case RESULT_ERR_SYSTEM:
        return {"Error_SystemTitle", "Error_SystemMes", true};
    case RESULT_ERR_COMPATIBLE:
        return {"Error_CompatibleTitle", "Error_CompatibleMes", true};
    default:
        return {"Error_OtherTitle", "Error_OtherMes", true};
    }
}
