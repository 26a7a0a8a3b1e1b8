// Result codes of the connection manager and every transport: 0 for success, a negative code
// for each kind of failure. The engine reads -8, -11, -12, -13 and -14 as communication failures.
#pragma once

enum : int {
    DEVCONN_OK = 0,
    DEVCONN_ERR_EVENT = -1,       // a system event object could not be created
    DEVCONN_ERR_PARAM = -2,       // null pointer, missing port name, port 0, zero time-out
    DEVCONN_ERR_CREATE = -3,      // no connection object could be created or registered
    DEVCONN_ERR_HANDLE = -4,      // unknown handle
    DEVCONN_ERR_MEMORY = -5,      // no memory for a reply or model name, or the list is full
    DEVCONN_ERR_NOT_OWNED = -6,   // buffer not handed out by this connection
    DEVCONN_ERR_UNSUPPORTED = -7, // not supported by this transport
    DEVCONN_ERR_OPEN = -8,        // the device could not be reached or opened
    DEVCONN_ERR_NOT_CONNECTED = -9,
    DEVCONN_ERR_CONNECTED = -10,   // already connected
    DEVCONN_ERR_PM_DEVICEID = -11, // the port monitor's device-ID request failed
    DEVCONN_ERR_SEND = -12,        // error, time-out or short write
    DEVCONN_ERR_RECV = -13,        // read error, or a reply that cannot be a whole message
    DEVCONN_ERR_DEVICEID = -14,    // the USB device-ID request failed
};
