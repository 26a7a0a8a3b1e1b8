// USB transport on macOS. Completions arrive through the run loop of the thread that issued the
// request, so every wait here runs that loop; all I/O of one connection stays on one thread.
#include "DevConnUSB_mac.h"

#include "MacUsbInterface_mac.h"
#include "zepClock.h"
#include "zepInfo.h"
#include "zepUtil.h"
#include "zepWire.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const DWORD kReadWaitMs = 10;
const DWORD kSkipPauseMs = 20;
const DWORD kAbortWaitMs = 100;
const DWORD kDefaultIdTimeoutMs = 2000;
const DWORD kMaxIdRequest = 4096;

void RemoveSource(CFRunLoopSourceRef source) {
    CFRunLoopRemoveSource(CFRunLoopGetCurrent(), source, kCFRunLoopDefaultMode);
}

} // namespace

void ReadCompletion(void* refCon, IOReturn result, void* arg0) {
    DevConnUSB* pConn = static_cast<DevConnUSB*>(refCon);
    if (result == kIOReturnSuccess)
        pConn->m_dwReaded = static_cast<DWORD>(reinterpret_cast<uintptr_t>(arg0));
    pConn->m_ReadCompletionResult = result;
    pConn->m_bReadComplete = true;
    CFRunLoopStop(CFRunLoopGetCurrent());
}

void WriteCompletion(void* refCon, IOReturn result, void*) {
    DevConnUSB* pConn = static_cast<DevConnUSB*>(refCon);
    pConn->m_WriteCompletionResult = result;
    pConn->m_bWriteComplete = true;
    CFRunLoopStop(CFRunLoopGetCurrent());
}

DevConnUSB::~DevConnUSB() {
    if (m_fConnected)
        DevConnUSB::Disconnect(); // this class's own: no override runs in a destructor
}

bool DevConnUSB::SerialFromUri(LPCSTR pPortName, const char** ppSerial) {
    static const char kScheme[] = "usb://";
    static const char kSerial[] = "serial=";
    const char* p = pPortName != nullptr ? std::strstr(pPortName, kScheme) : nullptr;
    if (p == nullptr)
        return false;
    p += sizeof kScheme - 1;
    const char* slash = *p != '\0' ? std::strchr(p + 1, '/') : nullptr;
    const char* query = slash != nullptr ? std::strchr(slash + 1, '?') : nullptr;
    const char* serial = query != nullptr ? std::strstr(query, kSerial) : nullptr;
    if (serial == nullptr)
        return false;
    *ppSerial = serial + sizeof kSerial - 1;
    return true;
}

bool DevConnUSB::IsPackageModel(const char* pszModel) {
    std::vector<std::string> models;
    if (zepinfo_getDeviceIDModelName(models) && !models.empty()) {
        for (const std::string& m : models) {
            if (m == pszModel)
                return true;
        }
        return false;
    }
    std::string tgm;
    if (!zepinfo_getTgmName(tgm))
        return false;
    std::string model = pszModel;
    const size_t cut = model.find_first_of("( ");
    if (cut != std::string::npos)
        model.resize(cut);
    return model == tgm;
}

bool DevConnUSB::getProductName(io_service_t usbInterface, char* productName) {
    char szId[kMacUsbTextLimit + 1];
    productName[0] = '\0';
    if (!MacUsbReadDeviceId(usbInterface, szId))
        return false;
    const char* pModel = FindModelKey(szId);
    ZepCopyText(productName, kMacUsbTextLimit + 1, pModel);
    return true;
}

