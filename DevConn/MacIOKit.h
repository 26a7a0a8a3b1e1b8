// The slice of IOKit and CoreFoundation that the macOS USB transport and port list use, with the
// system's names and calling shapes: USB interface services and their registry properties, the
// USB interface user client (opened, asked for its pipes, class requests, asynchronous bulk
// transfers), the run loop that delivers completions, and URL percent-escaping. On macOS these
// are the system's; elsewhere the stand-in library (standins/MacIOKit_sim.cpp) provides them over
// a simulated bus.
#pragma once

#include <cstddef>
#include <cstdint>

typedef uint8_t UInt8;
typedef uint16_t UInt16;
typedef uint32_t UInt32;
typedef int32_t SInt32;
typedef unsigned char Boolean;
typedef int32_t IOReturn;
typedef int32_t kern_return_t;
typedef uint32_t mach_port_t;
typedef uint32_t io_object_t;
typedef io_object_t io_service_t;
typedef io_object_t io_iterator_t;
typedef io_object_t io_registry_entry_t;
typedef double CFTimeInterval;

enum : IOReturn {
    kIOReturnSuccess = 0,
    kIOReturnError = static_cast<IOReturn>(0xE00002BC),
    kIOReturnNoMemory = static_cast<IOReturn>(0xE00002BD),
    kIOReturnBadArgument = static_cast<IOReturn>(0xE00002C2),
    kIOReturnNoDevice = static_cast<IOReturn>(0xE00002C0),
    kIOReturnExclusiveAccess = static_cast<IOReturn>(0xE00002C5),
    kIOReturnNoSpace = static_cast<IOReturn>(0xE00002C6),
    kIOReturnNotOpen = static_cast<IOReturn>(0xE00002CD),
    kIOReturnTimeout = static_cast<IOReturn>(0xE00002D6),
    kIOReturnAborted = static_cast<IOReturn>(0xE00002EB),
    kIOReturnNotResponding = static_cast<IOReturn>(0xE00002ED),
    kIOReturnNotFound = static_cast<IOReturn>(0xE00002F0),
    kIOUSBPipeStalled = static_cast<IOReturn>(0xE000404F),
};
const mach_port_t MACH_PORT_NULL = 0;
const mach_port_t bootstrap_port = 1;
const size_t kIONameSize = 128;

// Run loop results and the default mode.
enum : SInt32 {
    kCFRunLoopRunFinished = 1,
    kCFRunLoopRunStopped = 2,
    kCFRunLoopRunTimedOut = 3,
    kCFRunLoopRunHandledSource = 4,
};
typedef const char* CFStringRef;
extern const CFStringRef kCFRunLoopDefaultMode;
typedef struct __CFRunLoop* CFRunLoopRef;
typedef struct __CFRunLoopSource* CFRunLoopSourceRef;

CFRunLoopRef CFRunLoopGetCurrent();
void CFRunLoopAddSource(CFRunLoopRef rl, CFRunLoopSourceRef source, CFStringRef mode);
void CFRunLoopRemoveSource(CFRunLoopRef rl, CFRunLoopSourceRef source, CFStringRef mode);
// Runs the calling thread's loop until a callback stops it, a source was handled (when asked),
// the time passes (0: one look without waiting), or no source is attached.
SInt32 CFRunLoopRunInMode(CFStringRef mode, CFTimeInterval seconds,
                          Boolean returnAfterSourceHandled);
void CFRunLoopStop(CFRunLoopRef rl);

// Registry: matching services, parents, properties read into the caller's buffer.
typedef struct __CFDictionary* CFMutableDictionaryRef;
extern const char kIOServicePlane[];
kern_return_t IOMasterPort(mach_port_t bootstrapPort, mach_port_t* masterPort);
CFMutableDictionaryRef IOServiceMatching(const char* name);
// Consumes matching.
kern_return_t IOServiceGetMatchingServices(mach_port_t masterPort, CFMutableDictionaryRef matching,
                                           io_iterator_t* existing);
io_object_t IOIteratorNext(io_iterator_t iterator);
void IOIteratorReset(io_iterator_t iterator);
kern_return_t IOObjectRelease(io_object_t object);
kern_return_t IORegistryEntryGetParentEntry(io_registry_entry_t entry, const char* plane,
                                            io_registry_entry_t* parent);
