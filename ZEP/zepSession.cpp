// One device session: the order of its steps, written once for every program.
#include "zepSession.h"

#include "zepInfo.h"
#include "zepProtocol.h"

zepSession::~zepSession() {
    try {
        Leave();
    } catch (...) {
        // A destructor must not throw; the device leaves download mode on its own EXITTIME.
    }
}

ZEPRESULT zepSession::Enter(char* pszPrinterName, char* pszPortName, unsigned short wPortNo) {
    const ZEPRESULT code = m_protocol.EnterDownLoadMode(pszPrinterName, pszPortName, wPortNo, false);
    m_bEntered = code == RESULT_OK;
    return code;
}

ZEPRESULT zepSession::ReadDevice() {
    const ZEPRESULT code = m_protocol.GetFileData("TargetInfo.txt");
    if (code != RESULT_OK)
        return code;
    return g_ZepInfo.getTgmName(m_strModel) ? RESULT_OK : RESULT_ERR_SYSTEM;
}

std::string zepSession::DeviceVersion(const std::string& strType) const {
    std::string strVersion;
    m_protocol.TargetInfo().findTargetInfoVersion(strType, strVersion);
    return strVersion;
}

void zepSession::Leave() {
    if (!m_bEntered)
        return;
    m_bEntered = false;
    m_protocol.ExitDownLoadMode();
}

bool zepSession::ImageAt(unsigned int index, zepImageRow& row) {
    row = zepImageRow();
    return g_ZepInfo.getVersion(index, row.strType, row.strVersion, row.strFile, row.strBinFile,
                                row.strCompatible, row.strHeader);
}
