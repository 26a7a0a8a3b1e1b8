// Keeps the system's libraries from being taken from the program's own folder, where a browser
// may have saved a planted DLL next to the downloaded program.
#pragma once

// Call first thing in main: from then on DLLs are found in the system folder only. Nothing to
// do where programs do not search their own folder.
void ZepLoadSystemLibrariesOnly();

#ifdef _WIN32
#include <windows.h>

// A DLL of the system folder, by its name there; the DLLs it imports come from that folder too,
// never from the program's folder, the current folder or PATH. Null when it cannot be loaded.
HMODULE ZepLoadSystemDll(const char* pszName);
#endif
