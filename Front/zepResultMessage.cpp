// Result table: success and nothing-to-update say whether the device restarts by itself;
// failures -1 to -9 have a text each, any other code an empty one.
#include "zepResultMessage.h"

namespace {

const int kFailureText[] = {149, 150, 151, 152, 153, 154, 155, 156, 157}; // -1 to -9

} // namespace

ResultMessage ResultMessageFor(ZEPRESULT nPageResult, yesno_type needExit) {
    const bool bRestartsItself = needExit == DEF_NO_VALUE;
    if (nPageResult == RESULT_OK)
        return {bRestartsItself ? 146 : 145, RESULT_CAPTION_INFORMATION, false};
    if (nPageResult == RESULT_NO_UPDATE)
        return {bRestartsItself ? 148 : 147, RESULT_CAPTION_INFORMATION, false};
    int nTextId = 0;
    if (nPageResult <= RESULT_ERR_WRITE && nPageResult >= RESULT_ERR_SYSTEM)
        nTextId = kFailureText[-nPageResult - 1];
    return {nTextId, RESULT_CAPTION_WARNING, true};
}
