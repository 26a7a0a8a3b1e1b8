// The operating-system gate of start-up as pure decisions: whether this Windows system lies in
// the package's PLATFORMVERSION ranges (or the built-in ones), which mutex namespace it has,
// and the macOS form. The programs feed in what the system reports.
#pragma once

// Platform codes of the PLATFORMVERSION rows.
enum {
    PLATFORM_WIN9X = 1,
    PLATFORM_WINNT = 2,
    PLATFORM_WIN64 = 3,
    PLATFORM_MACOS = 4,
};

// Platform ids as GetVersionEx reports them.
enum {
    SYSTEM_PLATFORM_WIN9X = 1, // VER_PLATFORM_WIN32_WINDOWS
    SYSTEM_PLATFORM_NT = 2,    // VER_PLATFORM_WIN32_NT
};

struct WinVersionRange {
    bool bFound = false;
    int nMinMajor = 0, nMinMinor = 0;
    int nMaxMajor = 0, nMaxMinor = 0; // nMaxMajor -1: no upper bound
};

struct WinSystemVersion {
    int nPlatformId = 0;
    int nMajor = 0, nMinor = 0;
    bool bWow64 = false; // a 32-bit program on 64-bit Windows
};

// Gate results.
enum {
    PLATFORM_OK_9X = 0,
    PLATFORM_OK_NT = 1,
    PLATFORM_REFUSED = 2,
};

// Versions compare as major * 10000 + minor.
bool IsVersionInRange(const WinVersionRange& range, int nMajor, int nMinor);

// ranges[0..2]: the WIN9X, WINNT and WIN64 rows as found in the information text.
int DecidePlatform(const WinVersionRange ranges[3], const WinSystemVersion& system);

// Whether kernel objects take the "Global\" prefix. productSuite is the ProductSuite value of
// the product-options key (null when absent); only NT 4 reads it.
bool IsGlobalNamespaceFor(bool bVersionKnown, int nPlatformId, int nMajor,
                          const char* productSuite);

// The macOS gate: lMax below 0 means no upper bound.
bool IsMacSystemSupported(long lVersion, long lMax, long lMin);
