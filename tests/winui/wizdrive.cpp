// zepwizdrive: walks the wizard for scripts and saves what each step shows as BMP files.
//   zepwizdrive tour PROGRAM OUTDIR     every page and the confirmations, then cancels
//   zepwizdrive update PROGRAM OUTDIR   an update by address 127.0.0.1: the progress page during
//                                       the transfer and the result message; exit 0 when the
//                                       message says the update is complete
//   zepwizdrive refused PROGRAM OUTDIR  a program that ends at start-up with a message instead
//                                       of its first page: prints the message, exit 0 when so
//   zepwizdrive pages PROGRAM OUTDIR LANGID
//                                       the five page templates of one language (hex id, e.g.
//                                       0412), with their run-time texts, without running it
#include "WizardDriver.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool g_bOk = true;

HWND Need(HWND hWnd, const char* what) {
    if (hWnd == nullptr) {
        std::fprintf(stderr, "zepwizdrive: no %s\n", what);
        g_bOk = false;
    }
    return hWnd;
}

void Shot(HWND hWnd, const std::string& dir, const char* name) {
    Sleep(400); // let the page paint (the animation draws after a few hundred ms)
    if (hWnd == nullptr || !CaptureWindow(hWnd, dir + "\\" + name + ".bmp")) {
        std::fprintf(stderr, "zepwizdrive: cannot capture %s\n", name);
        g_bOk = false;
    }
}

int Tour(WizardProcess& wizard, const std::string& dir) {
    SpoolerQueueKey queue("Halvard Office", "IP_127.0.0.1", "Halvard HV-2000 PCL6");
    HWND hPage = Need(wizard.WaitPage(PAGE_OPENING), "opening page");
    Shot(hPage, dir, "1-opening");
    Click(hPage, 1005);
    hPage = Need(wizard.WaitPage(PAGE_PREPARE), "preparation page");
    Shot(hPage, dir, "2-preparation");
    Click(hPage, 1005);
    hPage = Need(wizard.WaitPage(PAGE_SELECT), "device selection page");
    Shot(hPage, dir, "3-select");
    Click(hPage, 1005);
    hPage = Need(wizard.WaitPage(PAGE_CONFIRM), "confirmation page");
    Shot(hPage, dir, "4-confirm");
    Click(hPage, 1005);
    HWND hBox = Need(wizard.WaitMessage(), "start confirmation");
    Shot(hBox, dir, "5-start-confirmation");
    Answer(hBox, IDNO);
    hBox = Need(wizard.WaitMessage(), "cancel confirmation");
    Shot(hBox, dir, "6-cancel-confirmation");
    Answer(hBox, IDYES);
    return wizard.WaitExit(15000) && g_bOk ? 0 : 1;
}

int Update(WizardProcess& wizard, const std::string& dir) {
    Click(Need(wizard.WaitPage(PAGE_OPENING), "opening page"), 1005);
    Click(Need(wizard.WaitPage(PAGE_PREPARE), "preparation page"), 1005);
    HWND hSelect = Need(wizard.WaitPage(PAGE_SELECT), "device selection page");
    Click(hSelect, 1007);
    SetAddress(hSelect, 1008, 127, 0, 0, 1);
    Click(hSelect, 1005);
    Click(Need(wizard.WaitPage(PAGE_CONFIRM), "confirmation page"), 1005);
    Answer(Need(wizard.WaitMessage(), "start confirmation"), IDYES);
    HWND hProgress = Need(wizard.WaitPage(PAGE_PROGRESS), "progress page");
    // The transfer shows "Preparing ..." or "Overwriting ..." with the bar moving; a device
    // that refuses ends with its message instead.
    bool bTransfer = false;
    WaitFor(
        [&] {
            bTransfer =
                hProgress != nullptr && SendDlgItemMessageA(hProgress, 1009, PBM_GETPOS, 0, 0) > 5;
            return bTransfer || wizard.WaitMessage(0) != nullptr;
        },
        120000);
    if (bTransfer)
        Shot(hProgress, dir, "7-progress");
    HWND hResult = Need(wizard.WaitMessage(300000), "result message");
    Shot(hResult, dir, "8-result");
    const std::string text = hResult != nullptr ? MessageText(hResult) : std::string();
    std::printf("%s\n", text.c_str());
    Answer(hResult, IDOK);
    const bool bEnded = wizard.WaitExit(15000);
    return g_bOk && bEnded && text.find("Firmware update is complete") == 0 ? 0 : 1;
}

int Refused(WizardProcess& wizard, const std::string& dir) {
    HWND hBox = Need(wizard.WaitMessage(), "start-up message");
    if (hBox == nullptr)
        return 1;
    Shot(hBox, dir, "refused");
    std::printf("%s\n", MessageText(hBox).c_str());
    const bool bPage = wizard.WaitPage(PAGE_OPENING, 0) != nullptr;
    Answer(hBox, IDOK);
    const bool bEnded = wizard.WaitExit(15000);
    if (bPage || !bEnded)
        std::fprintf(stderr, "zepwizdrive: %s\n", bPage ? "a page came up" : "did not end");
    return g_bOk && !bPage && bEnded ? 0 : 1;
}

int Pages(const char* pszProgram, const std::string& dir, LANGID lang) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, 0x8FF};
    InitCommonControlsEx(&controls);
    HMODULE hProgram = LoadLibraryExA(pszProgram, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (hProgram == nullptr)
        return 1;
    const struct {
        int nTemplate, nControl, nText;
        const char* name;
    } pages[] = {{132, 1010, 103, "opening"},
                 {130, 0, 0, "preparation"},
                 {102, 0, 0, "select"},
                 {134, 1016, 133, "confirm"},
                 {129, 1017, 176, "progress"}};
    for (const auto& page : pages) {
        HWND hDlg = Need(CreatePageFromResources(hProgram, page.nTemplate, lang), page.name);
        if (hDlg == nullptr)
            continue;
        if (page.nControl != 0)
            SetDlgItemTextW(hDlg, page.nControl, ResourceText(hProgram, lang, page.nText).c_str());
        SetWindowPos(hDlg, HWND_TOPMOST, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        UpdateWindow(hDlg);
        MSG msg;
        for (int i = 0; i < 20; ++i) { // let every control paint
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
            Sleep(20);
        }
        Shot(hDlg, dir, page.name);
        DestroyWindow(hDlg);
    }
    FreeLibrary(hProgram);
    return g_bOk ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "pages" && argc == 5)
        return Pages(argv[2], argv[3], LANGID(std::strtoul(argv[4], nullptr, 16)));
    if (argc != 4) {
        std::fprintf(stderr, "Usage: zepwizdrive tour|update|refused PROGRAM OUTDIR\n"
                             "       zepwizdrive pages PROGRAM OUTDIR LANGID\n");
        return 2;
    }
    WizardProcess wizard;
    if (!wizard.Start(argv[2])) {
        std::fprintf(stderr, "zepwizdrive: cannot start %s\n", argv[2]);
        return 1;
    }
    if (command == "tour")
        return Tour(wizard, argv[3]);
    if (command == "update")
        return Update(wizard, argv[3]);
    if (command == "refused")
        return Refused(wizard, argv[3]);
    std::fprintf(stderr, "zepwizdrive: unknown command %s\n", argv[1]);
    return 2;
}
