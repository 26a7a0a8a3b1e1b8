// One look at the whole package before any device is touched: ZEPINFO.txt readable and every
// image a VERSION row names present and lying inside the package file. An update otherwise
// finds a broken package only after it has written the images before the broken one.
#pragma once

#include "zepTypes.h"

#include <string>

// RESULT_OK, or RESULT_ERR_FIRMREAD with a sentence for the user in strProblem. Reads the
// package through zepBindInfo and the rows through g_ZepInfo, which must be loaded.
ZEPRESULT ZepCheckPackage(std::string& strProblem);

// The first of ENTERTIME, EXITTIME and UPDATETIME that g_ZepInfo lacks or cannot read, or null.
// Without them an update would enter download mode and then fail every image.
const char* ZepMissingTimeLimit();
