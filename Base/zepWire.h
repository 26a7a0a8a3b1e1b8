// Wire layout of the device update protocol: every record of both directions, declared once.
// All integers are big-endian on the wire and converted on access, so any host produces the
// same bytes. Sizes and offsets are checked at compile time below.
#pragma once

#include <cstddef>
#include <cstdint>

// Big-endian integer fields: byte arrays, so records need no packing pragmas.
struct ZEP_BE16 {
    unsigned char b[2];
    uint16_t get() const { return static_cast<uint16_t>((b[0] << 8) | b[1]); }
    void set(uint16_t v) {
        b[0] = static_cast<unsigned char>(v >> 8);
        b[1] = static_cast<unsigned char>(v);
    }
};

struct ZEP_BE32 {
    unsigned char b[4];
    uint32_t get() const {
        return (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3];
    }
    void set(uint32_t v) {
        b[0] = static_cast<unsigned char>(v >> 24);
        b[1] = static_cast<unsigned char>(v >> 16);
        b[2] = static_cast<unsigned char>(v >> 8);
        b[3] = static_cast<unsigned char>(v);
    }
};

// Command codes.
enum : uint16_t {
    ZEP_CMD_GETFILE = 0x5001,
    ZEP_CMD_SENDFILE = 0x5002,
    ZEP_CMD_ENTERDOWNLOAD = 0x5101,
    ZEP_CMD_EXITDOWNLOAD = 0x5102,
    ZEP_CMD_QUERYUPDATESTATUS = 0x5103,
};

// EndNotice values of SendFile and GetFile packets.
enum : uint16_t {
    ZEP_END_MORE = 0x0000,
    ZEP_END_FINAL = 0x0080,
    ZEP_END_FINAL_QUERY = 0x0081,
    ZEP_END_CONTROL = 0x01FF,
};

// Status values in replies.
enum : uint16_t {
    ZEP_STATUS_OK = 0x0080,
    ZEP_STATUS_WRITING = 0x0081,
    ZEP_STATUS_WRITE_ERROR = 0x0803,
    ZEP_STATUS_CHECKSUM_ERROR = 0x0804,
    ZEP_STATUS_BUSY = 0x1001,
    ZEP_STATUS_FAX = 0x1002,
};

enum { ZEP_WIRE_FILENAME_SIZE = 32 };

struct TAG_SSTHEADER {
    ZEP_BE16 Reserve;
    ZEP_BE16 CommandCode;
    ZEP_BE32 DataLength; // bytes after the header
};

struct TAG_CMDGETFILE {
    TAG_SSTHEADER Header;
    ZEP_BE16 Dummy;
    char FileName[ZEP_WIRE_FILENAME_SIZE];
};

struct TAG_CMDENTERDOWNLOAD {
    TAG_SSTHEADER Header;
    ZEP_BE16 Dummy;
    char FileName[ZEP_WIRE_FILENAME_SIZE];
    ZEP_BE16 Force;
};

struct TAG_CMDEXITDOWNLOAD {
    TAG_SSTHEADER Header;
    ZEP_BE16 Dummy;
    char FileName[ZEP_WIRE_FILENAME_SIZE];
    ZEP_BE16 Reserve2;
};

struct TAG_CMDQUERYUPDATESTATUS {
    TAG_SSTHEADER Header;
    ZEP_BE16 Dummy;
    char FileName[ZEP_WIRE_FILENAME_SIZE];
};

struct TAG_CMDQUERYUPDATESTATUS_SP {
    TAG_SSTHEADER Header;
    ZEP_BE16 Dummy;
};

// 60-byte head; LengthOfSendData data bytes follow it on the wire.
struct TAG_CMDSENDFILE {
    TAG_SSTHEADER Header;
    ZEP_BE16 Dummy;
    char FileName[ZEP_WIRE_FILENAME_SIZE];
    ZEP_BE16 EndNotice;
    ZEP_BE32 TransmittedSize;
    ZEP_BE32 TotalTransmitSize;
    ZEP_BE16 CheckSum;
    ZEP_BE16 Reserve2;
    ZEP_BE32 LengthOfSendData;
};

struct TAG_RESENTERDOWNLOAD {
    TAG_SSTHEADER Header;
    ZEP_BE16 Dummy;
    ZEP_BE16 Status;
};

struct TAG_RESSENDFILE {
    TAG_SSTHEADER Header;
    ZEP_BE16 Dummy;
    ZEP_BE16 Status;
};

struct TAG_RESQUERYUPDATESTATUS {
    TAG_SSTHEADER Header;
    ZEP_BE16 Duumy;
    ZEP_BE16 Status;
    ZEP_BE32 TotalUpdateSize;
    ZEP_BE32 UpdateSize;
};

// 28-byte head; LengthOfSendData data bytes follow it on the wire.
struct TAG_RESGETFILE {
    TAG_SSTHEADER Header;
    ZEP_BE16 Dummy;
    ZEP_BE16 EndNotice;
    ZEP_BE32 TransmittedSize;
    ZEP_BE32 TotalTransmitSize;
    ZEP_BE16 CheckSum;
    ZEP_BE16 Reserve2;
    ZEP_BE32 LengthOfSendData;
};

