// What the wizard pages share: the placement of the last page, the firmware count, the target
// list and the user's choice. One record for the whole run, used on the interface thread only.
#pragma once

#include "resource.h"
#include "zepTargetList.h"

#include <windows.h>

#include <string>
#include <vector>

enum {
    PAGE_RESULT_END = 1,
    PAGE_RESULT_CANCEL = IDCANCEL, // 2
    PAGE_RESULT_BACK = IDC_BACK, // a page ends with the id of the button that left it
    PAGE_RESULT_NEXT = IDC_NEXT,
};

struct WizardState {
    bool savedRectValid = false;
    RECT savedRect = {};
    int firmwareCount = 0;
    std::vector<TargetPrinter> targetList;
    int selectedRow = 0;
    bool useIpAddress = false;
    char ipAddressText[256] = {};
    char printerName[256] = {};
    char portName[256] = {};
    // The progress page's result, kept here as well: -1 (a write error) is also what the dialog
    // call returns when a page cannot be made at all.
    bool progressEnded = false;
    int progressResult = 0;
};

extern WizardState g_wizard;

// Remembers where the page is, so that the next page opens at the same place.
void StorePagePosition(HWND hDlg);
// Moves a page to the remembered place, keeping its own size.
void ApplyPagePosition(HWND hDlg);
// The cancel confirmation: string 141, Yes and No; true for Yes.
bool ConfirmCancel(HWND hOwner);
// Cancel on a page: ends it with PAGE_RESULT_CANCEL once the user confirms.
void CancelPage(HWND hDlg);
// Leaves a page with Next, Back or Start, remembering where it was.
void LeavePage(HWND hDlg, INT_PTR nResult);
// Cancel, and Back where the page has nothing of its own to store: true when wId was one.
bool CancelOrBack(HWND hDlg, WORD wId);
