// Which queues and USB ports the wizard offers, with a scripted model look-up in place of the
// connection manager.
#include "zepTargetList.h"
#include "zepUtil.h"

#include <gtest/gtest.h>

#include <map>

namespace {

class FakeModels : public DeviceModelSource {
public:
    std::map<std::string, std::string> models; // port -> model; absent: cannot be opened
    std::vector<std::string> asked;

    bool ReadModelName(const std::string&, const std::string& port, std::string& model) override {
        asked.push_back(port);
        auto it = models.find(port);
        if (it == models.end())
            return false;
        model = it->second;
        return !model.empty();
    }
};

TargetListRules Rules(const std::string& tgm, const std::vector<std::string>* idModels = nullptr) {
    TargetListRules rules;
    rules.driverNames = {"Torvi AB PCL", "Torvi AB PS"};
    rules.strTgmName = tgm;
    rules.bHaveDeviceIdModels = idModels != nullptr;
    if (idModels != nullptr)
        rules.deviceIdModels = *idModels;
    rules.strUsbDeviceName = "(USB connected device)";
    return rules;
}

std::string Rows(const std::vector<TargetPrinter>& list) {
    std::string out;
    for (const TargetPrinter& row : list)
        out += row.strPrinterName + "@" + row.strPortName + ";";
    return out;
}

} // namespace

TEST(TargetList, QueuesByExactDriverWithoutRedirectedOrSharedPorts) {
    const std::vector<SpoolerQueue> queues = {
        {"Office", "IP_10.0.0.5", "Torvi AB PCL"},
        {"Other driver", "IP_10.0.0.6", "Torvi AB PCL6"},
        {"Case differs", "IP_10.0.0.7", "torvi ab pcl"},
        {"Remote", "TS001", "Torvi AB PCL"},
        {"Remote bare", "ts", "Torvi AB PCL"},
        {"Shared", "\\\\server\\queue", "Torvi AB PS"},
        {"Same port", "ip_10.0.0.5", "Torvi AB PS"},
        {"Not remote", "TSX01", "Torvi AB PS"},
        {"Not USB", "USB01", "Torvi AB PCL"},
        {"Not USB either", "USBPRN1", "Torvi AB PS"},
    };
    FakeModels models;
    EXPECT_EQ("Office@IP_10.0.0.5;Not remote@TSX01;Not USB@USB01;Not USB either@USBPRN1;",
              Rows(BuildTargetList(queues, {}, Rules("AB"), &models)));
    EXPECT_TRUE(models.asked.empty()) << "no device is opened for a network queue";
    TargetListRules noDrivers = Rules("AB");
    noDrivers.driverNames.clear();
    EXPECT_EQ("", Rows(BuildTargetList(queues, {}, noDrivers, &models)));
}

// Port names that are USB ports on both platforms' rules.
TEST(TargetList, UsbQueuesAndPortsCheckTheDevicesModel) {
    FakeModels models;
    models.models = {
        {"usb001", "XYZ 123 (ABC)"}, {"usb002", "xyz(2)"}, {"usb003", "Other"}, {"usb005", ""}};
    const std::vector<SpoolerQueue> queues = {
        {"Q1", "usb001", "Torvi AB PCL"},
        {"Q1 again", "usb001", "Torvi AB PCL"},
        {"Q3", "usb003", "Torvi AB PCL"},
        {"Q4", "usb004", "Torvi AB PCL"}, // cannot be opened
    };
    const std::vector<std::string> ports = {"usb001", "usb002", "usb003", "usb004", "usb005"};
    struct Case {
        std::string tgm;
        std::string expected;
    } cases[] = {
        // Queues compare with regard to case, bare ports without.
        {"XYZ", "Q1@usb001;(USB connected device)@usb002;"},
        {"xyz", "(USB connected device)@usb001;(USB connected device)@usb002;"},
        {"", ""}, // absent TGMNAME: only a model cut to nothing would match
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, Rows(BuildTargetList(queues, ports, Rules(c.tgm), &models))) << c.tgm;

    const std::vector<std::string> idModels = {"XYZ 123 (ABC)", "OTHER"};
    EXPECT_EQ("Q1@usb001;(USB connected device)@usb003;",
              Rows(BuildTargetList(queues, ports, Rules("nothing", &idModels), &models)));
}

TEST(TargetList, WithoutAConnectionManagerOnlyNetworkQueues) {
    const std::vector<SpoolerQueue> queues = {{"Q1", "usb001", "Torvi AB PCL"},
                                              {"Net", "IP_1.2.3.4", "Torvi AB PS"}};
    EXPECT_EQ("Net@IP_1.2.3.4;", Rows(BuildTargetList(queues, {"usb001"}, Rules("XYZ"), nullptr)));
}

TEST(TargetList, RedirectedPortTest) {
    for (const char* yes : {"TS", "ts0", "Ts12", "TS123", "TS1234"})
        EXPECT_TRUE(IsRedirectedPort(yes)) << yes;
    for (const char* no : {"T", "TSx", "TS1x", "XTS1", "", "USB001"})
        EXPECT_FALSE(IsRedirectedPort(no)) << no;
    EXPECT_FALSE(IsRedirectedPort(nullptr));
}
