// The one message that ends an update, chosen from the page result: which text, which caption
// and which icon. Shared by the wizard (texts from its string table) and the console updater.
#pragma once

#include "zepParse.h"
#include "zepTextIds.h"
#include "zepTypes.h"

struct ResultMessage {
    int nTextId;    // 0: the result has no text of its own (an empty message)
    int nCaptionId; // IDS_CAPTION_WARNING or IDS_CAPTION_INFORMATION
    bool bWarning;  // warning icon, else information
};

// nPageResult: 1 updated, -11 nothing to update, anything else a failure. needExit is
// NEEDEXITOPERATION; absent counts as NO.
ResultMessage ResultMessageFor(ZEPRESULT nPageResult, yesno_type needExit);
