// Result table: success and nothing-to-update say whether the device restarts by itself;
// failures -1 to -9 have a text each, any other code an empty one.
#include "zepResultMessage.h"

namespace {

const int kFailureText[] = {IDS_RESULT_WRITE, IDS_RESULT_CHECKSUM, IDS_RESULT_BUSY,
                            IDS_RESULT_FAX,   IDS_RESULT_DEVICE,   IDS_RESULT_CONNECT,
                            IDS_RESULT_MODEL, IDS_RESULT_FIRMREAD, IDS_RESULT_SYSTEM}; // -1..-9
static_assert(sizeof kFailureText / sizeof kFailureText[0] == -RESULT_ERR_SYSTEM, "one per code");

} // namespace

ResultMessage ResultMessageFor(ZEPRESULT nPageResult, yesno_type needExit) {
    const bool bRestartsItself = needExit == DEF_NO_VALUE;
    if (nPageResult == RESULT_OK)
        return {bRestartsItself ? IDS_RESULT_DONE : IDS_RESULT_DONE_RESTART,
                IDS_CAPTION_INFORMATION, false};
    if (nPageResult == RESULT_NO_UPDATE)
        return {bRestartsItself ? IDS_RESULT_CURRENT : IDS_RESULT_CURRENT_RESTART,
                IDS_CAPTION_INFORMATION, false};
    int nTextId = 0;
    if (nPageResult <= RESULT_ERR_WRITE && nPageResult >= RESULT_ERR_SYSTEM)
        nTextId = kFailureText[-nPageResult - 1];
    return {nTextId, IDS_CAPTION_WARNING, true};
}
