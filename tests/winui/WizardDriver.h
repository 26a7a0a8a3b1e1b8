// Drives the Windows wizard from another process, as a person would: finds its pages and
// message boxes, reads their controls and list rows, clicks buttons and types an address.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Page markers: a control only that page has.
enum WizardPage {
    PAGE_OPENING = 1019,
    PAGE_PREPARE = 1021,
    PAGE_SELECT = 1002,
    PAGE_CONFIRM = 1016,
    PAGE_PROGRESS = 1011,
};

class WizardProcess {
public:
    WizardProcess() = default;
    ~WizardProcess(); // ends a copy still running
    WizardProcess(const WizardProcess&) = delete;
    WizardProcess& operator=(const WizardProcess&) = delete;

    bool Start(const std::string& exe);
    // True when the program ended within the time; its exit code in *pCode.
    bool WaitExit(DWORD dwMs, DWORD* pCode = nullptr);
    DWORD Pid() const { return m_dwPid; }
    bool Running() const;

    // The visible page with this marker, or null after the time.
    HWND WaitPage(WizardPage page, DWORD dwMs = 15000) const;
    // A visible message box of the program, or null after the time.
    HWND WaitMessage(DWORD dwMs = 15000) const;
    // Every visible top-level window of the program.
    std::vector<HWND> Windows() const;

private:
    HANDLE m_hProcess = nullptr;
    DWORD m_dwPid = 0;
};

std::string Text(HWND hWnd);
std::string ItemText(HWND hDlg, int nId);
std::string MessageText(HWND hBox); // the text of a message box
bool ItemEnabled(HWND hDlg, int nId);
bool ItemVisible(HWND hDlg, int nId);
bool ItemChecked(HWND hDlg, int nId);

// Posted, so that a button that opens a message box does not block the driver.
void Click(HWND hDlg, int nId);
// Answers a message box with one of its buttons (IDOK, IDYES, IDNO) and waits until it is gone.
bool Answer(HWND hBox, int nButton);
void SetAddress(HWND hDlg, int nId, BYTE a, BYTE b, BYTE c, BYTE d);
// A window message posted to the dialog itself (WM_CLOSE, WM_COMMAND IDCANCEL, ...).
void Post(HWND hDlg, UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0);

// The rows of a report-view list in another process, each with nColumns texts.
std::vector<std::vector<std::string>> ListRows(HWND hList, int nColumns);
int SelectedRow(HWND hList);

// A print queue in the local spooler's registry for as long as the object lives.
class SpoolerQueueKey {
public:
    SpoolerQueueKey(const std::string& name, const std::string& port, const std::string& driver);
    ~SpoolerQueueKey();
    SpoolerQueueKey(const SpoolerQueueKey&) = delete;
    SpoolerQueueKey& operator=(const SpoolerQueueKey&) = delete;
    bool Created() const { return m_bCreated; }

private:
    std::string m_key;
    bool m_bCreated = false;
};

// The screen inside a window's rectangle (and a margin) as a 24-bit BMP file.
bool CaptureWindow(HWND hWnd, const std::string& path, int nMargin = 12);

// A page of the program's resources in one language, created hidden and without its page
// procedure; null when the template is missing. DestroyWindow ends it.
HWND CreatePageFromResources(HMODULE hProgram, int nTemplate, LANGID lang);
// A string-table entry in one language, its "%d" shown as 2; empty when missing.
std::wstring ResourceText(HMODULE hProgram, LANGID lang, int nId);

// Polls until the predicate holds or the time is up.
template <class Pred> bool WaitFor(Pred pred, DWORD dwMs) {
    const DWORD dwStart = GetTickCount();
    while (!pred()) {
        if (GetTickCount() - dwStart > dwMs)
            return false;
        Sleep(50);
    }
    return true;
}
