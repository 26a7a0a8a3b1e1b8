// Page table and sequence: Next and Back move along the table, Cancel ends, and the progress
// page always ends the wizard with its result message.
#include "Wizard.h"

#include "Pages.h"
#include "ResultBox.h"
#include "WinText.h"
#include "WizardState.h"
#include "resource.h"

#include <commctrl.h>

WizardState g_wizard;

namespace {

struct PageEntry {
    int nTemplate;
    DLGPROC pfnProc;
};

const PageEntry kPages[] = {
    {IDD_OPENING, OpeningPageProc}, {IDD_PREPARE, PreparePageProc},   {IDD_SELECT, SelectPageProc},
    {IDD_CONFIRM, ConfirmPageProc}, {IDD_PROGRESS, ProgressPageProc}, {0, nullptr},
};

} // namespace

void StorePagePosition(HWND hDlg) {
    RECT rect;
    if (GetWindowRect(hDlg, &rect)) {
        g_wizard.savedRect = rect;
        g_wizard.savedRectValid = true;
    }
}

void ApplyPagePosition(HWND hDlg) {
    if (g_wizard.savedRectValid)
        SetWindowPos(hDlg, nullptr, g_wizard.savedRect.left, g_wizard.savedRect.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool ConfirmCancel(HWND hOwner) {
    return ShowMessage(hOwner, IDS_CANCEL_CONFIRM, IDS_CAPTION_WARNING,
                       MB_YESNO | MB_ICONWARNING) == IDYES;
}

void CancelPage(HWND hDlg) {
    if (ConfirmCancel(hDlg))
        EndDialog(hDlg, PAGE_RESULT_CANCEL);
}

void LeavePage(HWND hDlg, INT_PTR nResult) {
    StorePagePosition(hDlg);
    EndDialog(hDlg, nResult);
}

bool CancelOrBack(HWND hDlg, WORD wId) {
    if (wId == IDCANCEL)
        CancelPage(hDlg);
    else if (wId == IDC_BACK)
        LeavePage(hDlg, PAGE_RESULT_BACK);
    else
        return false;
    return true;
}

void InsertListColumn(HWND hList, int nColumn, UINT uTextId, int nWidth) {
    std::wstring text = LoadText(uTextId);
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = nWidth;
    column.pszText = &text[0];
    column.iSubItem = nColumn;
    SendMessageW(hList, LVM_INSERTCOLUMNW, WPARAM(nColumn), LPARAM(&column));
}

void AppendListRow(HWND hList, const char* pszFirst, const char* pszSecond) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = int(SendMessageA(hList, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<char*>(pszFirst);
    const int nRow = int(SendMessageA(hList, LVM_INSERTITEMA, 0, LPARAM(&item)));
    if (nRow < 0)
        return;
    item.iItem = nRow;
    item.iSubItem = 1;
    item.pszText = const_cast<char*>(pszSecond);
    SendMessageA(hList, LVM_SETITEMTEXTA, WPARAM(nRow), LPARAM(&item));
}

void SetSystemIcon(HWND hDlg, int nId, LPCSTR pszIcon) {
    HANDLE hIcon = LoadImageA(nullptr, pszIcon, IMAGE_ICON, 0, 0, LR_SHARED | LR_DEFAULTSIZE);
    SendDlgItemMessageW(hDlg, nId, STM_SETICON, WPARAM(hIcon), 0);
}

void RunWizard(HINSTANCE hInstance) {
    for (int nPage = 0; kPages[nPage].pfnProc != nullptr;) {
        const PageEntry& page = kPages[nPage];
        const INT_PTR nResult =
            DialogBoxParamW(hInstance, MAKEINTRESOURCEW(page.nTemplate), nullptr, page.pfnProc, 0);
        if (page.nTemplate == IDD_PROGRESS) {
            ShowResultMessage(g_wizard.progressEnded ? g_wizard.progressResult : RESULT_ERR_SYSTEM);
            return;
        }
        if (nResult == -1) {
            // A page that cannot be made at all: nothing has reached the device yet.
            ShowMessage(nullptr, IDS_RESULT_SYSTEM, IDS_CAPTION_CRITICAL, MB_OK | MB_ICONERROR);
            return;
        }
        if (nResult == PAGE_RESULT_NEXT)
            ++nPage;
        else if (nResult == PAGE_RESULT_BACK && nPage > 0)
            --nPage;
        else
            return; // cancelled or ended
    }
}
