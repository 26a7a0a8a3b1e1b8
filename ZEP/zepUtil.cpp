// Platform-neutral helpers of zepUtil.h.
#include "zepUtil.h"

bool IsNumberStr(const char* psz) {
    if (psz == nullptr)
        return false;
    for (; *psz != '\0'; ++psz) {
        if (*psz < '0' || *psz > '9')
            return false;
    }
    return true;
}
