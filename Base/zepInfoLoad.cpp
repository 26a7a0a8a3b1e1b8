// zepinfo_loadfile: the macOS program's loading of ZEPINFO.txt, judged by the key the program
// was built with. Part of the maker-key library, so that a program and its tests each link the
// key they were built for.
#include "zepInfo.h"

#include "zepMakerKey.h"
#include "zepPackageLoad.h"
#include "zepTypes.h"

int zepinfo_loadfile() {
    ZepTrust trust;
    const bool bKeyBuiltIn = ZepMakerTrust(trust);
    ZepPackageLoad load;
    switch (ZepLoadPackage(bKeyBuiltIn ? &trust : nullptr, load)) {
    case ZEP_LOAD_NO_MEMORY:
        return -1;
    case ZEP_LOAD_REFUSED:
    case ZEP_LOAD_UNTRUSTED:
        return RESULT_ERR_FIRMREAD;
    case ZEP_LOAD_NO_INFO:
    case ZEP_LOAD_UNREADABLE: {
        char empty[1] = {};
        g_ZepInfo.loadData(empty, 0, ZEP_INFO_FILETYPE);
        return 0;
    }
    default:
        return 0; // an unusable package leaves the information empty, as it always did
    }
}

