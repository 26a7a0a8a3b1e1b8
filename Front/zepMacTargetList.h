// The devices the macOS program offers: print queues whose make-and-model name begins with one
// of the package's driver names and whose device is reached over TCP/IP or USB, one row per
// device, then USB printers without such a queue. Pure rules over the queue records, the USB
// port list and look-ups handed in, shared by the window and the console updater's device list.
#pragma once

#include "zepTargetList.h"

#include <functional>
#include <string>
#include <vector>

// One local print queue as the printing system lists it; missing values are empty.
struct MacPrintQueue {
    std::string strName;
    std::string strId;
    std::string strLocation;
    std::string strDeviceUri;
    std::string strMakeModel;
};

// One offered device: a queue (with its identifier) or a bare USB port (no identifier).
struct MacTarget {
    std::string strName;
    std::string strId;
    std::string strLocation;
    std::string strUri;
    std::string strModel;
};

// The connection kinds a URI may have as far as the list cares.
enum MacUriKind {
    MAC_URI_UNUSABLE = 0,
    MAC_URI_TCPIP = 1,
    MAC_URI_USB = 2,
};

struct MacTargetLookups {
    // The device address of a "qzrk" queue from the maker's driver folders, by queue id.
    std::function<bool(const std::string& strQueueId, std::string& strUri)> queueAddress;
    // What kind of connection a device URI names.
    std::function<MacUriKind(const std::string& strUri)> uriKind;
};

struct MacTargetList {
    std::vector<MacTarget> rows;
    int nSelectedRow = -1; // the row whose URI is the remembered one, or -1
};

// The device key that tells two rows apart: the text after "serial=" of a USB URI (empty when
// it has none), the whole URI otherwise.
std::string MacDeviceKey(const std::string& strUri, MacUriKind kind);

// Whether a model a USB device reports is the package's: exact membership in the device-ID
// model list when it has entries (whether or not the key could be read), else beginning with
// TGMNAME. Empty models never match.
bool MacModelMatches(const std::string& strModel, const TargetListRules& rules);

// models null: no USB device can be asked, so none is offered.
MacTargetList BuildMacTargetList(const std::vector<MacPrintQueue>& queues,
                                 const std::vector<std::string>& usbPorts,
                                 const TargetListRules& rules, DeviceModelSource* models,
                                 const MacTargetLookups& lookups,
                                 const std::string& strRememberedUri);