io_service_t DevConnUSB::searchDevice(LPCSTR pPortName) {
    const char* pSerial = nullptr;
    if (!SerialFromUri(pPortName, &pSerial))
        return 0;
    mach_port_t master = MACH_PORT_NULL;
    io_iterator_t iter = 0;
    if (IOMasterPort(bootstrap_port, &master) != kIOReturnSuccess)
        return 0;
    if (IOServiceGetMatchingServices(master, IOServiceMatching("IOUSBInterface"), &iter) !=
            kIOReturnSuccess ||
        iter == 0) {
        mach_port_deallocate(mach_task_self_, master);
        return 0;
    }
    io_service_t found = 0;
    while (found == 0) {
        const io_service_t service = IOIteratorNext(iter);
        if (service == 0)
            break;
        bool bMatch = MacUsbIsMakerPrinterInterface(service);
        io_registry_entry_t parent = 0;
        const bool bParent = bMatch && IORegistryEntryGetParentEntry(service, kIOServicePlane,
                                                                     &parent) == kIOReturnSuccess;
        char szModel[kMacUsbTextLimit + 1];
        bMatch = bMatch && getProductName(service, szModel) && IsPackageModel(szModel);
        if (bMatch && bParent) {
            MacUsbText szSerial;
            bMatch = MacUsbReadText(parent, "USB Serial Number", szSerial) &&
                     std::strcmp(szSerial, pSerial) == 0;
        }
        if (bParent)
            IOObjectRelease(parent);
        if (bMatch)
            found = service;
        else
            IOObjectRelease(service);
    }
    IOObjectRelease(iter);
    mach_port_deallocate(mach_task_self_, master);
    return found;
}

void DevConnUSB::CloseContext(USBContext* pCtx) {
    if (pCtx->intf != nullptr) {
        if (pCtx->intfOpend)
            (*pCtx->intf)->USBInterfaceClose(pCtx->intf);
        pCtx->intfOpend = false;
        (*pCtx->intf)->Release(pCtx->intf);
        pCtx->intf = nullptr;
    }
    std::free(pCtx);
}

USBContext* DevConnUSB::StdUsbOpen(LPCSTR pPortName) {
    USBContext* pCtx = static_cast<USBContext*>(std::calloc(1, sizeof(USBContext)));
    if (pCtx == nullptr)
        return nullptr;
    const io_service_t service = searchDevice(pPortName);
    if (service == 0) {
        std::free(pCtx);
        return nullptr;
    }
    pCtx->intf = MacUsbCreateInterface(service);
    bool bOk = pCtx->intf != nullptr && MacUsbOpenInterface(pCtx->intf) == kIOReturnSuccess;
    pCtx->intfOpend = bOk;
    UInt8 nEndpoints = 0;
    bOk = bOk && (*pCtx->intf)->GetNumEndpoints(pCtx->intf, &nEndpoints) == kIOReturnSuccess;
    for (UInt8 pipe = 1; bOk && pipe <= nEndpoints; ++pipe) {
        UInt8 direction = 0, number = 0, type = 0, interval = 0;
        UInt16 maxPacket = 0;
        bOk = (*pCtx->intf)->GetPipeProperties(pCtx->intf, pipe, &direction, &number, &type,
                                               &maxPacket, &interval) == kIOReturnSuccess;
        if (type == kUSBBulk && direction == kUSBIn)
            pCtx->inPipe = pipe;
        else if (type == kUSBBulk)
            pCtx->outPipe = pipe;
        else if (type == kUSBInterrupt && direction == kUSBIn)
            pCtx->intrPipe = pipe;
    }
    IOObjectRelease(service);
    if (!bOk) {
        CloseContext(pCtx);
        return nullptr;
    }
    return pCtx;
}

int DevConnUSB::Connect(LPCSTR, LPCSTR pPortName, WORD) {
    ZepLock lock(m_lock);
    if (pPortName == nullptr)
        return DEVCONN_ERR_PARAM;
    if (m_fConnected)
        return DEVCONN_ERR_CONNECTED;
    USBContext* pCtx = StdUsbOpen(pPortName);
    if (pCtx == nullptr)
        return DEVCONN_ERR_OPEN;
    m_hPort = pCtx;
    m_CacheDataSize = 0;
    m_fConnected = true;
    return DEVCONN_OK;
}

bool DevConnUSB::RunUntil(const bool* pbDone, DWORD dwTimeout) {
    const unsigned long start = ZepTickCount();
    while (!*pbDone) {
        const DWORD dwPassed = ZepElapsedMs(start);
        if (dwPassed >= dwTimeout)
            return false;
        const SInt32 r =
            CFRunLoopRunInMode(kCFRunLoopDefaultMode, (dwTimeout - dwPassed) / 1000.0, true);
        if (r == kCFRunLoopRunFinished || (r == kCFRunLoopRunTimedOut && !*pbDone))
            return *pbDone;
    }
    return true;
}

