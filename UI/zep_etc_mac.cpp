// macOS: the Gestalt system-version query. Chosen by the build on a Mac; elsewhere the stand-in
// library answers (standins/SystemVersion_gnustep.cpp).
#include "zep_etc.h"

#include <CoreServices/CoreServices.h>

long zepQuerySystemVersion(void) {
    SInt32 version = 0;
    return Gestalt(gestaltSystemVersion, &version) == noErr ? static_cast<long>(version) : 0;
}
