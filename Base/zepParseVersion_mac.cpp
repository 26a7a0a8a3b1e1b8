// How the macOS program reads VERSION rows of ZEPINFO.txt: the firmware type is the first field
// only, the package file name loses any directory part, and DISPFIRM renames the shown type.
#include "zepParse.h"

const zepParse::VersionRules zepParse::s_versionRules = {
    false, // bTypeAnywhere
    false, // bLastTypeWins
    true,  // bStripFolder
    true,  // bDispFirm
};