BOOL DevConnUSB::WritePort(PBYTE pBuff, DWORD cbBuf, LPDWORD pcbWritten, DWORD dwTimeout) {
    if (pBuff == nullptr || pcbWritten == nullptr)
        return FALSE;
    *pcbWritten = 0;
    IOUSBInterfaceInterface190** intf = m_hPort->intf;
    CFRunLoopSourceRef source = nullptr;
    if ((*intf)->CreateInterfaceAsyncEventSource(intf, &source) != kIOReturnSuccess)
        return FALSE;
    CFRunLoopAddSource(CFRunLoopGetCurrent(), source, kCFRunLoopDefaultMode);
    m_WriteCompletionResult = kIOReturnSuccess;
    m_bWriteComplete = false;
    BOOL bOk = FALSE;
    if ((*intf)->WritePipeAsync(intf, m_hPort->outPipe, pBuff, cbBuf, WriteCompletion, this) ==
        kIOReturnSuccess) {
        if (!RunUntil(&m_bWriteComplete, dwTimeout)) {
            // The aborted request must have ended before the caller's buffer goes away.
            (*intf)->AbortPipe(intf, m_hPort->outPipe);
            RunUntil(&m_bWriteComplete, kAbortWaitMs);
        } else if (m_WriteCompletionResult == kIOReturnSuccess) {
            *pcbWritten = cbBuf;
            bOk = TRUE;
        }
    }
    RemoveSource(source);
    return bOk;
}

// Cached bytes first, then the read's, and what does not fit the request into the cache.
BOOL DevConnUSB::CompleteRead(PBYTE pBuff, DWORD cbBuf, LPDWORD pcbReaded) {
    const bool bOk = m_ReadCompletionResult == kIOReturnSuccess;
    if (bOk) {
        *pcbReaded = DeliverRead(pBuff, cbBuf, m_pReadBuf, m_dwReaded);
    }
    FreeMem(m_pReadBuf);
    m_pReadBuf = nullptr;
    return bOk ? TRUE : FALSE;
}

BOOL DevConnUSB::ReadPort(PBYTE pBuff, DWORD cbBuf, LPDWORD pcbReaded, DWORD dwTimeout) {
    BOOL bSettled = FALSE;
    if (ReadSettledByCache(pBuff, cbBuf, pcbReaded, bSettled))
        return bSettled;
    IOUSBInterfaceInterface190** intf = m_hPort->intf;
    CFRunLoopSourceRef source = nullptr;
    if ((*intf)->CreateInterfaceAsyncEventSource(intf, &source) != kIOReturnSuccess)
        return FALSE;
    CFRunLoopAddSource(CFRunLoopGetCurrent(), source, kCFRunLoopDefaultMode);
    if (!m_bReading) {
        m_dwReaded = 0;
        m_dwReadSize = ReadSizeFor(cbBuf);
        m_pReadBuf = static_cast<PBYTE>(AllocMem(m_dwReadSize));
        m_bReadComplete = false;
        m_ReadCompletionResult = kIOReturnSuccess;
        if (m_pReadBuf == nullptr ||
            (*intf)->ReadPipeAsync(intf, m_hPort->inPipe, m_pReadBuf, m_dwReadSize,
                                   ReadCompletion, this) != kIOReturnSuccess) {
            FreeMem(m_pReadBuf);
            m_pReadBuf = nullptr;
            RemoveSource(source);
            return FALSE;
        }
        m_bReading = true;
    }
    if (!RunUntil(&m_bReadComplete, dwTimeout)) {
        CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, true);
        *pcbReaded = GetCacheData(pBuff, cbBuf); // still outstanding: a later call collects it
        RemoveSource(source);
        return TRUE;
    }
    m_bReading = false;
    const BOOL bOk = CompleteRead(pBuff, cbBuf, pcbReaded);
    RemoveSource(source);
    return bOk;
}

