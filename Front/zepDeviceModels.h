// The target list's look-ups through the connection manager: the model a device on a port
// reports, and the spooler's USB port names.
#pragma once

#include "zepTargetList.h"

class DevConnMgr;

class DevConnModelSource : public DeviceModelSource {
public:
    explicit DevConnModelSource(DevConnMgr* pMgr) : m_pMgr(pMgr) {}
    bool ReadModelName(const std::string& strPrinterName, const std::string& strPortName,
                       std::string& strModel) override;

private:
    DevConnMgr* m_pMgr;
};

// The USB ports known to the spooler, in its order; empty when there are none.
std::vector<std::string> UsbPortNames(DevConnMgr* pMgr);
