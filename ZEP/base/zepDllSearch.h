// Keeps the system's libraries from being taken from the program's own folder, where a browser
// may have saved a planted DLL next to the downloaded program.
#pragma once

// Call first thing in main: from then on DLLs are found in the system folder only. Nothing to
// do where programs do not search their own folder.
void ZepLoadSystemLibrariesOnly();
