// Builds the progress animation: frames of 8-bit pixels, run-length encoded (RLE8) into an AVI.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct AviClip {
    int nWidth = 0;
    int nHeight = 0;
    uint32_t dwFrameMicroseconds = 0;
    std::vector<uint32_t> palette;            // 0x00RRGGBB, at most 256
    std::vector<std::vector<uint8_t>> frames; // top row first, nWidth * nHeight each
};

// RLE8 of one frame as a bottom-up DIB: encoded runs only, end of line, end of bitmap.
std::vector<uint8_t> EncodeRle8(const std::vector<uint8_t>& pixels, int nWidth, int nHeight);

// Pixels of an RLE8 frame, top row first; false for a stream that does not make one whole frame.
bool DecodeRle8(const uint8_t* pData, size_t cbData, int nWidth, int nHeight,
                std::vector<uint8_t>& pixels);

std::vector<uint8_t> WriteAvi(const AviClip& clip);

// A page travelling from a computer to a printer: 15 frames of 256 by 50, 100 ms each.
AviClip MakeProgressClip();
