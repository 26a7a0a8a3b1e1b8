// Each look-up opens the port, asks once and closes it again before the next port is tried.
#include "zepDeviceModels.h"

#include "DevConnMgr.h"

bool DevConnModelSource::ReadModelName(const std::string& strPrinterName,
                                       const std::string& strPortName, std::string& strModel) {
    strModel.clear();
    HANDLE hDevice = nullptr;
    const char* pszPrinter = strPrinterName.empty() ? nullptr : strPrinterName.c_str();
    if (m_pMgr->Connect(pszPrinter, strPortName.c_str(), FALSE, 0, &hDevice) != DEVCONN_OK)
        return false;
    LPSTR pszModel = nullptr;
    DWORD dwSize = 0;
    const bool bRead = m_pMgr->GetModelName(hDevice, &pszModel, &dwSize) == DEVCONN_OK;
    if (bRead && pszModel != nullptr)
        strModel = pszModel;
    if (pszModel != nullptr)
        m_pMgr->DisposeData(hDevice, pszModel);
    m_pMgr->Disconnect(hDevice);
    return bRead && !strModel.empty();
}

std::vector<std::string> UsbPortNames(DevConnMgr* pMgr) {
    std::vector<std::string> names;
    _PORT_INFO_1A* pPorts = nullptr;
    const int nPorts = pMgr->EnumUsbPort(&pPorts);
    for (int i = 0; i < nPorts && pPorts != nullptr; ++i)
        names.push_back(DevConnPortName(pPorts, i) != nullptr ? DevConnPortName(pPorts, i) : "");
    if (pPorts != nullptr)
        pMgr->FreeUsbPort(pPorts);
    return names;
}
