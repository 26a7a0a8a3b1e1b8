// zepwizdrive: walks the wizard for scripts and saves what each step shows as BMP files.
//   zepwizdrive tour PROGRAM OUTDIR     every page and the confirmations, then cancels
//   zepwizdrive update PROGRAM OUTDIR   an update by address 127.0.0.1: the progress page during
//                                       the transfer and the result message; exit 0 when the
//                                       message says the update is complete
#include "WizardDriver.h"

#include <commctrl.h>

#include <cstdio>
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

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "Usage: zepwizdrive tour|update PROGRAM OUTDIR\n");
        return 2;
    }
    const std::string command = argv[1];
    WizardProcess wizard;
    if (!wizard.Start(argv[2])) {
        std::fprintf(stderr, "zepwizdrive: cannot start %s\n", argv[2]);
        return 1;
    }
    if (command == "tour")
        return Tour(wizard, argv[3]);
    if (command == "update")
        return Update(wizard, argv[3]);
    std::fprintf(stderr, "zepwizdrive: unknown command %s\n", argv[1]);
    return 2;
}