bool DevConnUSB::IsSendFileCheck(PBYTE pSndBuf, DWORD dwSndSize) {
    if (pSndBuf == nullptr || !IsIntermediateBlock(pSndBuf, dwSndSize))
        return true;
    TAG_CMDSENDFILE head;
    std::memcpy(&head, pSndBuf, sizeof head);
    const uint32_t dwTotal = head.TotalTransmitSize.get();
    if (dwTotal == 0)
        return true;
    // 64-bit product: in 32 bits an image beyond 42 MB would wrap to nonsense percentages.
    const DWORD dwRatio =
        static_cast<DWORD>(uint64_t(head.TransmittedSize.get()) * 100 / dwTotal);
    const bool bAwait = dwRatio % 10 == 0 && dwRatio != m_dwRatio;
    m_dwRatio = dwRatio;
    return bAwait;
}

bool DevConnUSB::IsReplyAwaited(PBYTE pSndBuf, DWORD dwSndSize) {
    if (IsSendFileCheck(pSndBuf, dwSndSize))
        return true;
    ZepSleep(kSkipPauseMs);
    return false;
}

int DevConnUSB::SendRecvData(PBYTE pSndBuf, DWORD dwSndSize, PBYTE* ppRcvBuf, DWORD* pdwRcvSize) {
    return FrameSendRecv(kUsbMacFraming, pSndBuf, dwSndSize, ppRcvBuf, pdwRcvSize);
}

bool DevConnUSB::usbGetDeviceID(char* szID, DWORD* pdwSize) {
    if (szID == nullptr || pdwSize == nullptr || m_hPort == nullptr)
        return false;
    const DWORD dwWant = *pdwSize < kMaxIdRequest ? *pdwSize : kMaxIdRequest;
    const UInt32 dwTimeout = m_dwTimeout != 0 ? m_dwTimeout : kDefaultIdTimeoutMs;
    DWORD dwCount = 0;
    if (!MacUsbDeviceIdRequest(m_hPort->intf, reinterpret_cast<BYTE*>(szID),
                               static_cast<UInt16>(dwWant), dwTimeout, &dwCount))
        return false;
    *pdwSize = dwCount;
    return true;
}

int DevConnUSB::GetModelName(LPSTR* ppModelName, DWORD* pdwSize) {
    return ModelFromDeviceId(ppModelName, pdwSize, DEVCONN_ERR_DEVICEID,
                             [this](char* pBuf, DWORD cbBuf, DWORD* pcbReturned) {
                                 DWORD dwSize = cbBuf;
                                 if (!usbGetDeviceID(pBuf, &dwSize))
                                     return false;
                                 // The text follows the reply's two length bytes.
                                 const DWORD dwText = dwSize > 2 ? dwSize - 2 : 0;
                                 std::memmove(pBuf, pBuf + 2, dwText);
                                 std::memset(pBuf + dwText, 0, cbBuf - dwText);
                                 *pcbReturned = dwText;
                                 return true;
                             });
}

int DevConnUSB::SetTimeout(DWORD dwTimeout) {
    return StoreTimeout(dwTimeout);
}

int DevConnUSB::Disconnect() {
    ZepLock lock(m_lock);
    if (!m_fConnected)
        return DEVCONN_ERR_NOT_CONNECTED;
    m_CacheDataSize = 0;
    if (m_hPort != nullptr) {
        IOUSBInterfaceInterface190** intf = m_hPort->intf;
        if (m_bReading && intf != nullptr) {
            // An aborted read still writes into its buffer until it has ended: collect it.
            (*intf)->AbortPipe(intf, m_hPort->inPipe);
            CFRunLoopSourceRef source = nullptr;
            if ((*intf)->CreateInterfaceAsyncEventSource(intf, &source) == kIOReturnSuccess) {
                CFRunLoopAddSource(CFRunLoopGetCurrent(), source, kCFRunLoopDefaultMode);
                RunUntil(&m_bReadComplete, kAbortWaitMs);
                RemoveSource(source);
            }
        }
        m_bReading = false;
        FreeMem(m_pReadBuf);
        m_pReadBuf = nullptr;
        CloseContext(m_hPort);
        m_hPort = nullptr;
    }
    m_fConnected = false;
    return DEVCONN_OK;
}
