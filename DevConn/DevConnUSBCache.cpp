// The USB transports' read cache.
#include "DevConnUSBCache.h"

#include <cstring>

DWORD DevConnUSBCache::SetCacheData(PBYTE pBuff, DWORD dwSize) {
    if (pBuff == nullptr || dwSize == 0)
        return 0;
    const DWORD dwTake =
        dwSize < kCacheSize - m_CacheDataSize ? dwSize : kCacheSize - m_CacheDataSize;
    std::memcpy(m_CacheBuff + m_CacheDataSize, pBuff, dwTake);
    m_CacheDataSize += dwTake;
    return dwTake;
}

DWORD DevConnUSBCache::GetCacheData(PBYTE pBuff, DWORD dwSize) {
    if (pBuff == nullptr || dwSize == 0 || m_CacheDataSize == 0)
        return 0;
    const DWORD dwMove = dwSize < m_CacheDataSize ? dwSize : m_CacheDataSize;
    std::memcpy(pBuff, m_CacheBuff, dwMove);
    std::memmove(m_CacheBuff, m_CacheBuff + dwMove, m_CacheDataSize - dwMove);
    m_CacheDataSize -= dwMove;
    return dwMove;
}

DWORD DevConnUSBCache::ReadSizeFor(DWORD cbBuf) const {
    const DWORD dwMissing = cbBuf - m_CacheDataSize;
    return (dwMissing + kCacheSize - 1) / kCacheSize * kCacheSize;
}

DWORD DevConnUSBCache::DeliverRead(PBYTE pBuff, DWORD cbBuf, const BYTE* pRead, DWORD dwRead) {
    DWORD dwCount = GetCacheData(pBuff, cbBuf);
    const DWORD dwFit = cbBuf - dwCount < dwRead ? cbBuf - dwCount : dwRead;
    std::memcpy(pBuff + dwCount, pRead, dwFit);
    dwCount += dwFit;
    SetCacheData(const_cast<PBYTE>(pRead) + dwFit, dwRead - dwFit);
    return dwCount;
}

bool DevConnUSBCache::ReadSettledByCache(PBYTE pBuff, DWORD cbBuf, LPDWORD pcbReaded,
                                         BOOL& rbResult) {
    rbResult = TRUE;
    if (pBuff == nullptr || pcbReaded == nullptr) {
        rbResult = FALSE;
        return true;
    }
    *pcbReaded = 0;
    if (cbBuf == 0)
        return true;
    if (m_CacheDataSize >= cbBuf) {
        *pcbReaded = GetCacheData(pBuff, cbBuf);
        return true;
    }
    return false;
}
