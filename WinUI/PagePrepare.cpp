// Preparation page: what to check before the update. Leaving it with Next builds the target
// list afresh, so the earlier choice is forgotten.
#include "Pages.h"
#include "TargetSpooler.h"
#include "WinText.h"
#include "WizardState.h"
#include "resource.h"
#include "zepInfo.h"

#include <cstring>

INT_PTR CALLBACK PreparePageProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM) {
    switch (uMsg) {
    case WM_INITDIALOG: {
        yesno_type needEnter = DEF_NO_VALUE;
        const bool bShow = zepinfo_getNeedEnterOperation(needEnter) && needEnter == DEF_YES_VALUE;
        ShowWindow(GetDlgItem(hDlg, IDC_UPDATE_MODE_NOTE), bShow ? SW_SHOW : SW_HIDE);
        SetSystemIcon(hDlg, IDC_PREPARE_ICON, IDI_INFORMATION);
        FocusControl(hDlg, IDC_NEXT);
        ApplyPagePosition(hDlg);
        return FALSE;
    }
    case WM_COMMAND:
        if (CancelOrBack(hDlg, LOWORD(wParam)))
            return TRUE;
        switch (LOWORD(wParam)) {
        case IDC_NEXT: {
            HCURSOR hOld = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
            g_wizard.targetList = BuildWizardTargetList();
            SetCursor(hOld);
            g_wizard.selectedRow = 0;
            g_wizard.useIpAddress = false;
            std::memset(g_wizard.ipAddressText, 0, sizeof g_wizard.ipAddressText);
            LeavePage(hDlg, PAGE_RESULT_NEXT);
            return TRUE;
        }
        }
        break;
    }
    return FALSE;
}
