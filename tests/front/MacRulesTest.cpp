// The macOS program's list, progress and result rules, with scripted look-ups in place of the
// printing system, the driver folders and the connection manager.
#include "zepMacProgressRules.h"
#include "zepMacTargetList.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

namespace {

class FakeModels : public DeviceModelSource {
public:
    std::map<std::string, std::string> models; // URI -> model; absent: cannot be opened
    std::vector<std::string> asked;

    bool ReadModelName(const std::string&, const std::string& uri, std::string& model) override {
        asked.push_back(uri);
        auto it = models.find(uri);
        if (it == models.end())
            return false;
        model = it->second;
        return true;
    }
};

TargetListRules Rules() {
    TargetListRules rules;
    rules.driverNames = {"Torvi AB1234"};
    rules.strTgmName = "AB1234";
    rules.strUsbDeviceName = "USB Printer";
    return rules;
}

MacTargetLookups Lookups(std::map<std::string, std::string> folders = {}) {
    MacTargetLookups lookups;
    lookups.queueAddress = [folders](const std::string& id, std::string& uri) {
        auto it = folders.find(id);
        if (it == folders.end())
            return false;
        uri = it->second;
        return true;
    };
    lookups.uriKind = [](const std::string& uri) {
        if (uri.find("usb://") != std::string::npos)
            return MAC_URI_USB;
        if (uri.find("lpd://") != std::string::npos || uri.find("net:") != std::string::npos)
            return MAC_URI_TCPIP;
        return MAC_URI_UNUSABLE;
    };
    return lookups;
}

std::string Names(const MacTargetList& list) {
    std::string out;
    for (const MacTarget& row : list.rows)
        out += row.strName + "@" + row.strUri + ";";
    return out;
}

} // namespace

TEST(MacTargetList, QueuesByMakeAndModelPrefixOverTcpAndUsbOnly) {
    FakeModels models;
    models.models["usb://Torvi/AB1234?serial=7"] = "AB1234";
    const std::vector<MacPrintQueue> queues = {
        {"Prefix", "p", "", "lpd://10.0.0.5/", "Torvi AB1234 PS v2"},
        {"Other driver", "o", "", "lpd://10.0.0.6/", "Torvi AB12"},
        {"No model", "n", "", "lpd://10.0.0.7/", ""},
        {"No URI", "u", "", "", "Torvi AB1234"},
        {"Bonjour", "b", "", "mdns://x", "Torvi AB1234"},
        {"Usb", "s", "", "usb://Torvi/AB1234?serial=7", "Torvi AB1234"},
    };
    const MacTargetList list = BuildMacTargetList(queues, {}, Rules(), &models, Lookups(), "");
    EXPECT_EQ("Prefix@lpd://10.0.0.5/;Usb@usb://Torvi/AB1234?serial=7;", Names(list));
}

TEST(MacTargetList, OneRowPerDeviceKeyComparedWhole) {
    FakeModels models;
    for (const char* uri : {"usb://Torvi/AB1234?serial=1", "usb://Torvi/AB1234%20X?serial=1",
                            "usb://Torvi/AB1234?serial=12", "usb://Torvi/AB1234"})
        models.models[uri] = "AB1234";
    const std::vector<MacPrintQueue> queues = {
        {"Net", "a", "", "lpd://10.0.0.1/", "Torvi AB1234"},
        {"Net again", "b", "", "lpd://10.0.0.1/", "Torvi AB1234"},
        {"Usb", "c", "", "usb://Torvi/AB1234?serial=1", "Torvi AB1234"},
        {"Same serial", "d", "", "usb://Torvi/AB1234%20X?serial=1", "Torvi AB1234"},
        {"No serial", "e", "", "usb://Torvi/AB1234", "Torvi AB1234"},
    };
    const std::vector<std::string> ports = {"usb://Torvi/AB1234?serial=1",
                                            "usb://Torvi/AB1234?serial=12"};
    const MacTargetList list = BuildMacTargetList(queues, ports, Rules(), &models, Lookups(), "");
    EXPECT_EQ("Net@lpd://10.0.0.1/;Usb@usb://Torvi/AB1234?serial=1;"
              "USB Printer@usb://Torvi/AB1234?serial=12;",
              Names(list));
}

TEST(MacTargetList, QzrkQueuesTakeTheAddressOfTheDriverFolders) {
    const std::vector<MacPrintQueue> queues = {
        {"Known", "Known_id", "", "qzrk://local/1", "Torvi AB1234"},
        {"Unknown", "Unknown_id", "", "qzrk://local/2", "Torvi AB1234"},
    };
    const MacTargetList list = BuildMacTargetList(queues, {}, Rules(), nullptr,
                                                  Lookups({{"Known_id", "net:10.1.2.3"}}), "");
    EXPECT_EQ("Known@net:10.1.2.3;", Names(list));
}

TEST(MacTargetList, UsbModelChecks) {
    struct Case {
        const char* model;
        std::vector<std::string> idModels;
        bool offered;
    } cases[] = {
        {"AB1234", {}, true},
        {"AB1234 Pro", {}, true},
        {"ab1234", {}, false},
        {"AB12", {}, false},
        {"", {}, false},
        {"AB-1234", {"AB-1234"}, true},
        {"AB1234", {"AB-1234"}, false},
        {"AB-1234 X", {"AB-1234"}, false},
    };
    for (const Case& c : cases) {
        FakeModels models;
        models.models["usb://Torvi/AB1234?serial=9"] = c.model;
        TargetListRules rules = Rules();
        rules.deviceIdModels = c.idModels;
        const MacTargetList list =
            BuildMacTargetList({}, {"usb://Torvi/AB1234?serial=9"}, rules, &models, Lookups(), "");
        EXPECT_EQ(c.offered, list.rows.size() == 1) << c.model;
        if (c.offered) {
            EXPECT_EQ(c.model, list.rows[0].strModel);
        }
    }
    TargetListRules noTgm = Rules();
    noTgm.strTgmName.clear();
    EXPECT_FALSE(MacModelMatches("AB1234", noTgm)) << "no model name in the package: none is ours";
}

