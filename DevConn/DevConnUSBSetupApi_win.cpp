// The device of a USB printing-class port through SetupAPI: the interface whose registry key
// names the port ("Base Name" and "Port Number"), opened for overlapped I/O without sharing.
#include "DevConnUSB_win.h"

#include "zepUtil.h"

#include <initguid.h>
#include <setupapi.h>

#include <cstdio>
#include <vector>

DEFINE_GUID(ZEP_GUID_DEVINTERFACE_USBPRINT, 0x28D78FAD, 0x5A12, 0x11D1, 0xAE, 0x5B, 0x00, 0x00,
            0xF8, 0x03, 0xA8, 0xC2);

namespace {

const DWORD kIoctlParQueryDeviceId = 0x0016000C;

bool ReadInterfaceValue(HDEVINFO hSet, SP_DEVICE_INTERFACE_DATA* pIf, LPCSTR pszValue, DWORD dwType,
                        BYTE* pData, DWORD cbData) {
    HKEY hKey = SetupDiOpenDeviceInterfaceRegKey(hSet, pIf, 0, KEY_READ);
    if (hKey == INVALID_HANDLE_VALUE)
        return false;
    DWORD dwGotType = 0;
    const bool bRead =
        RegQueryValueExA(hKey, pszValue, nullptr, &dwGotType, pData, &cbData) == ERROR_SUCCESS &&
        dwGotType == dwType;
    RegCloseKey(hKey);
    return bRead;
}

HANDLE OpenInterface(HDEVINFO hSet, SP_DEVICE_INTERFACE_DATA* pIf) {
    DWORD cbDetail = 0;
    SetupDiGetDeviceInterfaceDetailA(hSet, pIf, nullptr, 0, &cbDetail, nullptr);
    if (cbDetail < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A))
        return nullptr;
    std::vector<BYTE> detail(cbDetail, 0);
    auto* pDetail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(detail.data());
    pDetail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A); // the fixed part's size
    if (!SetupDiGetDeviceInterfaceDetailA(hSet, pIf, pDetail, cbDetail, nullptr, nullptr))
        return nullptr;
    HANDLE h = CreateFileA(pDetail->DevicePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    return h == INVALID_HANDLE_VALUE ? nullptr : h;
}

class SetupApiAccess : public UsbPrintDeviceAccess {
public:
    HANDLE Open(LPCSTR pPortName) override {
        HDEVINFO hSet = SetupDiGetClassDevsA(&ZEP_GUID_DEVINTERFACE_USBPRINT, nullptr, nullptr,
                                             DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
        if (hSet == INVALID_HANDLE_VALUE)
            return nullptr;
        HANDLE hDevice = nullptr;
        for (DWORD i = 0;; ++i) {
            SP_DEVICE_INTERFACE_DATA iface = {};
            iface.cbSize = sizeof iface;
            if (!SetupDiEnumDeviceInterfaces(hSet, nullptr, &ZEP_GUID_DEVINTERFACE_USBPRINT, i,
                                             &iface) &&
                GetLastError() == ERROR_NO_MORE_ITEMS)
                break;
            DWORD dwPortNumber = 0;
            if (!ReadInterfaceValue(hSet, &iface, "Port Number", REG_DWORD,
                                    reinterpret_cast<BYTE*>(&dwPortNumber), sizeof dwPortNumber))
                continue;
            char szBase[261] = {};
            const bool bBase = ReadInterfaceValue(hSet, &iface, "Base Name", REG_SZ,
                                                  reinterpret_cast<BYTE*>(szBase), 260);
            char szName[300];
            UsbInterfacePortName(bBase ? szBase : nullptr, dwPortNumber, szName);
            if (!ZepEqualNoCase(szName, pPortName))
                continue;
            hDevice = OpenInterface(hSet, &iface);
            break; // the port's interface, whether or not it could be opened
        }
        SetupDiDestroyDeviceInfoList(hSet);
        return hDevice;
    }

    bool QueryDeviceId(HANDLE hDevice, char* pBuf, DWORD cbBuf, DWORD* pcbReturned) override {
        return DeviceIoControl(hDevice, kIoctlParQueryDeviceId, nullptr, 0, pBuf, cbBuf,
                               pcbReturned, nullptr) != FALSE;
    }
};

} // namespace

UsbPrintDeviceAccess& SetupApiUsbAccess() {
    static SetupApiAccess access;
    return access;
}

void UsbInterfacePortName(LPCSTR pBaseName, DWORD dwPortNumber, char (&szName)[300]) {
    std::snprintf(szName, sizeof szName, "%s%03u",
                  pBaseName != nullptr && pBaseName[0] != '\0' ? pBaseName : "USB",
                  static_cast<unsigned>(dwPortNumber));
}
