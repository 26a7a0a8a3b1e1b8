// Start-up's platform decisions. The order of the tests follows the kinds of row a package may
// carry: a 9x row first, then NT, then 64-bit; without any, the built-in ranges.
#include "zepPlatformGate.h"

#include "zepUtil.h"

#include <string>

namespace {

WinVersionRange Range(int nMinMajor, int nMinMinor, int nMaxMajor, int nMaxMinor) {
    WinVersionRange range;
    range.bFound = true;
    range.nMinMajor = nMinMajor;
    range.nMinMinor = nMinMinor;
    range.nMaxMajor = nMaxMajor;
    range.nMaxMinor = nMaxMinor;
    return range;
}

const WinVersionRange kDefault9x = Range(4, 10, 4, 90);
const WinVersionRange kDefaultNT = Range(5, 0, 5, 2);

// A 64-bit system is judged by the WIN64 row; without one its range is all zeros and refuses.
int NtRule(const WinVersionRange& nt, const WinVersionRange& w64, const WinSystemVersion& sys) {
    const WinVersionRange range = sys.bWow64 ? (w64.bFound ? w64 : WinVersionRange()) : nt;
    return IsVersionInRange(range, sys.nMajor, sys.nMinor) ? PLATFORM_OK_NT : PLATFORM_REFUSED;
}

int Win64Rule(const WinVersionRange& w64, const WinSystemVersion& sys) {
    if (w64.bFound && sys.nPlatformId == SYSTEM_PLATFORM_NT && sys.bWow64 &&
        IsVersionInRange(w64, sys.nMajor, sys.nMinor))
        return PLATFORM_OK_NT;
    return PLATFORM_REFUSED;
}

} // namespace

bool IsVersionInRange(const WinVersionRange& range, int nMajor, int nMinor) {
    const long long c = nMajor * 10000LL + nMinor;
    const long long lo = range.nMinMajor * 10000LL + range.nMinMinor;
    const long long hi = range.nMaxMajor * 10000LL + range.nMaxMinor;
    return c >= lo && (range.nMaxMajor == -1 || c <= hi);
}

int DecidePlatform(const WinVersionRange ranges[3], const WinSystemVersion& system) {
    const WinVersionRange& r9x = ranges[0];
    const WinVersionRange& nt = ranges[1];
    const WinVersionRange& w64 = ranges[2];
    const bool bNT = system.nPlatformId == SYSTEM_PLATFORM_NT;
    if (r9x.bFound) {
        if (system.nPlatformId == SYSTEM_PLATFORM_WIN9X)
            return IsVersionInRange(r9x, system.nMajor, system.nMinor) ? PLATFORM_OK_9X
                                                                       : PLATFORM_REFUSED;
        return bNT && nt.bFound ? NtRule(nt, w64, system) : Win64Rule(w64, system);
    }
    if (nt.bFound)
        return bNT ? NtRule(nt, w64, system) : Win64Rule(w64, system);
    if (w64.bFound)
        return Win64Rule(w64, system);
    // No row of any kind: the built-in ranges, and a 64-bit system counts as NT.
    if (system.nPlatformId == SYSTEM_PLATFORM_WIN9X)
        return IsVersionInRange(kDefault9x, system.nMajor, system.nMinor) ? PLATFORM_OK_9X
                                                                          : PLATFORM_REFUSED;
    if (bNT) {
        WinSystemVersion as32 = system;
        as32.bWow64 = false;
        return NtRule(kDefaultNT, WinVersionRange(), as32);
    }
    return PLATFORM_REFUSED;
}

bool IsGlobalNamespaceFor(bool bVersionKnown, int nPlatformId, int nMajor,
                          const char* productSuite) {
    if (!bVersionKnown || nPlatformId != SYSTEM_PLATFORM_NT || nMajor <= 3)
        return false;
    if (nMajor >= 5)
        return true;
    // NT 4: only Terminal Server has the global namespace.
    return productSuite != nullptr &&
           ZepEqualNoCase(std::string(productSuite).substr(0, 8).c_str(), "Terminal");
}

bool IsMacSystemSupported(long lVersion, long lMax, long lMin) {
    return lVersion >= lMin && (lMax < 0 || lVersion <= lMax);
}
