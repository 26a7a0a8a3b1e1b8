// Stand-in for the Gestalt system-version query (UI/zep_etc_mac.cpp on a Mac): GNUstep on other
// systems reports the highest version the 'sysv' query can express (10.9 and every later release
// report 0x1090), so any package that runs on a current macOS runs here.
#include "zep_etc.h"

long zepQuerySystemVersion(void) {
    return 0x1090;
}
