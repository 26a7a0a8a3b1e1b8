// Small helpers shared by the engine and the connections: the allocator of every buffer handed
// across the connection interface, digit tests and the print-port name tests.
#pragma once

#include "zepTypes.h"

#include <cstddef>
#include <cstring>
#include <string>

// Zero-filled block, or null when memory is exhausted. Windows: the process heap; elsewhere
// calloc. Every such block is released with FreeMem, never with delete or free.
void* AllocMem(size_t size);
void FreeMem(void* p); // null is ignored

// True when every character of the text is a decimal digit; an empty text counts as digits.
bool IsNumberStr(const char* psz);

// Print-port name tests; all false for null. Windows and macOS rules differ (zepPortName_*.cpp).
bool IsStdUSBPort(const char* PortName);
bool IsUSBPRNPort(const char* PortName);
bool IsMPUSBPRNPort(const char* PortName);
// A port that one of the three USB tests accepts.
bool IsAnyUsbPort(const char* PortName);
// Ports a remote-desktop session creates: "TS" in any case, then up to three digits.
bool IsRedirectedPort(const char* PortName);

// ASCII comparison ignoring case; a null text counts as empty.
bool ZepEqualNoCase(const char* a, const char* b);
// The same over whole strings: an embedded NUL does not end the comparison early.
bool ZepEqualNoCase(const std::string& a, const std::string& b);

// Bounded copy into a fixed name field: a name that does not fit leaves the field empty (all
// zero), never cut, since a cut name would name another file.
template <size_t N> void ZepCopyName(char (&dst)[N], const char* pszName) {
    const size_t len = pszName != nullptr ? std::strlen(pszName) : 0;
    std::memset(dst, 0, N);
    if (len < N && len != 0)
        std::memcpy(dst, pszName, len);
}
// Bounded copy of a display text into a buffer of `size` bytes: cut to fit and always ended.
// Null leaves the buffer as it is.
void ZepCopyText(char* pDst, size_t size, const char* pszText);
