// Opening page: the target model and the firmware the package carries.
#include "Pages.h"
#include "WinText.h"
#include "WizardState.h"
#include "resource.h"
#include "zepInfo.h"

#include <commctrl.h>

namespace {

void FillFirmwareList(HWND hDlg) {
    HWND hList = GetDlgItem(hDlg, IDC_FIRMWARE_LIST);
    RECT rect = {};
    GetClientRect(hList, &rect);
    const int nWidth = rect.right - rect.left;
    InsertListColumn(hList, 0, IDS_COLUMN_TYPE, nWidth * 2 / 5 - 2);
    InsertListColumn(hList, 1, IDS_COLUMN_UPDATE_TO, nWidth * 3 / 5 - 2);
    std::string strType, strVersion;
    for (unsigned int n = 0; zepinfo_getDispFirmVersion(n, strType, strVersion); ++n)
        AppendListRow(hList, strType.c_str(), strVersion.c_str());
    g_wizard.firmwareCount = int(SendMessageW(hList, LVM_GETITEMCOUNT, 0, 0));
}

} // namespace

INT_PTR CALLBACK OpeningPageProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM) {
    switch (uMsg) {
    case WM_INITDIALOG: {
        FillFirmwareList(hDlg);
        SetItemText(hDlg, IDC_VERSION_TEXT, IDS_VERSION);
        std::vector<std::string> models;
        if (zepinfo_getModelNameArray(models) && !models.empty())
            SetDlgItemTextA(hDlg, IDC_MODEL_NAME, models[0].c_str());
        FocusControl(hDlg, IDC_NEXT);
        ApplyPagePosition(hDlg);
        return FALSE; // the focus is set
    }
    case WM_COMMAND:
        if (CancelOrBack(hDlg, LOWORD(wParam)))
            return TRUE;
        switch (LOWORD(wParam)) {
        case IDC_NEXT:
            LeavePage(hDlg, PAGE_RESULT_NEXT);
            return TRUE;
        }
        break;
    }
    return FALSE;
}
