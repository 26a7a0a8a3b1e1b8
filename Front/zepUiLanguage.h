// Which of the program's 19 interface languages a system language gets: the thread locale the
// Windows program sets at start-up so that Windows loads its dialogs and strings in that language.
#pragma once

#include <cstdint>

struct UiLanguageRow {
    uint16_t wPrimary; // primary language id
    uint16_t wSub;     // sublanguage id of the locale that is set
    uint8_t bExactSub; // 0: any sublanguage of the primary language matches
};

extern const UiLanguageRow kUiLanguageTable[19];

// The thread locale (sublanguage << 10 | primary, default sort) for a system language id; false
// when no row matches, and the thread locale is then left as it is.
bool ChooseUiLocale(uint16_t wSystemLangId, uint32_t& dwLocale);
