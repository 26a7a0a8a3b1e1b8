// The read cache of the USB transports: the drivers move data in 512-byte units, so what a read
// delivers beyond the bytes asked for is kept, oldest first, for the next read.
#pragma once

#include "zepTypes.h"

class DevConnUSBCache {
public:
    static const DWORD kCacheSize = 512;

protected:
    DWORD SetCacheData(PBYTE pBuff, DWORD dwSize);
    DWORD GetCacheData(PBYTE pBuff, DWORD dwSize);
    // A read size bringing at least the bytes of cbBuf the cache lacks, in whole 512-byte units.
    DWORD ReadSizeFor(DWORD cbBuf) const;
    // Cached bytes first, then those of a completed read; what does not fit the request goes into
    // the cache. Returns the number of bytes delivered into pBuff.
    DWORD DeliverRead(PBYTE pBuff, DWORD cbBuf, const BYTE* pRead, DWORD dwRead);
    // The start of every ReadPort: checks the arguments and answers from the cache alone when it
    // can. True when the call is settled, with its result in rbResult; false when the device must
    // be read.
    bool ReadSettledByCache(PBYTE pBuff, DWORD cbBuf, LPDWORD pcbReaded, BOOL& rbResult);

    DWORD m_CacheDataSize = 0;
    BYTE m_CacheBuff[kCacheSize] = {};
};
