// String loading with a growing buffer: a text that fills the buffer may have been cut, so the
// buffer grows until the text leaves room to spare.
#include "WinText.h"

#include <vector>

std::wstring LoadText(UINT uId) {
    std::vector<wchar_t> buffer(256);
    for (;;) {
        const int nLength =
            LoadStringW(GetModuleHandleW(nullptr), uId, buffer.data(), int(buffer.size()));
        if (nLength <= 0)
            return std::wstring();
        if (size_t(nLength) < buffer.size() - 2)
            return std::wstring(buffer.data(), size_t(nLength));
        buffer.resize(buffer.size() + 256);
    }
}

std::string LoadTextAnsi(UINT uId) {
    const std::wstring text = LoadText(uId);
    if (text.empty())
        return std::string();
    const int nBytes = WideCharToMultiByte(CP_ACP, 0, text.c_str(), int(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string out(size_t(nBytes > 0 ? nBytes : 0), '\0');
    if (nBytes > 0)
        WideCharToMultiByte(CP_ACP, 0, text.c_str(), int(text.size()), &out[0], nBytes, nullptr,
                            nullptr);
    return out;
}

int ShowMessage(HWND hOwner, UINT uTextId, UINT uCaptionId, UINT uType) {
    const std::wstring text = uTextId != 0 ? LoadText(uTextId) : std::wstring();
    return MessageBoxW(hOwner, text.c_str(), LoadText(uCaptionId).c_str(), uType);
}

void SetItemText(HWND hDlg, int nId, UINT uTextId) {
    SetDlgItemTextW(hDlg, nId, LoadText(uTextId).c_str());
}

void FocusControl(HWND hDlg, int nId) {
    SendMessageW(hDlg, WM_NEXTDLGCTL, WPARAM(GetDlgItem(hDlg, nId)), TRUE);
}
