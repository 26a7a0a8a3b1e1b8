// Dialog procedures of the wizard pages, one file each.
#pragma once

#include <windows.h>

INT_PTR CALLBACK OpeningPageProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK PreparePageProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SelectPageProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ConfirmPageProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ProgressPageProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);

// Shared by the pages: a list view's column of the given width, and a row of two texts.
void InsertListColumn(HWND hList, int nColumn, UINT uTextId, int nWidth);
void AppendListRow(HWND hList, const char* pszFirst, const char* pszSecond);
// The dialog's own icon control gets a shared system icon (IDI_INFORMATION, IDI_WARNING).
void SetSystemIcon(HWND hDlg, int nId, LPCSTR pszIcon);
