// How the Windows program reads VERSION rows of ZEPINFO.txt: a TYPE=VERSION field counts
// wherever it stands and the last one wins, the package file name keeps its directory part, and
// there is no DISPFIRM.
#include "zepParse.h"

const zepParse::VersionRules zepParse::s_versionRules = {
    true,  // bTypeAnywhere
    true,  // bLastTypeWins
    false, // bStripFolder
    false, // bDispFirm
};
