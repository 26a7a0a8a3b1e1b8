// The interface-language table, scanned in order: the first matching row wins.
#include "zepUiLanguage.h"

const UiLanguageRow kUiLanguageTable[19] = {
    {0x09, 1, 0}, // English
    {0x0C, 1, 0}, // French
    {0x10, 1, 0}, // Italian
    {0x07, 1, 0}, // German
    {0x0A, 1, 0}, // Spanish
    {0x13, 1, 0}, // Dutch
    {0x1D, 1, 0}, // Swedish
    {0x14, 1, 0}, // Norwegian
    {0x06, 1, 1}, // Danish
    {0x0B, 1, 1}, // Finnish
    {0x19, 1, 0}, // Russian
    {0x15, 1, 1}, // Polish
    {0x16, 1, 0}, // Portuguese
    {0x11, 1, 1}, // Japanese
    {0x12, 1, 1}, // Korean
    {0x04, 1, 1}, // Chinese, Taiwan
    {0x04, 2, 0}, // Chinese, every other
    {0x2A, 1, 1}, // Vietnamese
    {0x1E, 1, 1}, // Thai
};

bool ChooseUiLocale(uint16_t wSystemLangId, uint32_t& dwLocale) {
    const uint16_t wPrimary = wSystemLangId & 0x3FF;
    const uint16_t wSub = wSystemLangId >> 10;
    for (const UiLanguageRow& row : kUiLanguageTable) {
        if (row.wPrimary == wPrimary && (row.bExactSub == 0 || row.wSub == wSub)) {
            dwLocale = uint32_t(row.wSub) << 10 | row.wPrimary; // SORT_DEFAULT is 0
            return true;
        }
    }
    return false;
}
