// The transport choice of a program that always sets DevConnMgr::SetTransportFactory: there is
// none, so no real transport is linked into it. Linked as an object, ahead of the devconn library.
#include "DevConnMgr.h"

DevConnBase* DevConnMgr::NewTransport(LPCSTR, LPCSTR) {
    return nullptr;
}
