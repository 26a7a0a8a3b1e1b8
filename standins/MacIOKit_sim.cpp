// IOKit and CoreFoundation as the macOS USB code sees them, over the simulated bus of
// HALVARD_USB_BUS: each printer line is an interface service with its parent device, its user
// client opens (or answers exclusive access), answers the device-ID class request, and carries
// its bulk pipes to a TCP peer. Requests progress and complete only while the issuing thread runs
// its run loop, as completions do on the real system.
#include "MacIOKit.h"

#include "MacUsbSimBus.h"
#include "zepClock.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <poll.h>
#include <set>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

const CFStringRef kCFRunLoopDefaultMode = "kCFRunLoopDefaultMode";
const char kIOServicePlane[] = "IOService";

struct __CFUUID {
    CFUUIDBytes bytes;
};
static const __CFUUID kUserClientType = {{{0x2d, 0x97, 0x86, 0xc6}}};
static const __CFUUID kPlugInInterface = {{{0xc2, 0x44, 0xe8, 0x58}}};
static const __CFUUID kInterface190 = {{{0x8f, 0xdb, 0x84, 0x55}}};
const CFUUIDRef kIOUSBInterfaceUserClientTypeID = &kUserClientType;
const CFUUIDRef kIOCFPlugInInterfaceID = &kPlugInInterface;
const CFUUIDRef kIOUSBInterfaceInterfaceID190 = &kInterface190;

CFUUIDBytes CFUUIDGetUUIDBytes(CFUUIDRef uuid) {
    return uuid->bytes;
}

namespace {

// The simulated interface: configuration 1, interface 1 of the device, alternate setting 0; pipe 1
// bulk in, pipe 2 bulk out, pipe 3 interrupt in.
const UInt8 kConfigValue = 1;
const UInt8 kInterfaceNumber = 1;
const UInt8 kAltSetting = 0;
const UInt8 kPipeBulkIn = 1;
const UInt8 kPipeBulkOut = 2;
struct PipeInfo {
    UInt8 direction, number, transferType;
    UInt16 maxPacketSize;
    UInt8 interval;
};
const PipeInfo kPipes[] = {{kUSBIn, 2, kUSBBulk, 512, 0},
                           {kUSBOut, 1, kUSBBulk, 512, 0},
                           {kUSBIn, 3, kUSBInterrupt, 8, 10}};

// ---- registry objects ----

enum class Kind { Matching, Iterator, Interface, Device };

struct RegObject {
    explicit RegObject(Kind k) : kind(k) {}
    Kind kind;
    std::string strClass;             // Matching
    std::vector<SimUsbPrinter> items; // Iterator
    size_t next = 0;
    SimUsbPrinter printer; // Interface, Device
};

std::mutex g_lock; // registry objects, exclusive-open counts, open interfaces
std::map<io_object_t, std::unique_ptr<RegObject>> g_objects;
io_object_t g_nextObject = 100;
std::map<std::string, int> g_refusedOpens;
std::set<std::string> g_openInterfaces;
std::vector<std::string> g_openAttempts;
void (*g_resetHook)() = nullptr;

io_object_t AddObject(std::unique_ptr<RegObject> obj) {
    const io_object_t id = g_nextObject++;
    g_objects[id] = std::move(obj);
    return id;
}

RegObject* FindObject(io_object_t id) {
    auto it = g_objects.find(id);
    return it == g_objects.end() ? nullptr : it->second.get();
}

// ---- user client and run loop ----

struct Request {
    bool bWrite;
    UInt8 pipe;
    UInt8* buf;
    UInt32 size;
    UInt32 done;
    IOAsyncCallback1 callback;
    void* refCon;
    bool bAborted;
};

struct UserClient;

} // namespace

struct __CFRunLoopSource {
    UserClient* client;
};

struct __CFRunLoop {
    std::vector<__CFRunLoopSource*> sources;
    bool bStop = false;
};

