// Imports the planted names the ordinary way: the planting test's proof that a planted DLL
// would be loaded, so that its absence for our programs means something.
#include <windows.h>
#include <commctrl.h>
#include <setupapi.h>
#include <winspool.h>

int main(int argc, char**) {
    if (argc > 100) { // never taken: the imports alone are the point
        DWORD n = 0;
        GetDefaultPrinterA(nullptr, &n);
        InitCommonControls();
        SetupDiDestroyDeviceInfoList(INVALID_HANDLE_VALUE);
    }
    return 0;
}
