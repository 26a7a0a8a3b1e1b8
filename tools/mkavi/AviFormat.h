// The records of an AVI file with one RLE8 video stream, as the animation control reads it.
// Little-endian on disk; the generator runs on little-endian hosts only (checked at run time).
#pragma once

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)

struct AviMainHeader { // "avih"
    uint32_t dwMicroSecPerFrame;
    uint32_t dwMaxBytesPerSec;
    uint32_t dwPaddingGranularity;
    uint32_t dwFlags;
    uint32_t dwTotalFrames;
    uint32_t dwInitialFrames;
    uint32_t dwStreams;
    uint32_t dwSuggestedBufferSize;
    uint32_t dwWidth;
    uint32_t dwHeight;
    uint32_t dwReserved[4];
};

struct AviStreamHeader { // "strh"
    char fccType[4];
    char fccHandler[4];
    uint32_t dwFlags;
    uint16_t wPriority;
    uint16_t wLanguage;
    uint32_t dwInitialFrames;
    uint32_t dwScale;
    uint32_t dwRate; // frames per second = dwRate / dwScale
    uint32_t dwStart;
    uint32_t dwLength;
    uint32_t dwSuggestedBufferSize;
    uint32_t dwQuality;
    uint32_t dwSampleSize;
    int16_t rcFrame[4];
};

struct AviBitmapInfoHeader { // "strf" of a video stream, followed by the palette
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};

struct AviIndexEntry { // one frame in "idx1"; offsets from the "movi" tag
    char ckid[4];
    uint32_t dwFlags;
    uint32_t dwChunkOffset;
    uint32_t dwChunkLength;
};

#pragma pack(pop)

static_assert(sizeof(AviMainHeader) == 56, "avih is 56 bytes");
static_assert(sizeof(AviStreamHeader) == 56, "strh is 56 bytes");
static_assert(offsetof(AviStreamHeader, dwRate) == 24, "strh rate");
static_assert(offsetof(AviStreamHeader, rcFrame) == 48, "strh frame rectangle");
static_assert(sizeof(AviBitmapInfoHeader) == 40, "BITMAPINFOHEADER is 40 bytes");
static_assert(offsetof(AviBitmapInfoHeader, biCompression) == 16, "biCompression");
static_assert(sizeof(AviIndexEntry) == 16, "idx1 entries are 16 bytes");

enum : uint32_t {
    AVI_HAS_INDEX = 0x10,
    AVI_KEYFRAME = 0x10,
    AVI_BI_RLE8 = 1,
};
