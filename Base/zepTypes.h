// Vocabulary shared by the engine and the connection interfaces on both platforms: the Windows
// type names (defined here for non-Windows builds) and the engine's result codes.
#pragma once

#include <cstdint>

#ifdef _WIN32
typedef unsigned long DWORD; // identical to the SDK's typedefs, so windows.h may follow
#else
typedef uint32_t DWORD;
#endif
typedef unsigned short WORD;
typedef unsigned char BYTE;
typedef BYTE* PBYTE;
typedef DWORD* LPDWORD;
typedef char* LPSTR;
typedef const char* LPCSTR;
#ifndef __OBJC__
typedef int BOOL;
#else
// Objective-C brings its own one-byte BOOL. Sources in that language reach the interfaces that
// take the Windows BOOL only through plain C++ files (ZEP_WIN_BOOL_UNAVAILABLE stops them).
#define ZEP_WIN_BOOL_UNAVAILABLE 1
#endif
typedef void* HANDLE;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Engine result code: 1 success, -11 no update needed, every other value a failure.
typedef int32_t ZEPRESULT;
typedef ZEPRESULT RESULT;

enum : ZEPRESULT {
    RESULT_OK = 1,
    RESULT_ERR_WRITE = -1,
    RESULT_ERR_CHECKSUM = -2,
    RESULT_ERR_BUSY = -3,
    RESULT_ERR_FAX = -4,
    RESULT_ERR_DEVICE = -5,
    RESULT_ERR_CONNECT = -6,
    RESULT_ERR_MODEL = -7,
    RESULT_ERR_FIRMREAD = -8,
    RESULT_ERR_SYSTEM = -9,
    RESULT_ERR_PARAM = -10,
    RESULT_NO_UPDATE = -11,
    RESULT_ERR_COMPATIBLE = -12,
};

// Fixed buffer sizes of the system.
enum {
    ZEP_FILENAME_SIZE = 32, // device file names, package directory names
    ZEP_NAME_SIZE = 256,    // printer and port names
    ZEP_PATH_SIZE = 260,    // paths
    ZEP_BUNDLE_PATH_SIZE = 1024,
};