// Copies the property's bytes (a number in its own size, a text without its NUL) and sets *size
// to their count; kIOReturnNoSpace when *size is smaller.
kern_return_t IORegistryEntryGetProperty(io_registry_entry_t entry, const char* propertyName,
                                         void* buffer, UInt32* size);
kern_return_t mach_port_deallocate(mach_port_t task, mach_port_t name);
const mach_port_t mach_task_self_ = 1;

// Plug-in and interface identifiers.
typedef struct CFUUIDBytes {
    UInt8 bytes[16];
} CFUUIDBytes;
typedef const struct __CFUUID* CFUUIDRef;
extern const CFUUIDRef kIOUSBInterfaceUserClientTypeID;
extern const CFUUIDRef kIOCFPlugInInterfaceID;
extern const CFUUIDRef kIOUSBInterfaceInterfaceID190;
CFUUIDBytes CFUUIDGetUUIDBytes(CFUUIDRef uuid);

typedef void* LPVOID;
typedef SInt32 HRESULT;
typedef UInt32 ULONG;
const HRESULT S_OK = 0;

struct IOCFPlugInInterfaceStruct {
    HRESULT (*QueryInterface)(void* self, CFUUIDBytes iid, LPVOID* ppv);
    ULONG (*Release)(void* self);
};
typedef struct IOCFPlugInInterfaceStruct IOCFPlugInInterface;
kern_return_t IOCreatePlugInInterfaceForService(io_service_t service, CFUUIDRef pluginType,
                                                CFUUIDRef interfaceType,
                                                IOCFPlugInInterface*** theInterface,
                                                SInt32* theScore);

// Class request on the default pipe, with its time-outs.
typedef struct IOUSBDevRequestTO {
    UInt8 bmRequestType;
    UInt8 bRequest;
    UInt16 wValue;
    UInt16 wIndex;
    UInt16 wLength;
    void* pData;
    UInt32 wLenDone;
    UInt32 noDataTimeout;
    UInt32 completionTimeout;
} IOUSBDevRequestTO;

// Ends an asynchronous pipe request: refcon as given, the result, and (reads, writes) the byte
// count as arg0.
typedef void (*IOAsyncCallback1)(void* refcon, IOReturn result, void* arg0);

enum : UInt8 { kUSBOut = 0, kUSBIn = 1 };
enum : UInt8 { kUSBControl = 0, kUSBIsoc = 1, kUSBBulk = 2, kUSBInterrupt = 3 };

struct IOUSBInterfaceStruct190 {
    ULONG (*Release)(void* self);
    IOReturn (*USBInterfaceOpen)(void* self);
    IOReturn (*USBInterfaceClose)(void* self);
    IOReturn (*GetConfigurationValue)(void* self, UInt8* configVal);
    IOReturn (*GetInterfaceNumber)(void* self, UInt8* intfNumber);
    IOReturn (*GetAlternateSetting)(void* self, UInt8* intfAltSetting);
    IOReturn (*GetNumEndpoints)(void* self, UInt8* intfNumEndpoints);
    IOReturn (*GetPipeProperties)(void* self, UInt8 pipeRef, UInt8* direction, UInt8* number,
                                  UInt8* transferType, UInt16* maxPacketSize, UInt8* interval);
    IOReturn (*ControlRequestTO)(void* self, UInt8 pipeRef, IOUSBDevRequestTO* req);
    IOReturn (*CreateInterfaceAsyncEventSource)(void* self, CFRunLoopSourceRef* source);
    CFRunLoopSourceRef (*GetInterfaceAsyncEventSource)(void* self);
    IOReturn (*WritePipeAsync)(void* self, UInt8 pipeRef, void* buf, UInt32 size,
                               IOAsyncCallback1 callback, void* refCon);
    IOReturn (*ReadPipeAsync)(void* self, UInt8 pipeRef, void* buf, UInt32 size,
                              IOAsyncCallback1 callback, void* refCon);
    IOReturn (*AbortPipe)(void* self, UInt8 pipeRef);
};
typedef struct IOUSBInterfaceStruct190 IOUSBInterfaceInterface190;

// CFURLCreateStringByAddingPercentEscapes over C texts in the system's encoding: characters not
// legal in a URL, '%' and those in extraToEscape become %XX. False, with out emptied, when the
// result does not fit outSize bytes with its NUL.
bool ZepUrlPercentEscape(const char* text, const char* extraToEscape, char* out, size_t outSize);
