// macOS program: the compatible minimum is applied.
#include "zepVersionRules.h"

bool zepAppliesCompatibleVersion() {
    return true;
}
