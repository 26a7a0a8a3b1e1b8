// Progress page: starts the worker, follows its record once a second and ends with the
// engine's result. It cannot be cancelled or closed; the worker is always stopped first.
#include "Pages.h"
#include "WinText.h"
#include "WizardState.h"
#include "resource.h"
#include "zepInfo.h"
#include "zepProgressRules.h"
#include "zepThread.h"

#include <commctrl.h>

namespace {

const UINT kTickMs = 1000;
const unsigned long kPollingMs = 500;

struct ProgressRun {
    zepThread worker;
    ProgressPage rules;
    ProgressView shown;
    explicit ProgressRun(unsigned int firmwareCount) : rules(firmwareCount) {}
};

ProgressRun* g_pRun = nullptr;

void Show(HWND hDlg, const ProgressView& view, const ProgressView& before) {
    HWND hBar = GetDlgItem(hDlg, IDC_PROGRESS_BAR);
    if (view.nRangeMax != before.nRangeMax)
        SendMessageW(hBar, PBM_SETRANGE32, 0, view.nRangeMax);
    if (view.nPosition != before.nPosition || view.nRangeMax != before.nRangeMax)
        SendMessageW(hBar, PBM_SETPOS, WPARAM(view.nPosition), 0);
    if ((view.nStatusId != before.nStatusId || view.dwStatusNumber != before.dwStatusNumber) &&
        view.nStatusId != STATUS_CONNECTING)
        SetDlgItemTextW(
            hDlg, IDC_STATUS,
            FormatStatusText(LoadText(UINT(view.nStatusId)), view.dwStatusNumber).c_str());
}

void End(HWND hDlg, ZEPRESULT nResult) {
    KillTimer(hDlg, IDT_PROGRESS);
    g_pRun->worker.StopThread();
    delete g_pRun;
    g_pRun = nullptr;
    g_wizard.progressEnded = true;
    g_wizard.progressResult = nResult;
    EndDialog(hDlg, nResult);
}

void OnInit(HWND hDlg) {
    SetSystemIcon(hDlg, IDC_PROGRESS_ICON, IDI_WARNING);
    HWND hAnimation = GetDlgItem(hDlg, IDC_ANIMATION);
    SendMessageW(hAnimation, ACM_OPENW, WPARAM(GetModuleHandleW(nullptr)),
                 LPARAM(L"" IDR_AVI_NAME));
    ShowWindow(hAnimation, SW_SHOW);
    SendMessageW(hAnimation, ACM_PLAY, WPARAM(-1), MAKELPARAM(0, 0xFFFF));
    HWND hBar = GetDlgItem(hDlg, IDC_PROGRESS_BAR);
    SendMessageW(hBar, PBM_SETRANGE32, 0, 5);
    SendMessageW(hBar, PBM_SETSTEP, 1, 0);
    SendMessageW(hBar, PBM_SETPOS, 0, 0);

    g_pRun = new ProgressRun(unsigned(g_wizard.firmwareCount));
    int nPortNo = 0;
    zepinfo_getPortNo(nPortNo);
    char* pszPrinter = g_wizard.useIpAddress ? nullptr : g_wizard.printerName;
    char* pszPort = g_wizard.useIpAddress ? g_wizard.ipAddressText : g_wizard.portName;
    // A worker that cannot start leaves UPDATE_ERROR with -9 in its record: the first tick
    // ends the page with message 157.
    g_pRun->worker.UpdateStart(pszPrinter, pszPort, static_cast<unsigned short>(nPortNo));
    g_pRun->worker.SetPolling(kPollingMs);
    SetTimer(hDlg, IDT_PROGRESS, kTickMs, nullptr);
}

void OnTick(HWND hDlg) {
    if (g_pRun == nullptr)
        return;
    tag_devinfo info;
    g_pRun->worker.CheckState(info);
    const bool bEnded = g_pRun->rules.Tick(info);
    Show(hDlg, g_pRun->rules.View(), g_pRun->shown);
    g_pRun->shown = g_pRun->rules.View();
    if (bEnded) {
        if (info.UpdateState == END_UPDATE)
            UpdateWindow(GetDlgItem(hDlg, IDC_STATUS)); // "Finishing..." while the worker exits
        End(hDlg, g_pRun->rules.Result());
    }
}

} // namespace

INT_PTR CALLBACK ProgressPageProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM) {
    switch (uMsg) {
    case WM_INITDIALOG:
        OnInit(hDlg);
        return TRUE;
    case WM_TIMER:
        if (wParam == IDT_PROGRESS)
            OnTick(hDlg);
        return TRUE;
    case WM_COMMAND:
        return LOWORD(wParam) == IDCANCEL; // Escape does nothing here
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            SetWindowLongPtrW(hDlg, DWLP_MSGRESULT, 0);
            return TRUE;
        }
        break;
    case WM_CLOSE:
        return TRUE; // nor Alt+F4
    }
    return FALSE;
}
