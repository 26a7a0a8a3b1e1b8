// The Windows printer-list rules on arbitrary spooler records: queues, USB ports, the package's
// names and the models the devices report, all decoded from the input. Every printer listed must
// be one of the queues or a USB port.
#include "FuzzInput.h"
#include "zepTargetList.h"

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

class ScriptedModels : public DeviceModelSource {
public:
    std::map<std::string, std::string> models; // port -> model; absent: the port cannot be read
    bool ReadModelName(const std::string&, const std::string& strPortName,
                       std::string& strModel) override {
        auto it = models.find(strPortName);
        if (it == models.end())
            return false;
        strModel = it->second;
        return true;
    }
};

// Fields end at 0x1F, records at 0x1E; a count byte says how many records a list has.
std::vector<std::string> Strings(FuzzInput& in) {
    std::vector<std::string> out;
    for (unsigned n = in.Byte() % 8; n > 0 && !in.Empty(); --n)
        out.push_back(in.Field(0x1E));
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const uint8_t flags = in.Byte();
    TargetListRules rules;
    rules.strTgmName = in.Field(0x1E);
    rules.strUsbDeviceName = in.Field(0x1E);
    rules.bHaveDeviceIdModels = (flags & 1) != 0;
    rules.driverNames = Strings(in);
    rules.deviceIdModels = Strings(in);
    std::vector<SpoolerQueue> queues;
    for (unsigned n = in.Byte() % 8; n > 0 && !in.Empty(); --n) {
        SpoolerQueue q;
        q.strPrinterName = in.Field(0x1F);
        q.strPortName = in.Field(0x1F);
        q.strDriverName = in.Field(0x1E);
        queues.push_back(q);
    }
    std::vector<std::string> usbPorts = Strings(in);
    ScriptedModels models;
    while (!in.Empty()) {
        std::string port = in.Field(0x1F);
        models.models[port] = in.Field(0x1E);
    }

    std::vector<TargetPrinter> list =
        BuildTargetList(queues, usbPorts, rules, (flags & 2) != 0 ? &models : nullptr);
    for (const TargetPrinter& t : list) {
        bool known = false;
        for (const SpoolerQueue& q : queues)
            known =
                known || (q.strPrinterName == t.strPrinterName && q.strPortName == t.strPortName);
        for (const std::string& p : usbPorts)
            known = known || p == t.strPortName;
        if (!known)
            std::abort();
    }
    return 0;
}
