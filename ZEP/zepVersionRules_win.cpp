// Windows program: the compatible minimum does not enter the version check.
#include "zepVersionRules.h"

bool zepAppliesCompatibleVersion() {
    return false;
}
