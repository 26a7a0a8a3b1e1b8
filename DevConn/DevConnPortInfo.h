// The spooler's level-1 port record, the element type of the USB port list. Windows builds take
// it from winspool.h; other builds get a record of the same shape here.
#pragma once

#include "zepTypes.h"

#ifdef _WIN32
struct _PORT_INFO_1A; // complete in winspool.h
#else
struct _PORT_INFO_1A {
    LPSTR pName;
};
typedef _PORT_INFO_1A PORT_INFO_1A;
#endif

// The name of record nIndex of a port list, for code that does not see the Windows record.
LPCSTR DevConnPortName(const _PORT_INFO_1A* pPorts, int nIndex);
