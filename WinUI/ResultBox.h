// The message box that tells the outcome of an update.
#pragma once

#include "zepTypes.h"

// Text, caption and icon by the result table, with the NEEDEXITOPERATION of the package.
void ShowResultMessage(ZEPRESULT nPageResult);
