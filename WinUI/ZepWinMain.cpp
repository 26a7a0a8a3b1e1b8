// Entry of the Windows program: one copy at a time, the interface language, the bound package
// and its ZEPINFO.txt, the operating-system gate, then the wizard.
#include "WinStartup.h"
#include "WinText.h"
#include "Wizard.h"
#include "resource.h"
#include "zepBindInfo.h"
#include "zepDllSearch.h"
#include "zepInfo.h"
#include "zepPlatformGate.h"
#include "zepUtil.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>

namespace {

void ShowCritical(UINT uTextId) {
    ShowMessage(nullptr, uTextId, IDS_CAPTION_CRITICAL, MB_OK | MB_ICONERROR);
}

// Steps 6 to 12 of start-up; the caller closes the package and the mutex whatever happens.
void RunWithPackage(HINSTANCE hInstance) {
    zepBindInfo* pBind = zepBindInfo::Instance();
    if (pBind == nullptr) {
        ShowCritical(IDS_RESULT_SYSTEM);
        return;
    }
    // A package the reader refused (one grafted into the signature, say) is no mere absence:
    // the user learns that this copy cannot be used.
    if (!pBind->RefusalReason().empty()) {
        ShowCritical(IDS_RESULT_FIRMREAD);
        return;
    }
    if (!pBind->IsBindZepFile())
        return; // no package, a wrong trailer or fewer than two files: nothing to offer
    unsigned long dwSize = 0;
    pBind->getBindFileSize("ZEPINFO.txt", dwSize);
    unsigned char* pBuffer = static_cast<unsigned char*>(AllocMem(dwSize != 0 ? dwSize : 1));
    if (pBuffer == nullptr) {
        ShowCritical(IDS_RESULT_SYSTEM);
        return;
    }
    unsigned long dwRead = dwSize;
    if (dwSize != 0 && pBind->getBindFileData("ZEPINFO.txt", 0, pBuffer, dwRead))
        g_ZepInfo.loadData(reinterpret_cast<char*>(pBuffer), dwRead, ZEP_INFO_FILETYPE);
    FreeMem(pBuffer);
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
