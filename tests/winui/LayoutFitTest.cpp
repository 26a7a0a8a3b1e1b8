// Every text of every page in all 19 languages fits its control: each dialog template is
// created from the program's resources and each static, button and radio text is measured
// with the dialog's own font, the texts set at run time included.
#include "WizardDriver.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const LANGID kLanguages[] = {0x0404, 0x0406, 0x0407, 0x0409, 0x040A, 0x040B, 0x040C,
                             0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416,
                             0x0419, 0x041D, 0x041E, 0x042A, 0x0804};

struct PageTexts {
    int nTemplate;
    std::vector<std::pair<int, int>> runTime; // control id, string id set at run time
};

const PageTexts kPages[] = {
    {132, {{1010, 103}}},
    {130, {}},
    {102, {}},
    {134, {{1016, 133}}},
    {129,
     {{1017, 171}, {1017, 172}, {1017, 173}, {1017, 174}, {1017, 175}, {1017, 176}, {1017, 177}}},
};

std::wstring ClassOf(HWND hWnd) {
    wchar_t szClass[64] = {};
    GetClassNameW(hWnd, szClass, 64);
    return szClass;
}

std::string Narrow(const std::wstring& text) {
    std::string out(text.size() * 4 + 1, '\0');
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), &out[0],
                                      int(out.size()), nullptr, nullptr);
    out.resize(size_t(n > 0 ? n : 0));
    return out;
}

// What does not fit in hWnd when it shows text, or "" when all of it does.
// Thai has no glyphs in the Latin fonts the dialogs name; Windows draws it from a linked Thai
// font at the dialog font's size. The test measures it the same way, with the Thai font here.
HFONT LinkedThaiFont(HWND hWnd) {
    LOGFONTW lf = {};
    GetObjectW(HGDIOBJ(SendMessageW(hWnd, WM_GETFONT, 0, 0)), sizeof lf, &lf);
    wcscpy(lf.lfFaceName, L"Loma");
    lf.lfCharSet = THAI_CHARSET;
    return CreateFontIndirectW(&lf);
}

std::string Overflow(HWND hWnd, const std::wstring& text, bool bThai = false) {
    RECT client = {};
    GetClientRect(hWnd, &client);
    HDC hdc = GetDC(hWnd);
    HFONT hThai = bThai ? LinkedThaiFont(hWnd) : nullptr;
    HGDIOBJ hOld = SelectObject(
        hdc, hThai != nullptr ? HGDIOBJ(hThai) : HGDIOBJ(SendMessageW(hWnd, WM_GETFONT, 0, 0)));
    const LONG style = GetWindowLongW(hWnd, GWL_STYLE);
    const std::wstring cls = ClassOf(hWnd);
    RECT need = {0, 0, client.right, 0};
    std::string problem;
    if (_wcsicmp(cls.c_str(), L"Button") == 0) {
        DrawTextW(hdc, text.c_str(), -1, &need, DT_CALCRECT | DT_SINGLELINE);
        const LONG kind = style & BS_TYPEMASK;
        const int nExtra = kind == BS_AUTORADIOBUTTON || kind == BS_RADIOBUTTON ? 16 : 8;
        if (need.right + nExtra > client.right)
            problem = "needs " + std::to_string(need.right + nExtra) + " px of " +
                      std::to_string(client.right);
    } else if ((style & SS_TYPEMASK) == SS_LEFT && !(style & SS_WORDELLIPSIS)) {
        DrawTextW(hdc, text.c_str(), -1, &need, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
        if (hThai != nullptr) { // lines are as high as the dialog font's, whose text they join
            TEXTMETRICW thai = {}, base = {};
            GetTextMetricsW(hdc, &thai);
            SelectObject(hdc, HGDIOBJ(SendMessageW(hWnd, WM_GETFONT, 0, 0)));
            GetTextMetricsW(hdc, &base);
            SelectObject(hdc, hThai);
            need.bottom = need.bottom / thai.tmHeight * base.tmHeight;
        }
        if (need.right > client.right || need.bottom > client.bottom)
            problem = "needs " + std::to_string(need.right) + "x" + std::to_string(need.bottom) +
                      " px of " + std::to_string(client.right) + "x" +
                      std::to_string(client.bottom);
    }
    if (!problem.empty()) {
        wchar_t szFace[64] = {};
        GetTextFaceW(hdc, 64, szFace);
        problem += " in " + Narrow(szFace);
    }
    SelectObject(hdc, hOld);
    if (hThai != nullptr)
        DeleteObject(hThai);
    ReleaseDC(hWnd, hdc);
    return problem;
}

} // namespace

TEST(LayoutFit, EveryTextOfEveryLanguageFitsItsControl) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, 0x8FF};
    InitCommonControlsEx(&controls);
    HMODULE hModule = LoadLibraryExA(ZEP_WIN_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, hModule);
    for (LANGID lang : kLanguages) {
        for (const PageTexts& page : kPages) {
            SCOPED_TRACE("language " + std::to_string(lang) + ", dialog " +
                         std::to_string(page.nTemplate));
            HWND hDlg = CreatePageFromResources(hModule, page.nTemplate, lang);
            ASSERT_NE(nullptr, hDlg);
            for (HWND hChild = GetWindow(hDlg, GW_CHILD); hChild != nullptr;
                 hChild = GetWindow(hChild, GW_HWNDNEXT)) {
                wchar_t szText[2048] = {};
                GetWindowTextW(hChild, szText, 2048);
                if (szText[0] != L'\0') {
                    EXPECT_EQ("", Overflow(hChild, szText, lang == 0x041E)) << Narrow(szText);
                }
            }
            for (const auto& set : page.runTime) {
                const std::wstring text = ResourceText(hModule, lang, set.second);
                EXPECT_FALSE(text.empty()) << "string " << set.second;
                EXPECT_EQ("", Overflow(GetDlgItem(hDlg, set.first), text, lang == 0x041E))
                    << Narrow(text);
            }
            DestroyWindow(hDlg);
        }
        for (int nId : {103, 110, 111, 112, 118, 119, 120, 121, 122, 123, 133, 140,
                        141, 143, 144, 145, 146, 147, 148, 149, 150, 151, 152, 153,
                        154, 155, 156, 157, 171, 172, 173, 174, 175, 176, 177})
            EXPECT_FALSE(ResourceText(hModule, lang, nId).empty()) << lang << " string " << nId;
    }
    FreeLibrary(hModule);
}
