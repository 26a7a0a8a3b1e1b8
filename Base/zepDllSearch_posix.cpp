// POSIX programs: shared libraries are not searched for beside the program.
#include "zepDllSearch.h"

void ZepLoadSystemLibrariesOnly() {}
