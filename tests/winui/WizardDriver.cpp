// Cross-process automation over window messages. List-view texts need their buffers inside the
// wizard's process, so they are read through memory allocated there.
#include "WizardDriver.h"

#include <commctrl.h>

#include <cstring>
#include <vector>

namespace {

const char kPageTitle[] = "Torvi Halvard";

struct Search {
    DWORD dwPid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND hWnd, LPARAM lParam) {
    Search* pSearch = reinterpret_cast<Search*>(lParam);
    DWORD dwPid = 0;
    GetWindowThreadProcessId(hWnd, &dwPid);
    if (dwPid == pSearch->dwPid && IsWindowVisible(hWnd))
        pSearch->found.push_back(hWnd);
    return TRUE;
}

bool IsDialog(HWND hWnd) {
    char szClass[16] = {};
    GetClassNameA(hWnd, szClass, sizeof szClass);
    return std::strcmp(szClass, "#32770") == 0;
}

} // namespace

WizardProcess::~WizardProcess() {
    if (m_hProcess != nullptr) {
        if (Running()) {
            TerminateProcess(m_hProcess, 99);
            WaitForSingleObject(m_hProcess, 5000);
        }
        CloseHandle(m_hProcess);
    }
}

bool WizardProcess::Start(const std::string& exe) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string commandLine = "\"" + exe + "\"";
    if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    m_hProcess = pi.hProcess;
    m_dwPid = pi.dwProcessId;
    return true;
}

bool WizardProcess::WaitExit(DWORD dwMs, DWORD* pCode) {
    if (m_hProcess == nullptr || WaitForSingleObject(m_hProcess, dwMs) != WAIT_OBJECT_0)
        return false;
    DWORD dwCode = 0;
    GetExitCodeProcess(m_hProcess, &dwCode);
    if (pCode != nullptr)
        *pCode = dwCode;
    return true;
}

bool WizardProcess::Running() const {
    return m_hProcess != nullptr && WaitForSingleObject(m_hProcess, 0) == WAIT_TIMEOUT;
}

std::vector<HWND> WizardProcess::Windows() const {
    Search search = {m_dwPid, {}};
    EnumWindows(CollectWindow, LPARAM(&search));
    return search.found;
}

HWND WizardProcess::WaitPage(WizardPage page, DWORD dwMs) const {
    HWND hFound = nullptr;
    WaitFor(
        [&] {
            for (HWND hWnd : Windows()) {
                if (IsDialog(hWnd) && Text(hWnd) == kPageTitle && GetDlgItem(hWnd, page) != nullptr)
                    hFound = hWnd;
            }
            return hFound != nullptr;
        },
        dwMs);
    return hFound;
}

HWND WizardProcess::WaitMessage(DWORD dwMs) const {
    HWND hFound = nullptr;
    WaitFor(
        [&] {
            for (HWND hWnd : Windows()) {
                // A box is ready for input once its caption and text are in place.
                const std::string title = Text(hWnd);
                if (IsDialog(hWnd) && title != kPageTitle && !title.empty() &&
                    !MessageText(hWnd).empty())
                    hFound = hWnd;
            }
            return hFound != nullptr;
        },
        dwMs);
    return hFound;
}

std::string Text(HWND hWnd) {
    char szText[4096] = {};
    SendMessageA(hWnd, WM_GETTEXT, sizeof szText, LPARAM(szText));
    return szText;
}

std::string ItemText(HWND hDlg, int nId) {
    HWND hItem = GetDlgItem(hDlg, nId);
    return hItem != nullptr ? Text(hItem) : std::string();
}

std::string MessageText(HWND hBox) {
    return ItemText(hBox, 0xFFFF);
}

bool ItemEnabled(HWND hDlg, int nId) {
    return IsWindowEnabled(GetDlgItem(hDlg, nId)) != FALSE;
}

bool ItemVisible(HWND hDlg, int nId) {
    return IsWindowVisible(GetDlgItem(hDlg, nId)) != FALSE;
}