TEST(MacTargetList, RememberedUriSelectsItsRowAgain) {
    const std::vector<MacPrintQueue> queues = {
        {"New", "n", "", "lpd://10.0.0.9/", "Torvi AB1234"},
        {"Chosen", "c", "", "lpd://10.0.0.5/", "Torvi AB1234"},
    };
    EXPECT_EQ(1, BuildMacTargetList(queues, {}, Rules(), nullptr, Lookups(), "lpd://10.0.0.5/")
                     .nSelectedRow);
    EXPECT_EQ(
        -1,
        BuildMacTargetList(queues, {}, Rules(), nullptr, Lookups(), "lpd://gone/").nSelectedRow);
}

namespace {

tag_devinfo Record(update_state state, uint32_t cur = 0, uint32_t max = 0, uint32_t idx = 1,
                   bool query = false) {
    tag_devinfo info;
    info.UpdateState = state;
    info.dwCurrentSize = cur;
    info.dwMaxSize = max;
    info.dwFirmIdx = idx;
    info.bSupportQureryUpdate = query;
    return info;
}

} // namespace

TEST(MacProgress, StatusAndBarPerRecord) {
    struct Case {
        unsigned firmware;
        tag_devinfo info;
        const char* key;
        bool numbered;
        double bar;
    } cases[] = {
        {1, Record(CHECKVERSION_STATE), "State_CheckVersion", false, 0},
        {2, Record(CHECKVERSION_STATE, 0, 0, 2), "State_CheckVersion_Plural", true, 0},
        {1, Record(TRANSFER_FIRM, 30, 120), "State_WriteUpdate", false, 25},
        {1, Record(TRANSFER_FIRM, 120, 120), "State_Connection", false, 0}, // unchanged
        {1, Record(TRANSFER_FIRM, 50, 0), "State_Connection", false, 0},    // no size: unchanged
        {2, Record(TRANSFER_FIRM, 60, 120, 2, true), "State_PrepUpdate_Plural", true, 25},
        {1, Record(WRITING_FIRM, 1, 2), "State_WriteUpdate", false, 75},
        {1, Record(WRITING_FIRM, 9, 0), "State_WriteUpdate", false, 50},
        {2, Record(END_FIRM_UPDATE, 0, 0, 2), "State_Updated", false, 100},
    };
    for (const Case& c : cases) {
        MacProgressWindow window(c.firmware);
        EXPECT_FALSE(window.Tick(c.info));
        EXPECT_STREQ(c.key, window.View().pszStatusKey);
        EXPECT_EQ(c.numbered, window.View().bNumbered) << c.key;
        EXPECT_DOUBLE_EQ(c.bar, window.View().dBar) << c.key;
        if (c.numbered) {
            EXPECT_EQ(c.info.dwFirmIdx, window.View().dwNumber);
        }
    }
}

TEST(MacProgress, EndCodes) {
    struct Case {
        tag_devinfo info;
        ZEPRESULT result;
    } cases[] = {
        {Record(END_UPDATE), RESULT_NO_UPDATE},
        {Record(UPDATE_ERROR), RESULT_ERR_SYSTEM},
        {Record(TRANSFER_FIRM), RESULT_ERR_BUSY},
    };
    cases[0].info.dwUpdatedFirmNum = 0;
    cases[2].info.nResult = RESULT_ERR_BUSY;
    for (const Case& c : cases) {
        MacProgressWindow window(1);
        EXPECT_TRUE(window.Tick(c.info));
        EXPECT_EQ(c.result, window.Result());
    }
    tag_devinfo updated = Record(END_UPDATE);
    updated.dwUpdatedFirmNum = 2;
    MacProgressWindow window(2);
    EXPECT_TRUE(window.Tick(updated));
    EXPECT_EQ(RESULT_OK, window.Result());
}

TEST(MacResultAlert, KeysPerCode) {
    struct Case {
        ZEPRESULT code;
        yesno_type needExit;
        const char* title;
        const char* message;
        bool critical;
    } cases[] = {
        {RESULT_OK, DEF_NO_VALUE, "NormalEndTitle", "NormalEnd_AutoMes", false},
        {RESULT_OK, DEF_BOTH_VALUE, "NormalEndTitle", "NormalEnd_ManualMes", false},
        {RESULT_NO_UPDATE, DEF_YES_VALUE, "NoUpdateEndTitle", "NoUpdateEnd_ManualMes", false},
        {RESULT_ERR_MODEL, DEF_NO_VALUE, "Error_ModelMismatchTitle", "Error_ModelMismatchMes",
         true},
        {RESULT_ERR_CONNECT, DEF_NO_VALUE, "Error_PoweredOffTitle", "Error_PoweredOffMes", true},
        {RESULT_ERR_COMPATIBLE, DEF_NO_VALUE, "Error_CompatibleTitle", "Error_CompatibleMes", true},
        {RESULT_ERR_DEVICE, DEF_NO_VALUE, "Error_OtherTitle", "Error_OtherMes", true},
    };
    for (const Case& c : cases) {
        const MacResultAlert alert = MacResultAlertFor(c.code, c.needExit);
        EXPECT_STREQ(c.title, alert.pszTitleKey);
        EXPECT_STREQ(c.message, alert.pszMessageKey);
        EXPECT_EQ(c.critical, alert.bCritical);
    }
}
