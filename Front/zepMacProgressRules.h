// The macOS update window's rules, as pure logic: which status text and bar position each copy
// of the worker's record gives, when the run ends and with which code, and which alert tells
// the outcome. Texts are localized-string keys; the window looks them up.
#pragma once

#include "zepDevInfo.h"
#include "zepParse.h"

#include <cstdint>

struct MacProgressView {
    const char* pszStatusKey = "State_Connection";
    bool bNumbered = false; // the key takes the image number as its one argument
    uint32_t dwNumber = 0;
    double dBar = 0; // 0..100
};

class MacProgressWindow {
public:
    // firmwareCount: rows of the firmware list; 2 or more selects the "_Plural" texts.
    explicit MacProgressWindow(unsigned int firmwareCount) : m_bPlural(firmwareCount >= 2) {}

    // One timer tick. True when the run ends; Result() then holds the code to end with.
    bool Tick(const tag_devinfo& info);

    const MacProgressView& View() const { return m_view; }
    ZEPRESULT Result() const { return m_nResult; }

private:
    void Show(const char* pszSingle, const char* pszPlural, uint32_t dwIdx, double dBar);

    bool m_bPlural;
    MacProgressView m_view;
    ZEPRESULT m_nResult = RESULT_OK;
};

// The status keys whose texts the status line must have room for.
extern const char* const kMacStatusKeysForWidth[5];

struct MacResultAlert {
    const char* pszTitleKey;
    const char* pszMessageKey;
    bool bCritical; // else informational
};

// needExit is NEEDEXITOPERATION: only NO (or absent, which reads as NO) gives the messages of a
// device that restarts by itself.
MacResultAlert MacResultAlertFor(ZEPRESULT nResult, yesno_type needExit);