bool ItemChecked(HWND hDlg, int nId) {
    return SendDlgItemMessageA(hDlg, nId, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Click(HWND hDlg, int nId) {
    PostMessageA(GetDlgItem(hDlg, nId), BM_CLICK, 0, 0);
}

bool Answer(HWND hBox, int nButton) {
    PostMessageA(hBox, WM_COMMAND, MAKEWPARAM(nButton, BN_CLICKED),
                 LPARAM(GetDlgItem(hBox, nButton)));
    return WaitFor([&] { return !IsWindow(hBox); }, 10000);
}

void SetAddress(HWND hDlg, int nId, BYTE a, BYTE b, BYTE c, BYTE d) {
    SendDlgItemMessageA(hDlg, nId, IPM_SETADDRESS, 0, MAKEIPADDRESS(a, b, c, d));
}

void Post(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    PostMessageA(hDlg, uMsg, wParam, lParam);
}

std::vector<std::vector<std::string>> ListRows(HWND hList, int nColumns) {
    std::vector<std::vector<std::string>> rows;
    DWORD dwPid = 0;
    GetWindowThreadProcessId(hList, &dwPid);
    HANDLE hProcess =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, dwPid);
    if (hProcess == nullptr)
        return rows;
    const SIZE_T cbText = 512;
    BYTE* pRemote = static_cast<BYTE*>(
        VirtualAllocEx(hProcess, nullptr, sizeof(LVITEMA) + cbText, MEM_COMMIT, PAGE_READWRITE));
    const int nCount = int(SendMessageA(hList, LVM_GETITEMCOUNT, 0, 0));
    for (int nRow = 0; pRemote != nullptr && nRow < nCount; ++nRow) {
        std::vector<std::string> row;
        for (int nColumn = 0; nColumn < nColumns; ++nColumn) {
            LVITEMA item = {};
            item.iSubItem = nColumn;
            item.pszText = reinterpret_cast<char*>(pRemote + sizeof(LVITEMA));
            item.cchTextMax = int(cbText);
            char szText[512] = {};
            SIZE_T cbDone = 0;
            WriteProcessMemory(hProcess, pRemote, &item, sizeof item, &cbDone);
            SendMessageA(hList, LVM_GETITEMTEXTA, WPARAM(nRow), LPARAM(pRemote));
            ReadProcessMemory(hProcess, pRemote + sizeof(LVITEMA), szText, cbText - 1, &cbDone);
            row.push_back(szText);
        }
        rows.push_back(row);
    }
    if (pRemote != nullptr)
        VirtualFreeEx(hProcess, pRemote, 0, MEM_RELEASE);
    CloseHandle(hProcess);
    return rows;
}

int SelectedRow(HWND hList) {
    return int(SendMessageA(hList, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED | LVNI_FOCUSED));
}

SpoolerQueueKey::SpoolerQueueKey(const std::string& name, const std::string& port,
                                 const std::string& driver)
    : m_key("System\\CurrentControlSet\\Control\\Print\\Printers\\" + name) {
    HKEY hKey = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, m_key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &hKey, nullptr) != ERROR_SUCCESS)
        return;
    auto set = [&](const char* value, const std::string& text) {
        return RegSetValueExA(hKey, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                              DWORD(text.size() + 1)) == ERROR_SUCCESS;
    };
    m_bCreated = set("Name", name) && set("Port", port) && set("Printer Driver", driver);
    RegCloseKey(hKey);
}

SpoolerQueueKey::~SpoolerQueueKey() {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, m_key.c_str());
}

bool CaptureWindow(HWND hWnd, const std::string& path, int nMargin) {
    RECT rect = {};
    if (!GetWindowRect(hWnd, &rect))
        return false;
    const int x = rect.left - nMargin, y = rect.top - nMargin;
    const int w = rect.right - rect.left + 2 * nMargin, h = rect.bottom - rect.top + 2 * nMargin;
    HDC hScreen = GetDC(nullptr);
    HDC hMem = CreateCompatibleDC(hScreen);
    HBITMAP hBitmap = CreateCompatibleBitmap(hScreen, w, h);
    HGDIOBJ hOld = SelectObject(hMem, hBitmap);
    BitBlt(hMem, 0, 0, w, h, hScreen, x, y, SRCCOPY);
    SelectObject(hMem, hOld);

    BITMAPINFOHEADER bih = {};
    bih.biSize = sizeof bih;
    bih.biWidth = w;
    bih.biHeight = h;
    bih.biPlanes = 1;
    bih.biBitCount = 24;
    bih.biCompression = BI_RGB;
    const DWORD cbRow = DWORD((w * 3 + 3) & ~3);
    std::vector<BYTE> pixels(size_t(cbRow) * size_t(h));
    const bool bRead = GetDIBits(hMem, hBitmap, 0, UINT(h), pixels.data(),
                                 reinterpret_cast<BITMAPINFO*>(&bih), DIB_RGB_COLORS) == h;
    DeleteObject(hBitmap);
    DeleteDC(hMem);
    ReleaseDC(nullptr, hScreen);
    if (!bRead)
        return false;
    BITMAPFILEHEADER bfh = {};
    bfh.bfType = 0x4D42; // "BM"
    bfh.bfOffBits = sizeof bfh + sizeof bih;
    bfh.bfSize = DWORD(bfh.bfOffBits + pixels.size());
    HANDLE hFile = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    DWORD cb = 0;
    const bool bWritten = WriteFile(hFile, &bfh, sizeof bfh, &cb, nullptr) &&
                          WriteFile(hFile, &bih, sizeof bih, &cb, nullptr) &&
                          WriteFile(hFile, pixels.data(), DWORD(pixels.size()), &cb, nullptr);
    CloseHandle(hFile);
    return bWritten;
}

namespace {

INT_PTR CALLBACK QuietProc(HWND, UINT uMsg, WPARAM, LPARAM) {
    return uMsg == WM_INITDIALOG;
}

} // namespace

HWND CreatePageFromResources(HMODULE hProgram, int nTemplate, LANGID lang) {
    HRSRC hRes = FindResourceExW(hProgram, MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(nTemplate), lang);
    if (hRes == nullptr)
        return nullptr;
    auto pTemplate = static_cast<LPCDLGTEMPLATEW>(LockResource(LoadResource(hProgram, hRes)));
    return CreateDialogIndirectParamW(GetModuleHandleW(nullptr), pTemplate, nullptr, QuietProc, 0);
}

std::wstring ResourceText(HMODULE hModule, LANGID lang, int nId) {
    // A string table block holds 16 strings, each a length and its characters.
    HRSRC hRes =
        FindResourceExW(hModule, MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(nId / 16 + 1), lang);
    if (hRes == nullptr)
        return std::wstring();
    const WCHAR* p = static_cast<const WCHAR*>(LockResource(LoadResource(hModule, hRes)));
    for (int i = 0; i < nId % 16; ++i)
        p += 1 + *p;
    std::wstring text(p + 1, *p);
    const size_t at = text.find(L"%d");
    if (at != std::wstring::npos)
        text.replace(at, 2, L"2");
    return text;
}
