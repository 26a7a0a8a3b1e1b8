// Confirmation page: the chosen device, and the start confirmation that cannot be taken back.
#include "Pages.h"
#include "WinText.h"
#include "WizardState.h"
#include "resource.h"
#include "zepInfo.h"

namespace {

void OnInit(HWND hDlg) {
    SetSystemIcon(hDlg, IDC_CONFIRM_ICON, IDI_WARNING);
    if (g_wizard.useIpAddress) {
        std::string model;
        if (zepinfo_getModelName(model))
            SetDlgItemTextA(hDlg, IDC_TARGET_NAME, model.c_str());
        SetDlgItemTextA(hDlg, IDC_PORT_NAME, g_wizard.ipAddressText);
    } else {
        SetDlgItemTextA(hDlg, IDC_TARGET_NAME, g_wizard.printerName);
        SetDlgItemTextA(hDlg, IDC_PORT_NAME, g_wizard.portName);
    }
    SetItemText(hDlg, IDC_CONFIRM_TEXT, IDS_CONFIRM_DETAILS);
    FocusControl(hDlg, IDC_NEXT);
    ApplyPagePosition(hDlg);
}

// Start asks once more; No there offers to cancel, and No to that asks again.
void OnStart(HWND hDlg) {
    yesno_type allowDown = DEF_NO_VALUE;
    const bool bDowngrade = zepinfo_getAllowVersionDown(allowDown) && allowDown == DEF_YES_VALUE;
    const UINT uText = bDowngrade ? IDS_START_CONFIRM_DOWNGRADE : IDS_START_CONFIRM;
    for (;;) {
        if (ShowMessage(hDlg, uText, IDS_CAPTION_WARNING, MB_YESNO | MB_ICONWARNING) == IDYES) {
            LeavePage(hDlg, PAGE_RESULT_NEXT);
            return;
        }
        if (ConfirmCancel(hDlg)) {
            EndDialog(hDlg, PAGE_RESULT_CANCEL);
            return;
        }
    }
}

} // namespace

INT_PTR CALLBACK ConfirmPageProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM) {
    switch (uMsg) {
    case WM_INITDIALOG:
        OnInit(hDlg);
        return FALSE;
    case WM_COMMAND:
        if (CancelOrBack(hDlg, LOWORD(wParam)))
            return TRUE;
        switch (LOWORD(wParam)) {
        case IDC_NEXT:
            OnStart(hDlg);
            return TRUE;
        }
        break;
    }
    return FALSE;
}