namespace {

struct UserClient {
    UserClient(const IOUSBInterfaceInterface190* v, const SimUsbPrinter& p) : vtbl(v), printer(p) {}
    const IOUSBInterfaceInterface190* vtbl;
    SimUsbPrinter printer;
    bool bOpen = false;
    int fd = -1;
    __CFRunLoopSource source{this};
    bool bSourceCreated = false;
    std::deque<Request> pending;
};

struct PlugIn {
    const IOCFPlugInInterface* vtbl;
    SimUsbPrinter printer;
};

UserClient* Client(void* self) {
    return static_cast<UserClient*>(self);
}

void CloseSocket(UserClient* c) {
    if (c->fd >= 0) {
        close(c->fd);
        c->fd = -1;
    }
}

bool ConnectPeer(UserClient* c) {
    if (c->fd >= 0)
        return true;
    if (c->printer.strTcpHost.empty())
        return false;
    addrinfo hints = {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* res = nullptr;
    const std::string port = std::to_string(c->printer.wTcpPort);
    if (getaddrinfo(c->printer.strTcpHost.c_str(), port.c_str(), &hints, &res) != 0)
        return false;
    int fd = socket(res->ai_family, res->ai_socktype, res->ai_protocol);
    if (fd >= 0 && connect(fd, res->ai_addr, res->ai_addrlen) != 0) {
        close(fd);
        fd = -1;
    }
    freeaddrinfo(res);
    c->fd = fd;
    return fd >= 0;
}

ULONG ClientRelease(void* self) {
    UserClient* c = Client(self);
    if (c->bOpen) {
        std::lock_guard<std::mutex> lock(g_lock);
        g_openInterfaces.erase(c->printer.strKey);
    }
    CloseSocket(c);
    delete c;
    return 0;
}

IOReturn ClientOpen(void* self) {
    UserClient* c = Client(self);
    std::lock_guard<std::mutex> lock(g_lock);
    g_openAttempts.push_back(c->printer.strKey);
    int& refused = g_refusedOpens[c->printer.strKey];
    if (refused < c->printer.nExclusiveOpens) {
        ++refused;
        return kIOReturnExclusiveAccess;
    }
    if (c->bOpen || !g_openInterfaces.insert(c->printer.strKey).second)
        return kIOReturnExclusiveAccess;
    c->bOpen = true;
    return kIOReturnSuccess;
}

IOReturn ClientClose(void* self) {
    UserClient* c = Client(self);
    if (!c->bOpen)
        return kIOReturnNotOpen;
    {
        std::lock_guard<std::mutex> lock(g_lock);
        g_openInterfaces.erase(c->printer.strKey);
    }
    c->bOpen = false;
    c->pending.clear();
    CloseSocket(c);
    return kIOReturnSuccess;
}

IOReturn GetConfigurationValue(void*, UInt8* v) {
    *v = kConfigValue;
    return kIOReturnSuccess;
}

IOReturn GetInterfaceNumber(void*, UInt8* v) {
    *v = kInterfaceNumber;
    return kIOReturnSuccess;
}

IOReturn GetAlternateSetting(void*, UInt8* v) {
    *v = kAltSetting;
    return kIOReturnSuccess;
}

IOReturn GetNumEndpoints(void* self, UInt8* v) {
    if (!Client(self)->bOpen)
        return kIOReturnNotOpen;
    *v = static_cast<UInt8>(sizeof kPipes / sizeof kPipes[0]);
    return kIOReturnSuccess;
}

IOReturn GetPipeProperties(void* self, UInt8 pipeRef, UInt8* direction, UInt8* number,
                           UInt8* transferType, UInt16* maxPacketSize, UInt8* interval) {
    if (!Client(self)->bOpen)
        return kIOReturnNotOpen;
    if (pipeRef == 0 || pipeRef > sizeof kPipes / sizeof kPipes[0])
        return kIOReturnBadArgument;
    const PipeInfo& p = kPipes[pipeRef - 1];
    *direction = p.direction;
    *number = p.number;
    *transferType = p.transferType;
    *maxPacketSize = p.maxPacketSize;
    *interval = p.interval;
    return kIOReturnSuccess;
}

// GET_DEVICE_ID of the printer class: a request with other fields stalls, as a device would.
IOReturn ControlRequestTO(void* self, UInt8 pipeRef, IOUSBDevRequestTO* req) {
    UserClient* c = Client(self);
    if (!c->bOpen)
        return kIOReturnNotOpen;
    if (pipeRef != 0 || req == nullptr || req->pData == nullptr)
        return kIOReturnBadArgument;
    req->wLenDone = 0;
    if (req->bmRequestType != 0xA1 || req->bRequest != 0 || req->wValue != kConfigValue - 1 ||
        req->wIndex != ((kInterfaceNumber << 8) | kAltSetting) || !c->printer.bHasDeviceId)
        return kIOUSBPipeStalled;
    const std::string& id = c->printer.strDeviceId;
    std::vector<UInt8> reply(2 + id.size());
    reply[0] = static_cast<UInt8>(reply.size() >> 8);
    reply[1] = static_cast<UInt8>(reply.size() & 0xFF);
    std::memcpy(reply.data() + 2, id.data(), id.size());
    const UInt32 n = std::min<UInt32>(req->wLength, static_cast<UInt32>(reply.size()));
    std::memcpy(req->pData, reply.data(), n);
    req->wLenDone = n;
    return kIOReturnSuccess;
}

IOReturn CreateAsyncEventSource(void* self, CFRunLoopSourceRef* source) {
    UserClient* c = Client(self);
    c->bSourceCreated = true;
    *source = &c->source;
    return kIOReturnSuccess;
}

CFRunLoopSourceRef GetAsyncEventSource(void* self) {
    UserClient* c = Client(self);
    return c->bSourceCreated ? &c->source : nullptr;
}

IOReturn QueueRequest(void* self, bool bWrite, UInt8 pipeRef, void* buf, UInt32 size,
                      IOAsyncCallback1 callback, void* refCon) {
    UserClient* c = Client(self);
    if (!c->bOpen)
        return kIOReturnNotOpen;
    if (pipeRef != (bWrite ? kPipeBulkOut : kPipeBulkIn) || buf == nullptr || callback == nullptr)
        return kIOReturnBadArgument;
    if (!c->bSourceCreated)
        return kIOReturnNotOpen; // no way to deliver the completion
    if (!ConnectPeer(c))
        return kIOReturnNoDevice;
    c->pending.push_back(
        Request{bWrite, pipeRef, static_cast<UInt8*>(buf), size, 0, callback, refCon, false});
    return kIOReturnSuccess;
}

IOReturn WritePipeAsync(void* self, UInt8 pipeRef, void* buf, UInt32 size,
                        IOAsyncCallback1 callback, void* refCon) {
    return QueueRequest(self, true, pipeRef, buf, size, callback, refCon);
}

IOReturn ReadPipeAsync(void* self, UInt8 pipeRef, void* buf, UInt32 size, IOAsyncCallback1 callback,
                       void* refCon) {
    return QueueRequest(self, false, pipeRef, buf, size, callback, refCon);
}

IOReturn AbortPipe(void* self, UInt8 pipeRef) {
    UserClient* c = Client(self);
    if (!c->bOpen)
        return kIOReturnNotOpen;
    for (Request& r : c->pending) {
        if (r.pipe == pipeRef)
            r.bAborted = true;
    }
    return kIOReturnSuccess;
}

const IOUSBInterfaceInterface190 kClientVtbl = {
    ClientRelease,          ClientOpen,          ClientClose,
    GetConfigurationValue,  GetInterfaceNumber,  GetAlternateSetting,
    GetNumEndpoints,        GetPipeProperties,   ControlRequestTO,
    CreateAsyncEventSource, GetAsyncEventSource, WritePipeAsync,
    ReadPipeAsync,          AbortPipe,
};

HRESULT PlugInQueryInterface(void* self, CFUUIDBytes iid, LPVOID* ppv) {
    if (ppv == nullptr)
        return static_cast<HRESULT>(0x80000003);
    *ppv = nullptr;
    if (std::memcmp(&iid, &kInterface190.bytes, sizeof iid) != 0)
        return static_cast<HRESULT>(0x80000004); // no such interface
    UserClient* c = new UserClient(&kClientVtbl, static_cast<PlugIn*>(self)->printer);
    *ppv = c;
    return S_OK;
}

ULONG PlugInRelease(void* self) {
    delete static_cast<PlugIn*>(self);
    return 0;
}

const IOCFPlugInInterface kPlugInVtbl = {PlugInQueryInterface, PlugInRelease};

// Moves a request on as far as the socket allows now; true when it has ended.
bool Progress(UserClient* c, Request& r, IOReturn& result) {
    if (r.bAborted) {
        result = kIOReturnAborted;
        return true;
    }
    if (r.bWrite) {
        while (r.done < r.size) {
            const ssize_t n =
                send(c->fd, r.buf + r.done, r.size - r.done, MSG_DONTWAIT | MSG_NOSIGNAL);
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return false;
            if (n <= 0) {
                result = kIOReturnNotResponding;
                return true;
            }
            r.done += static_cast<UInt32>(n);
        }
        result = kIOReturnSuccess;
        return true;
    }
    const ssize_t n = recv(c->fd, r.buf, r.size, MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        return false;
    if (n <= 0) {
        result = kIOReturnNoDevice; // the peer is gone: the device was unplugged
        return true;
    }
    r.done = static_cast<UInt32>(n);
    result = kIOReturnSuccess;
    return true;
}

// Completes the first request of the loop's sources that has ended; false when none has.
bool DeliverOne(__CFRunLoop* rl) {
    for (__CFRunLoopSource* s : rl->sources) {
        UserClient* c = s->client;
        for (auto it = c->pending.begin(); it != c->pending.end(); ++it) {
            IOReturn result = kIOReturnSuccess;
            if (!Progress(c, *it, result))
                continue;
            const Request r = *it;
            c->pending.erase(it);
            r.callback(r.refCon, result, reinterpret_cast<void*>(static_cast<uintptr_t>(r.done)));
            return true;
        }
    }
    return false;
}

void WaitForSockets(__CFRunLoop* rl, int nMs) {
    std::vector<pollfd> fds;
    for (__CFRunLoopSource* s : rl->sources) {
        for (const Request& r : s->client->pending) {
            if (s->client->fd >= 0)
                fds.push_back({s->client->fd, short(r.bWrite ? POLLOUT : POLLIN), 0});
        }
    }
    poll(fds.data(), fds.size(), nMs);
}

thread_local __CFRunLoop t_runLoop;

} // namespace

CFRunLoopRef CFRunLoopGetCurrent() {
    return &t_runLoop;
}

void CFRunLoopAddSource(CFRunLoopRef rl, CFRunLoopSourceRef source, CFStringRef) {
    if (std::find(rl->sources.begin(), rl->sources.end(), source) == rl->sources.end())
        rl->sources.push_back(source);
}

void CFRunLoopRemoveSource(CFRunLoopRef rl, CFRunLoopSourceRef source, CFStringRef) {
    rl->sources.erase(std::remove(rl->sources.begin(), rl->sources.end(), source),
                      rl->sources.end());
}

void CFRunLoopStop(CFRunLoopRef rl) {
    rl->bStop = true;
}

SInt32 CFRunLoopRunInMode(CFStringRef, CFTimeInterval seconds, Boolean returnAfterSourceHandled) {
    __CFRunLoop* rl = &t_runLoop;
    rl->bStop = false;
    if (rl->sources.empty())
        return kCFRunLoopRunFinished;
    const unsigned long start = ZepTickCount();
    const unsigned long limit = seconds > 0 ? static_cast<unsigned long>(seconds * 1000.0) : 0;
    for (;;) {
        if (DeliverOne(rl)) {
            if (rl->bStop)
                return kCFRunLoopRunStopped;
            if (returnAfterSourceHandled)
                return kCFRunLoopRunHandledSource;
            continue;
        }
        const unsigned long passed = ZepElapsedMs(start);
        if (passed >= limit)
            return kCFRunLoopRunTimedOut;
        WaitForSockets(rl, static_cast<int>(limit - passed));
    }
}

std::vector<std::string> TakeSimUsbOpenAttempts() {
    std::lock_guard<std::mutex> lock(g_lock);
    std::vector<std::string> attempts;
    attempts.swap(g_openAttempts);
    return attempts;
}

void SetSimUsbResetHook(void (*hook)()) {
    g_resetHook = hook;
}

kern_return_t IOMasterPort(mach_port_t, mach_port_t* masterPort) {
    *masterPort = 2;
    return kIOReturnSuccess;
}

kern_return_t mach_port_deallocate(mach_port_t, mach_port_t) {
    return kIOReturnSuccess;
}

CFMutableDictionaryRef IOServiceMatching(const char* name) {
    std::unique_ptr<RegObject> m(new RegObject(Kind::Matching));
    m->strClass = name != nullptr ? name : "";
    std::lock_guard<std::mutex> lock(g_lock);
    return reinterpret_cast<CFMutableDictionaryRef>(
        static_cast<uintptr_t>(AddObject(std::move(m))));
}

kern_return_t IOServiceGetMatchingServices(mach_port_t masterPort, CFMutableDictionaryRef matching,
                                           io_iterator_t* existing) {
    const io_object_t matchId = static_cast<io_object_t>(reinterpret_cast<uintptr_t>(matching));
    std::vector<SimUsbPrinter> bus = LoadSimUsbBus();
    std::lock_guard<std::mutex> lock(g_lock);
    RegObject* m = FindObject(matchId);
    if (masterPort == MACH_PORT_NULL || m == nullptr || m->kind != Kind::Matching ||
        existing == nullptr)
        return kIOReturnBadArgument;
    std::unique_ptr<RegObject> it(new RegObject(Kind::Iterator));
    it->strClass = m->strClass;
    if (m->strClass == "IOUSBInterface")
        it->items = bus;
    g_objects.erase(matchId);
    *existing = AddObject(std::move(it));
    return kIOReturnSuccess;
}

io_object_t IOIteratorNext(io_iterator_t iterator) {
    std::lock_guard<std::mutex> lock(g_lock);
    RegObject* it = FindObject(iterator);
    if (it == nullptr || it->kind != Kind::Iterator || it->next >= it->items.size())
        return 0;
    std::unique_ptr<RegObject> intf(new RegObject(Kind::Interface));
    intf->printer = it->items[it->next++];
    return AddObject(std::move(intf));
}

// The bus is read again: a printer attached since shows up in the next walk.
void IOIteratorReset(io_iterator_t iterator) {
    if (g_resetHook != nullptr)
        g_resetHook();
    std::vector<SimUsbPrinter> bus = LoadSimUsbBus();
    std::lock_guard<std::mutex> lock(g_lock);
    RegObject* it = FindObject(iterator);
    if (it == nullptr || it->kind != Kind::Iterator)
        return;
    if (it->strClass == "IOUSBInterface")
        it->items = bus;
    it->next = 0;
}

kern_return_t IOObjectRelease(io_object_t object) {
    std::lock_guard<std::mutex> lock(g_lock);
    return g_objects.erase(object) != 0 ? kIOReturnSuccess : kIOReturnBadArgument;
}

kern_return_t IORegistryEntryGetParentEntry(io_registry_entry_t entry, const char* plane,
                                            io_registry_entry_t* parent) {
    std::lock_guard<std::mutex> lock(g_lock);
    RegObject* obj = FindObject(entry);
    if (obj == nullptr || parent == nullptr || plane == nullptr ||
        std::strcmp(plane, kIOServicePlane) != 0 || obj->kind != Kind::Interface)
        return kIOReturnBadArgument;
    if (obj->printer.bNoParent)
        return kIOReturnNoDevice;
    std::unique_ptr<RegObject> dev(new RegObject(Kind::Device));
    dev->printer = obj->printer;
    *parent = AddObject(std::move(dev));
    return kIOReturnSuccess;
}

kern_return_t IORegistryEntryGetProperty(io_registry_entry_t entry, const char* propertyName,
                                         void* buffer, UInt32* size) {
    std::lock_guard<std::mutex> lock(g_lock);
    RegObject* obj = FindObject(entry);
    if (obj == nullptr || propertyName == nullptr || buffer == nullptr || size == nullptr ||
        (obj->kind != Kind::Interface && obj->kind != Kind::Device))
        return kIOReturnBadArgument;
    const SimUsbPrinter& p = obj->printer;
    const std::string name = propertyName;
    UInt8 number[2];
    const void* pData = nullptr;
    UInt32 n = 0;
    if (name == "idVendor" || name == "idProduct") {
        const UInt16 v = name == "idVendor" ? p.idVendor : p.idProduct;
        std::memcpy(number, &v, 2);
        pData = number;
        n = 2;
    } else if (name == "bInterfaceClass" && obj->kind == Kind::Interface) {
        number[0] = p.bInterfaceClass;
        pData = number;
        n = 1;
    } else if (obj->kind == Kind::Device) {
        const struct {
            const char* name;
            bool has;
            const std::string& text;
        } texts[] = {{"USB Serial Number", p.bHasSerial, p.strSerial},
                     {"USB Vendor Name", p.bHasVendorName, p.strVendorName},
                     {"USB Product Name", p.bHasProductName, p.strProductName}};
        for (const auto& t : texts) {
            if (name == t.name && t.has) {
                pData = t.text.data();
                n = static_cast<UInt32>(t.text.size());
            }
        }
    }
    if (pData == nullptr)
        return kIOReturnNotFound;
    if (*size < n)
        return kIOReturnNoSpace;
    std::memcpy(buffer, pData, n);
    *size = n;
    return kIOReturnSuccess;
}

kern_return_t IOCreatePlugInInterfaceForService(io_service_t service, CFUUIDRef pluginType,
                                                CFUUIDRef interfaceType,
                                                IOCFPlugInInterface*** theInterface,
                                                SInt32* theScore) {
    if (theInterface == nullptr || pluginType != kIOUSBInterfaceUserClientTypeID ||
        interfaceType != kIOCFPlugInInterfaceID)
        return kIOReturnBadArgument;
    std::lock_guard<std::mutex> lock(g_lock);
    RegObject* obj = FindObject(service);
    if (obj == nullptr || obj->kind != Kind::Interface)
        return kIOReturnBadArgument;
    PlugIn* plugIn = new PlugIn{&kPlugInVtbl, obj->printer};
    *theInterface = reinterpret_cast<IOCFPlugInInterface**>(plugIn);
    if (theScore != nullptr)
        *theScore = 0;
    return kIOReturnSuccess;
}

namespace {

// RFC 2396's unreserved and reserved characters, which a URL may carry as they are.
bool IsLegalInUrl(unsigned char ch) {
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') ||
           (ch != 0 && std::strchr("-_.!~*'();/?:@&=+$,#[]", ch) != nullptr);
}

} // namespace

bool ZepUrlPercentEscape(const char* text, const char* extraToEscape, char* out, size_t outSize) {
    static const char kHex[] = "0123456789ABCDEF";
    if (out == nullptr || outSize == 0)
        return false;
    size_t n = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); p != nullptr && *p;
         ++p) {
        const bool bEscape = !IsLegalInUrl(*p) || (extraToEscape != nullptr &&
                                                   std::strchr(extraToEscape, *p) != nullptr);
        const size_t need = bEscape ? 3 : 1;
        if (n + need >= outSize) {
            out[0] = '\0';
            return false;
        }
        if (bEscape) {
            out[n++] = '%';
            out[n++] = kHex[*p >> 4];
            out[n++] = kHex[*p & 0x0F];
        } else {
            out[n++] = static_cast<char>(*p);
        }
    }
    out[n] = '\0';
    return true;
}
