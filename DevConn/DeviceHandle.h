// The manager's record of one open handle, and the predicate that finds a record by its value.
#pragma once

#include "zepTypes.h"

class DevConnBase;

struct DeviceHandle {
    HANDLE m_hDevice = nullptr;
    DevConnBase* m_hDevConn = nullptr; // owned by the manager
};

class DeviceHandleFinder {
public:
    explicit DeviceHandleFinder(HANDLE hDevice) : m_hDevice(hDevice) {}
    bool operator()(const DeviceHandle* pRecord) const {
        return pRecord != nullptr && pRecord->m_hDevice == m_hDevice;
    }

private:
    HANDLE m_hDevice;
};
