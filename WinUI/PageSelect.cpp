// Device selection page: a listed printer or a typed IP address. The focused row is always the
// selected one, so what the user sees chosen is what is stored.
#include "Pages.h"
#include "WinText.h"
#include "WizardState.h"
#include "resource.h"

#include <commctrl.h>

#include <cstring>

namespace {

HWND List(HWND hDlg) {
    return GetDlgItem(hDlg, IDC_PRINTER_LIST);
}

// Row -1 (no row was chosen) would address every row: nothing is selected then.
void SelectRow(HWND hList, int nRow) {
    if (nRow < 0)
        return;
    LVITEMW item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(hList, LVM_SETITEMSTATE, WPARAM(nRow), LPARAM(&item));
}

// Radio 1006 chooses the list, radio 1007 the address.
void ChooseMode(HWND hDlg, bool bAddress) {
    CheckRadioButton(hDlg, IDC_PRINTER_RADIO, IDC_IP_RADIO,
                     bAddress ? IDC_IP_RADIO : IDC_PRINTER_RADIO);
    EnableWindow(List(hDlg), !bAddress);
    EnableWindow(GetDlgItem(hDlg, IDC_IP_ADDRESS), bAddress);
}

void OnInit(HWND hDlg) {
    HWND hList = List(hDlg);
    RECT rect = {};
    GetClientRect(hList, &rect);
    const int nColumn = (rect.right - rect.left) / 2 - 2;
    InsertListColumn(hList, 0, IDS_COLUMN_PRINTER, nColumn);
    InsertListColumn(hList, 1, IDS_COLUMN_PORT, nColumn);
    for (const TargetPrinter& row : g_wizard.targetList)
        AppendListRow(hList, row.strPrinterName.c_str(), row.strPortName.c_str());
    SendMessageW(hList, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);

    if (g_wizard.ipAddressText[0] != '\0')
        SetDlgItemTextA(hDlg, IDC_IP_ADDRESS, g_wizard.ipAddressText);
    else
        SendDlgItemMessageW(hDlg, IDC_IP_ADDRESS, IPM_CLEARADDRESS, 0, 0);

    if (g_wizard.targetList.empty()) {
        ChooseMode(hDlg, true);
        EnableWindow(GetDlgItem(hDlg, IDC_PRINTER_RADIO), FALSE);
        FocusControl(hDlg, IDC_IP_ADDRESS);
        g_wizard.useIpAddress = true;
    } else if (g_wizard.useIpAddress) {
        SelectRow(hList, g_wizard.selectedRow);
        ChooseMode(hDlg, true);
        FocusControl(hDlg, IDC_IP_ADDRESS);
    } else {
        ChooseMode(hDlg, false);
        SelectRow(hList, g_wizard.selectedRow);
        FocusControl(hDlg, IDC_PRINTER_LIST);
    }
    ApplyPagePosition(hDlg);
}

void CopyRowText(HWND hList, int nRow, int nColumn, char* pszOut, size_t cbOut) {
    LVITEMA item = {};
    item.iSubItem = nColumn;
    item.pszText = pszOut;
    item.cchTextMax = int(cbOut);
    pszOut[0] = '\0';
    SendMessageA(hList, LVM_GETITEMTEXTA, WPARAM(nRow), LPARAM(&item));
    pszOut[cbOut - 1] = '\0';
}

void StoreChoice(HWND hDlg) {
    if (IsDlgButtonChecked(hDlg, IDC_PRINTER_RADIO) == BST_CHECKED) {
        HWND hList = List(hDlg);
        g_wizard.useIpAddress = false;
        g_wizard.selectedRow =
            int(SendMessageW(hList, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED | LVNI_FOCUSED));
        g_wizard.printerName[0] = g_wizard.portName[0] = '\0';
        if (g_wizard.selectedRow >= 0) {
            CopyRowText(hList, g_wizard.selectedRow, 0, g_wizard.printerName,
                        sizeof g_wizard.printerName);
            CopyRowText(hList, g_wizard.selectedRow, 1, g_wizard.portName,
                        sizeof g_wizard.portName);
        }
    } else {
        g_wizard.useIpAddress = true;
        GetDlgItemTextA(hDlg, IDC_IP_ADDRESS, g_wizard.ipAddressText,
                        int(sizeof g_wizard.ipAddressText));
    }
}

void OnRowChanged(const NMLISTVIEW* pChange) {
    if (pChange->iItem >= 0 && (pChange->uChanged & LVIF_STATE) &&
        (pChange->uNewState & LVIS_FOCUSED) && !(pChange->uNewState & LVIS_SELECTED))
        SelectRow(pChange->hdr.hwndFrom, pChange->iItem);
}

void OnModeClicked(HWND hDlg, bool bAddress) {
    ChooseMode(hDlg, bAddress);
    const int nTarget = bAddress ? IDC_IP_ADDRESS : IDC_PRINTER_LIST;
    HWND hTarget = GetDlgItem(hDlg, nTarget);
    HWND hFocus = GetFocus();
    if (hFocus != hTarget && !IsChild(hTarget, hFocus))
        FocusControl(hDlg, nTarget);
}

} // namespace

INT_PTR CALLBACK SelectPageProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
    case WM_INITDIALOG:
        OnInit(hDlg);
        return FALSE;
    case WM_NOTIFY: {
        const NMHDR* pHeader = reinterpret_cast<const NMHDR*>(lParam);
        if (pHeader->idFrom == IDC_PRINTER_LIST && pHeader->code == LVN_ITEMCHANGED)
            OnRowChanged(reinterpret_cast<const NMLISTVIEW*>(lParam));
        return FALSE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_PRINTER_RADIO:
        case IDC_IP_RADIO:
            if (HIWORD(wParam) == BN_CLICKED)
                OnModeClicked(hDlg, LOWORD(wParam) == IDC_IP_RADIO);
            return TRUE;
        case IDCANCEL:
            CancelPage(hDlg);
            return TRUE;
        case IDC_BACK:
            StoreChoice(hDlg);
            LeavePage(hDlg, PAGE_RESULT_BACK);
            return TRUE;
        case IDC_NEXT:
            if (IsDlgButtonChecked(hDlg, IDC_PRINTER_RADIO) != BST_CHECKED &&
                SendDlgItemMessageW(hDlg, IDC_IP_ADDRESS, IPM_ISBLANK, 0, 0)) {
                ShowMessage(hDlg, IDS_NO_IP_ADDRESS, IDS_CAPTION_WARNING, MB_OK | MB_ICONWARNING);
                FocusControl(hDlg, IDC_IP_ADDRESS);
                return TRUE;
            }
            StoreChoice(hDlg);
            LeavePage(hDlg, PAGE_RESULT_NEXT);
            return TRUE;
        }
        break;
    }
    return FALSE;
}
