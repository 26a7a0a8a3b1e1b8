// Which source holds the address of a Windows print port, chosen from the port's monitor name
// and description. Pure: the Windows transport applies the answer to the registry or the URL.
#pragma once

#include "zepUtil.h"

#include "zepTypes.h"

struct ZepPortRecord {
    LPCSTR pPortName;
    LPCSTR pMonitorName; // null counts as empty
    LPCSTR pDescription; // null counts as empty
};

enum ZepAddrKind {
    ZEP_ADDR_NONE,     // the monitor keeps no address this program knows
    ZEP_ADDR_REGISTRY, // the monitor's registry key pKey, value pValue (then pFallbackValue)
    ZEP_ADDR_URL,      // the port name is a URL
};

struct ZepAddrSource {
    ZepAddrKind kind;
    LPCSTR pKey;
    LPCSTR pValue;
    LPCSTR pFallbackValue; // null when there is none
};

ZepAddrSource ChooseAddrSource(const ZepPortRecord& record);
