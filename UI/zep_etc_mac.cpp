// macOS: the Gestalt system-version query.
#include <CoreServices/CoreServices.h>

long zepQuerySystemVersion(void) {
    SInt32 version = 0;
    return Gestalt(gestaltSystemVersion, &version) == noErr ? static_cast<long>(version) : 0;
}
