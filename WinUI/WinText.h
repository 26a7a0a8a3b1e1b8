// Texts of the Windows program from its language resources, and the message boxes built on
// them. Strings are loaded as UTF-16, so every language shows whatever the ANSI code page.
#pragma once

#include <windows.h>

#include <string>

// String-table entry in the thread's language; empty when there is none.
std::wstring LoadText(UINT uId);

// The same text in the ANSI code page, for the names handed to the engine.
std::string LoadTextAnsi(UINT uId);

// A message box with resource texts; returns the button pressed.
int ShowMessage(HWND hOwner, UINT uTextId, UINT uCaptionId, UINT uType);

void SetItemText(HWND hDlg, int nId, UINT uTextId);

// Moves the keyboard focus to a dialog control the way the dialog manager does.
void FocusControl(HWND hDlg, int nId);
