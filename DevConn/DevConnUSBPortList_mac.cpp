// The USB port list on macOS: one URI per printer interface of the maker, built from the USB
// registry and each device's IEEE 1284 device ID.
#include "DevConnMgr.h"

#include "MacUsbInterface_mac.h"
#include "zepUtil.h"

#include <cstdio>
#include <cstring>

namespace {

// Percent-escaping can make a text up to three times longer.
const size_t kEscapedSize = 3 * kMacUsbTextLimit + 1;

void CopyValue(const char* pValue, char* pOut) {
    ZepCopyText(pOut, kMacUsbTextLimit + 1, pValue);
}

} // namespace

bool DevConnMgr::getVendorProductName(io_service_t usbInterface, char* vendorName,
                                      char* productName) {
    char szId[kMacUsbTextLimit + 1];
    if (!MacUsbReadDeviceId(usbInterface, szId))
        return false;
    // Each scan cuts the text at its ';', so the model is read from a copy.
    char szCopy[kMacUsbTextLimit + 1];
    std::memcpy(szCopy, szId, sizeof szCopy);
    CopyValue(DevConnBase::FindModelKey(szCopy), productName);
    CopyValue(DevConnBase::FindMFGKey(szId), vendorName);
    return true;
}

bool DevConnMgr::MacUSBPortURL(io_service_t usbInterface, char* pProtURL) {
    if (!MacUsbIsMakerPrinterInterface(usbInterface))
        return false;
    io_registry_entry_t device = 0;
    if (IORegistryEntryGetParentEntry(usbInterface, kIOServicePlane, &device) != kIOReturnSuccess)
        return false;
    MacUsbText szSerial, szVendor = "", szProduct = "";
    bool bOk = MacUsbReadText(device, "USB Serial Number", szSerial);
    if (bOk && !getVendorProductName(usbInterface, szVendor, szProduct)) {
        bOk = MacUsbReadText(device, "USB Vendor Name", szVendor) &&
              MacUsbReadText(device, "USB Product Name", szProduct);
    }
    IOObjectRelease(device);
    char szVendorEsc[kEscapedSize], szProductEsc[kEscapedSize];
    if (!bOk || !ZepUrlPercentEscape(szVendor, "", szVendorEsc, sizeof szVendorEsc) ||
        !ZepUrlPercentEscape(szProduct, "/()", szProductEsc, sizeof szProductEsc))
        return false;
    // A URI that does not fit is left out rather than cut: a cut one would name no device.
    const int n = std::snprintf(pProtURL, kUsbUrlSize, "%s%s/%s%s%s", "usb://", szVendorEsc,
                                szProductEsc, "?serial=", szSerial);
    return n > 0 && static_cast<size_t>(n) < kUsbUrlSize;
}

int DevConnMgr::MacEnumUSBPort(_PORT_INFO_1A** ppPort) {
    *ppPort = nullptr;
    mach_port_t master = MACH_PORT_NULL;
    if (IOMasterPort(bootstrap_port, &master) != kIOReturnSuccess)
        return 0;
    io_iterator_t iter = 0;
    if (IOServiceGetMatchingServices(master, IOServiceMatching("IOUSBInterface"), &iter) !=
            kIOReturnSuccess ||
        iter == 0) {
        mach_port_deallocate(mach_task_self_, master);
        return 0;
    }
    char szUrl[kUsbUrlSize];
    int nCount = 0;
    size_t cbText = 0;
    for (io_service_t s; (s = IOIteratorNext(iter)) != 0; IOObjectRelease(s)) {
        if (MacUSBPortURL(s, szUrl)) {
            ++nCount;
            cbText += std::strlen(szUrl) + 1;
        }
    }
    _PORT_INFO_1A* pBlock = nullptr;
    int nFilled = 0;
    if (nCount > 0) {
        IOIteratorReset(iter);
        const size_t cbRecords = nCount * sizeof(_PORT_INFO_1A);
        pBlock = static_cast<_PORT_INFO_1A*>(AllocMem(cbRecords + cbText));
        char* pText = reinterpret_cast<char*>(pBlock) + cbRecords;
        size_t cbUsed = 0;
        // The bus may have changed since the count: never more records or text than it made room for.
        for (io_service_t s; pBlock != nullptr && (s = IOIteratorNext(iter)) != 0;
             IOObjectRelease(s)) {
            if (nFilled == nCount || !MacUSBPortURL(s, szUrl))
                continue;
            const size_t cb = std::strlen(szUrl) + 1;
            if (cbUsed + cb > cbText)
                continue;
            std::memcpy(pText + cbUsed, szUrl, cb);
            pBlock[nFilled++].pName = pText + cbUsed;
            cbUsed += cb;
        }
    }
    IOObjectRelease(iter);
    mach_port_deallocate(mach_task_self_, master);
    if (nFilled == 0) {
        FreeMem(pBlock);
        return 0;
    }
    *ppPort = pBlock;
    return nFilled;
}
