// macOS choice of transport by port name. Kept in an object file of its own so that a program
// that brings its own transport factory (tests, fuzzing) can leave the real transports unlinked
// by linking DevConnMgrNoTransport.cpp instead.
#include "DevConnMgr.h"

#include "DevConnTCP.h"
#include "DevConnUSB_mac.h"
#include "zepUtil.h"

#include <new>

DevConnBase* DevConnMgr::NewTransport(LPCSTR, LPCSTR pPortName) {
    if (IsStdUSBPort(pPortName))
        return new (std::nothrow) DevConnUSB();
    return new (std::nothrow) DevConnTCP();
}
