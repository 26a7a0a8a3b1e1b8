// The devices the wizards offer: local print queues whose driver is one the package names, then
// USB ports without such a queue whose device reports a matching model. Pure rules over the
// spooler's records and a model look-up, so that the wizard, the console updater's device list
// and the tests apply the same ones.
#pragma once

#include <string>
#include <vector>

struct TargetPrinter {
    std::string strPrinterName;
    std::string strPortName;
};

// One print queue as the spooler lists it (level 2); a missing name is the empty string.
struct SpoolerQueue {
    std::string strPrinterName;
    std::string strPortName;
    std::string strDriverName;
};

// Reads the model a device on a port reports (connect, device ID, disconnect).
class DeviceModelSource {
public:
    virtual ~DeviceModelSource() = default;
    // False, or an empty model, when the port cannot be opened or reports none.
    virtual bool ReadModelName(const std::string& strPrinterName, const std::string& strPortName,
                               std::string& strModel) = 0;
};

struct TargetListRules {
    std::vector<std::string> driverNames; // DRIVERNAME
    std::string strTgmName;               // TGMNAME, empty when absent
    bool bHaveDeviceIdModels = false;     // DEVICEIDMODELNAME could be read
    std::vector<std::string> deviceIdModels;
    std::string strUsbDeviceName; // printer name of a USB port without queue (string 119)
};

// The whole list: queues in spooler order, then USB ports in port order. models null means no
// connection manager: USB queues are left out and no USB port is listed.
std::vector<TargetPrinter> BuildTargetList(const std::vector<SpoolerQueue>& queues,
                                           const std::vector<std::string>& usbPorts,
                                           const TargetListRules& rules, DeviceModelSource* models);