typedef TAG_SSTHEADER SSTHEADER;
typedef TAG_CMDGETFILE CMDGETFILE;
typedef TAG_CMDSENDFILE CMDSENDFILE;
typedef TAG_CMDENTERDOWNLOAD CMDENTERDOWNLOAD;
typedef TAG_CMDEXITDOWNLOAD CMDEXITDOWNLOAD;
typedef TAG_CMDQUERYUPDATESTATUS CMDQUERYUPDATESTATUS;
typedef TAG_CMDQUERYUPDATESTATUS_SP CMDQUERYUPDATESTATUS_SP;
typedef TAG_RESENTERDOWNLOAD RESENTERDOWNLOAD;
typedef TAG_RESSENDFILE RESSENDFILE;
typedef TAG_RESGETFILE RESGETFILE;
typedef TAG_RESQUERYUPDATESTATUS RESQUERYUPDATESTATUS;

// Sum of the bytes as unsigned values, modulo 65536; 0 for an empty run.
inline uint16_t ZepChecksum(const unsigned char* p, size_t n, uint16_t seed = 0) {
    uint32_t sum = seed;
    for (size_t i = 0; i < n; ++i)
        sum += p[i];
    return static_cast<uint16_t>(sum);
}

#define ZEP_WIRE_AT(T, f, off) static_assert(offsetof(T, f) == (off), #T "." #f " offset")
static_assert(sizeof(TAG_SSTHEADER) == 8, "header size");
ZEP_WIRE_AT(TAG_SSTHEADER, CommandCode, 2);
ZEP_WIRE_AT(TAG_SSTHEADER, DataLength, 4);
static_assert(sizeof(TAG_CMDGETFILE) == 42, "GetFile size");
ZEP_WIRE_AT(TAG_CMDGETFILE, FileName, 10);
static_assert(sizeof(TAG_CMDENTERDOWNLOAD) == 44, "EnterDownload size");
ZEP_WIRE_AT(TAG_CMDENTERDOWNLOAD, Force, 42);
static_assert(sizeof(TAG_CMDEXITDOWNLOAD) == 44, "ExitDownload size");
ZEP_WIRE_AT(TAG_CMDEXITDOWNLOAD, Reserve2, 42);
static_assert(sizeof(TAG_CMDQUERYUPDATESTATUS) == 42, "QueryUpdateStatus size");
static_assert(sizeof(TAG_CMDQUERYUPDATESTATUS_SP) == 10, "QueryUpdateStatus_SP size");
static_assert(sizeof(TAG_CMDSENDFILE) == 60, "SendFile head size");
ZEP_WIRE_AT(TAG_CMDSENDFILE, FileName, 10);
ZEP_WIRE_AT(TAG_CMDSENDFILE, EndNotice, 42);
ZEP_WIRE_AT(TAG_CMDSENDFILE, TransmittedSize, 44);
ZEP_WIRE_AT(TAG_CMDSENDFILE, TotalTransmitSize, 48);
ZEP_WIRE_AT(TAG_CMDSENDFILE, CheckSum, 52);
ZEP_WIRE_AT(TAG_CMDSENDFILE, Reserve2, 54);
ZEP_WIRE_AT(TAG_CMDSENDFILE, LengthOfSendData, 56);
static_assert(sizeof(TAG_RESENTERDOWNLOAD) == 12, "ResEnterDownload size");
ZEP_WIRE_AT(TAG_RESENTERDOWNLOAD, Status, 10);
static_assert(sizeof(TAG_RESSENDFILE) == 12, "ResSendFile size");
ZEP_WIRE_AT(TAG_RESSENDFILE, Status, 10);
static_assert(sizeof(TAG_RESQUERYUPDATESTATUS) == 20, "ResQueryUpdateStatus size");
ZEP_WIRE_AT(TAG_RESQUERYUPDATESTATUS, Status, 10);
ZEP_WIRE_AT(TAG_RESQUERYUPDATESTATUS, TotalUpdateSize, 12);
ZEP_WIRE_AT(TAG_RESQUERYUPDATESTATUS, UpdateSize, 16);
static_assert(sizeof(TAG_RESGETFILE) == 28, "ResGetFile head size");
ZEP_WIRE_AT(TAG_RESGETFILE, EndNotice, 10);
ZEP_WIRE_AT(TAG_RESGETFILE, TransmittedSize, 12);
ZEP_WIRE_AT(TAG_RESGETFILE, TotalTransmitSize, 16);
ZEP_WIRE_AT(TAG_RESGETFILE, CheckSum, 20);
ZEP_WIRE_AT(TAG_RESGETFILE, Reserve2, 22);
ZEP_WIRE_AT(TAG_RESGETFILE, LengthOfSendData, 24);
#undef ZEP_WIRE_AT
