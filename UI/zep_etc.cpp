// The version seam: the reported version comes from the platform's query unless a test set one.
#include "zep_etc.h"

namespace {
long g_testVersion = 0;
}

long getSystemVersion(void) {
    return g_testVersion != 0 ? g_testVersion : zepQuerySystemVersion();
}

long get_system_version(void) {
    return getSystemVersion();
}

void set_system_version_for_test(long lVersion) {
    g_testVersion = lVersion;
}
