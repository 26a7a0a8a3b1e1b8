// Entry of the Windows program: one copy at a time, the interface language, the bound package
// and its ZEPINFO.txt, the operating-system gate, then the wizard.
#include "WinStartup.h"
#include "WinText.h"
#include "Wizard.h"
#include "resource.h"
#include "zepBindInfo.h"
#include "zepDllSearch.h"
#include "zepInfo.h"
#include "zepMakerKey.h"
#include "zepPackageLoad.h"
#include "zepPlatformGate.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>

namespace {

void ShowCritical(UINT uTextId) {
    ShowMessage(nullptr, uTextId, IDS_CAPTION_CRITICAL, MB_OK | MB_ICONERROR);
}

// Steps 6 to 12 of start-up; the caller closes the package and the mutex whatever happens.
void RunWithPackage(HINSTANCE hInstance) {
    ZepTrust trust;
    const bool bKeyBuiltIn = ZepMakerTrust(trust);
    ZepPackageLoad load;
    switch (ZepLoadPackage(bKeyBuiltIn ? &trust : nullptr, load)) {
    case ZEP_LOAD_OK:
        break;
    case ZEP_LOAD_NO_PACKAGE:
        return; // no package, a wrong trailer or fewer than two files: nothing to offer
    case ZEP_LOAD_NO_MEMORY:
        ShowCritical(IDS_RESULT_SYSTEM);
        return;
    case ZEP_LOAD_REFUSED:   // a package the reader refused (one grafted into the signature)
    case ZEP_LOAD_UNTRUSTED: // or not signed by the maker's key: the damaged-package message
        ShowCritical(IDS_RESULT_FIRMREAD);
        return;
    default:
        break; // an unreadable ZEPINFO.txt leaves the information empty, as it always did
    }
    if (CheckPlatformVersion() == PLATFORM_REFUSED) {
        ShowCritical(IDS_UNSUPPORTED_SYSTEM);
        return;
    }
    RunWizard(hInstance);
}

} // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    ZepLoadSystemLibrariesOnly();
    SetUILanguage();
    char szMutex[32] = {};
    std::snprintf(szMutex, sizeof szMutex, "%s",
                  IsGlobalNamespace() ? "Global\\HalvardMutex" : "HalvardMutex");
    HANDLE hMutex = CreateMutexA(nullptr, TRUE, szMutex);
    if (hMutex == nullptr || GetLastError() == ERROR_ALREADY_EXISTS) {
        if (hMutex != nullptr)
            CloseHandle(hMutex);
        return 0;
    }
    INITCOMMONCONTROLSEX controls = {sizeof controls, 0x8FF};
    InitCommonControlsEx(&controls);

    RunWithPackage(hInstance);

    if (zepBindInfo* pBind = zepBindInfo::Instance())
        pBind->CloseZepFile();
    CloseHandle(hMutex);
    return 0;
}
