// The English texts of the Windows progress page and result message, shared by the console
// updater so that both programs tell the user the same things.
#pragma once

#include "zepParse.h"
#include "zepTypes.h"

#include <cstdint>
#include <string>

// Status lines of the progress page, by string id. Each has a numbered "%d" form under id + 1,
// except IDS_FINISHING.
enum StatusTextId {
    IDS_CHECKING_VERSION = 171,
    IDS_PREPARING = 173,
    IDS_OVERWRITING = 175,
    IDS_FINISHING = 177,
};

// The page's text before the first tick.
extern const char* const kConnectingText;

// The status line for nSingleId: the numbered form, with dwFirmIdx, when firmwareCount is not 1.
std::string StatusText(int nSingleId, unsigned int firmwareCount, uint32_t dwFirmIdx);

struct ResultMessage {
    int nTextId;         // 0 when the result has no message
    const char* pszText; // empty when the result has no message
    int nCaptionId;      // 112 "Information" or 111 "Warning"
    const char* pszCaption;
    bool bWarning;
};

// Caption of a message box: 111 "Warning" or 112 "Information".
const char* CaptionText(bool bWarning);

// The message that ends an update with page result nPageResult (1 updated, -11 nothing to
// update, anything else a failure). needExit is NEEDEXITOPERATION; absent counts as NO.
ResultMessage ResultMessageFor(ZEPRESULT nPageResult, yesno_type needExit);
