// What all connections share besides the framing: the memory list of buffers handed to callers,
// the receive packet size and the device-ID key scan.
#include "DevConnBase.h"

#include "zepUtil.h"
#include "zepWire.h"

#include <algorithm>
#include <cstring>
#include <new>

DevConnBase::~DevConnBase() {
    for (void* p : m_MemList)
        FreeMem(p);
}

int DevConnBase::SetRecvPacketSize(DWORD dwRcvPktSize) {
    ZepLock lock(m_lock);
    m_dwRcvPktSize = std::max<DWORD>(dwRcvPktSize, sizeof(TAG_SSTHEADER));
    return DEVCONN_OK;
}

int DevConnBase::DisposeData(void* pbuf) {
    ZepLock lock(m_lock);
    auto it = std::find(m_MemList.begin(), m_MemList.end(), pbuf);
    if (pbuf == nullptr || it == m_MemList.end())
        return DEVCONN_ERR_NOT_OWNED;
    m_MemList.erase(it);
    FreeMem(pbuf);
    return DEVCONN_OK;
}

bool DevConnBase::addMemList(void* p) {
    if (p == nullptr)
        return false;
    try {
        m_MemList.push_back(p);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool DevConnBase::IsReplyAwaited(PBYTE, DWORD) {
    return true;
}

// Walks the "KEY:value;" pairs, cutting each value at its ';'. Only keys written with a capital
// 'M' count, as the devices write them.
static char* ScanDeviceIdKey(char* pszDeviceID, const char* const* ppKeys, size_t nKeys) {
    if (pszDeviceID == nullptr)
        return nullptr;
    char* pResult = nullptr;
    char* pPos = pszDeviceID;
    while (*pPos != '\0') {
        char* pColon = std::strchr(pPos, ':');
        if (pColon == nullptr)
            break;
        size_t keyLen = static_cast<size_t>(pColon - pPos) + 1;
        for (size_t i = 0; *pPos == 'M' && i < nKeys; ++i) {
            if (ZepEqualNoCase(std::string(pPos, keyLen), std::string(ppKeys[i])))
                pResult = pColon + 1;
        }
        char* pSemi = std::strchr(pColon + 1, ';');
        if (pSemi == nullptr)
            break;
        *pSemi = '\0';
        pPos = pSemi + 1;
    }
    return pResult;
}

char* DevConnBase::FindModelKey(char* pszDeviceID) {
    static const char* const keys[] = {"MODEL:", "MDL:"};
    return ScanDeviceIdKey(pszDeviceID, keys, 2);
}

char* DevConnBase::FindMFGKey(char* pszDeviceID) {
    static const char* const keys[] = {"MFG:"};
    return ScanDeviceIdKey(pszDeviceID, keys, 1);
}

int DevConnBase::ReturnModelName(const char* pszModel, LPSTR* ppModelName, DWORD* pdwSize) {
    *ppModelName = nullptr;
    *pdwSize = 0;
    if (pszModel == nullptr)
        return DEVCONN_OK;
    size_t size = std::strlen(pszModel) + 1;
    char* pCopy = static_cast<char*>(AllocMem(size));
    if (pCopy == nullptr)
        return DEVCONN_ERR_MEMORY;
    std::memcpy(pCopy, pszModel, size);
    if (!addMemList(pCopy)) {
        FreeMem(pCopy);
        return DEVCONN_ERR_MEMORY;
    }
    *ppModelName = pCopy;
    *pdwSize = static_cast<DWORD>(size);
    return DEVCONN_OK;
}

int DevConnBase::StoreTimeout(DWORD dwTimeout) {
    ZepLock lock(m_lock);
    if (dwTimeout == 0)
        return DEVCONN_ERR_PARAM;
    if (!m_fConnected)
        return DEVCONN_ERR_NOT_CONNECTED;
    m_dwTimeout = dwTimeout;
    return DEVCONN_OK;
}
