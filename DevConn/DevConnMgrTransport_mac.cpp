// macOS choice of transport by port name. Kept in an object file of its own so that a program
// that brings its own transport factory (tests, fuzzing) can leave the real transports unlinked
// by linking DevConnMgrNoTransport.cpp instead.
#include "DevConnMgr.h"

#include "DevConnTCP.h"
#include "zepUtil.h"

#include <new>

DevConnBase* DevConnMgr::NewTransport(LPCSTR, LPCSTR pPortName) {
    if (IsStdUSBPort(pPortName)) {
        // USB transport: DevConnUSB is created here once it exists.
        return nullptr;
    }
    return new (std::nothrow) DevConnTCP();
}
