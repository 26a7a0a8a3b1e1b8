// The result table is shared with the console updater; only the texts are the wizard's own.
#include "ResultBox.h"

#include "WinText.h"
#include "zepInfo.h"
#include "zepResultMessage.h"

#include <windows.h>

void ShowResultMessage(ZEPRESULT nPageResult) {
    // Absent reads as NO; an unreadable value stays DEF_ERROR_VALUE (the restart texts).
    yesno_type needExit = DEF_NO_VALUE;
    zepinfo_getNeedExitOparetion(needExit);
    const ResultMessage message = ResultMessageFor(nPageResult, needExit);
    ShowMessage(nullptr, UINT(message.nTextId), UINT(message.nCaptionId),
                MB_OK | (message.bWarning ? MB_ICONWARNING : MB_ICONINFORMATION));
}
