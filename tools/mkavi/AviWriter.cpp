// AVI writer and the progress clip. Every frame is a key frame, so the control may start
// anywhere and loop without drawing leftovers.
#include "AviWriter.h"

#include "AviFormat.h"

#include <algorithm>
#include <cstring>

namespace {

class Bytes {
public:
    void Tag(const char* fcc) { m_data.insert(m_data.end(), fcc, fcc + 4); }
    void U32(uint32_t v) {
        for (int i = 0; i < 4; ++i)
            m_data.push_back(uint8_t(v >> (8 * i)));
    }
    void Raw(const void* p, size_t n) {
        const uint8_t* b = static_cast<const uint8_t*>(p);
        m_data.insert(m_data.end(), b, b + n);
    }
    // Opens a chunk (or a LIST/RIFF with its form type) and returns where its size goes.
    size_t Open(const char* fcc, const char* form = nullptr) {
        Tag(fcc);
        const size_t at = m_data.size();
        U32(0);
        if (form != nullptr)
            Tag(form);
        return at;
    }
    void Close(size_t at) {
        const uint32_t size = uint32_t(m_data.size() - at - 4);
        for (int i = 0; i < 4; ++i)
            m_data[at + i] = uint8_t(size >> (8 * i));
        if (m_data.size() % 2 != 0)
            m_data.push_back(0); // chunks are word aligned
    }
    size_t Size() const { return m_data.size(); }
    std::vector<uint8_t>& Data() { return m_data; }

private:
    std::vector<uint8_t> m_data;
};

// Tiny drawing helpers over one frame.
struct Canvas {
    int w, h;
    std::vector<uint8_t> px;
    Canvas(int width, int height, uint8_t bg)
        : w(width), h(height), px(size_t(width * height), bg) {}
    void Fill(int x, int y, int cw, int ch, uint8_t c) {
        for (int j = std::max(0, y); j < std::min(h, y + ch); ++j)
            for (int i = std::max(0, x); i < std::min(w, x + cw); ++i)
                px[size_t(j) * size_t(w) + size_t(i)] = c;
    }
    void Frame(int x, int y, int cw, int ch, uint8_t fill, uint8_t edge) {
        Fill(x, y, cw, ch, edge);
        Fill(x + 1, y + 1, cw - 2, ch - 2, fill);
    }
};

enum : uint8_t { BG, EDGE, SCREEN, BODY, PAPER, INK, TRAY, LAMP };

const uint32_t kPalette[] = {0xF0F0F0, 0x404040, 0x3A6EA5, 0xC8C8C8,
                             0xFFFFFF, 0x808080, 0x9A9A9A, 0x2EA043};

void DrawScene(Canvas& c, int nFrame) {
    // The computer on the left.
    c.Frame(6, 6, 44, 30, SCREEN, EDGE);
    c.Fill(24, 36, 8, 4, EDGE);
    c.Fill(14, 40, 28, 3, EDGE);
    // The printer on the right, its paper slot facing the travelling page.
    c.Frame(196, 14, 54, 26, BODY, EDGE);
    c.Frame(204, 8, 38, 7, TRAY, EDGE);
    c.Fill(196, 22, 2, 10, EDGE);
    c.Fill(238, 32, 6, 3, nFrame % 2 == 0 ? LAMP : BODY);
    // The page: from the computer to the printer over the clip.
    const int x = 52 + nFrame * (190 - 52 - 18) / 14;
    const int y = 14 + (nFrame % 5 == 2 ? -1 : 0);
    c.Frame(x, y, 18, 22, PAPER, EDGE);
    for (int line = 0; line < 4; ++line)
        c.Fill(x + 3, y + 4 + line * 4, line == 3 ? 7 : 12, 1, INK);
}

} // namespace

std::vector<uint8_t> EncodeRle8(const std::vector<uint8_t>& pixels, int nWidth, int nHeight) {
    std::vector<uint8_t> out;
    for (int row = nHeight - 1; row >= 0; --row) { // bottom-up
        const uint8_t* p = &pixels[size_t(row) * size_t(nWidth)];
        for (int x = 0; x < nWidth;) {
            int run = 1;
            while (x + run < nWidth && run < 255 && p[x + run] == p[x])
                ++run;
            out.push_back(uint8_t(run));
            out.push_back(p[x]);
            x += run;
        }
        out.push_back(0);
        out.push_back(row == 0 ? 1 : 0); // end of bitmap after the top row, else end of line
    }
    return out;
}

bool DecodeRle8(const uint8_t* pData, size_t cbData, int nWidth, int nHeight,
                std::vector<uint8_t>& pixels) {
    pixels.assign(size_t(nWidth) * size_t(nHeight), 0);
    int x = 0, row = nHeight - 1;
    for (size_t i = 0; i + 1 < cbData; i += 2) {
        const uint8_t count = pData[i], value = pData[i + 1];
        if (count != 0) {
            if (row < 0 || x + count > nWidth)
                return false;
            std::memset(&pixels[size_t(row) * size_t(nWidth) + size_t(x)], value, count);
            x += count;
        } else if (value == 0 || value == 1) { // end of line / end of bitmap
            if (x != nWidth)
                return false;
            x = 0;
            --row;
            if (value == 1)
                return row == -1 && i + 2 == cbData;
        } else {
            return false; // this writer uses neither deltas nor absolute runs
        }
    }
    return false;
}

std::vector<uint8_t> WriteAvi(const AviClip& clip) {
    std::vector<std::vector<uint8_t>> encoded;
    uint32_t dwLargest = 0;
    for (const std::vector<uint8_t>& frame : clip.frames) {
        encoded.push_back(EncodeRle8(frame, clip.nWidth, clip.nHeight));
        dwLargest = std::max(dwLargest, uint32_t(encoded.back().size()));
    }
    const uint32_t dwFrames = uint32_t(clip.frames.size());
    const uint32_t dwFps = 1000000 / clip.dwFrameMicroseconds;

    Bytes b;
    const size_t riff = b.Open("RIFF", "AVI ");
    const size_t hdrl = b.Open("LIST", "hdrl");
    AviMainHeader avih = {};
    avih.dwMicroSecPerFrame = clip.dwFrameMicroseconds;
    avih.dwMaxBytesPerSec = dwLargest * dwFps;
    avih.dwFlags = AVI_HAS_INDEX;
    avih.dwTotalFrames = dwFrames;
    avih.dwStreams = 1;
    avih.dwSuggestedBufferSize = dwLargest;
    avih.dwWidth = uint32_t(clip.nWidth);
    avih.dwHeight = uint32_t(clip.nHeight);
    size_t at = b.Open("avih");
    b.Raw(&avih, sizeof avih);
    b.Close(at);

    const size_t strl = b.Open("LIST", "strl");
    AviStreamHeader strh = {};
    std::memcpy(strh.fccType, "vids", 4);
    std::memcpy(strh.fccHandler, "RLE ", 4);
    strh.dwScale = 1;
    strh.dwRate = dwFps;
    strh.dwLength = dwFrames;
    strh.dwSuggestedBufferSize = dwLargest;
    strh.dwQuality = 0xFFFFFFFF;
    strh.rcFrame[2] = int16_t(clip.nWidth);
    strh.rcFrame[3] = int16_t(clip.nHeight);
    at = b.Open("strh");
    b.Raw(&strh, sizeof strh);
    b.Close(at);
    AviBitmapInfoHeader bih = {};
    bih.biSize = sizeof bih;
    bih.biWidth = clip.nWidth;
    bih.biHeight = clip.nHeight;
    bih.biPlanes = 1;
    bih.biBitCount = 8;
    bih.biCompression = AVI_BI_RLE8;
    bih.biSizeImage = uint32_t(clip.nWidth * clip.nHeight);
    bih.biClrUsed = uint32_t(clip.palette.size());
    at = b.Open("strf");
    b.Raw(&bih, sizeof bih);
    for (uint32_t rgb : clip.palette)
        b.U32(rgb); // RGBQUAD: blue, green, red, 0
    b.Close(at);
    b.Close(strl);
    b.Close(hdrl);

    const size_t movi = b.Open("LIST", "movi");
    const size_t moviTag = movi + 4;
    std::vector<AviIndexEntry> index;
    for (const std::vector<uint8_t>& frame : encoded) {
        AviIndexEntry entry = {};
        std::memcpy(entry.ckid, "00dc", 4);
        entry.dwFlags = AVI_KEYFRAME;
        entry.dwChunkOffset = uint32_t(b.Size() - moviTag);
        entry.dwChunkLength = uint32_t(frame.size());
        index.push_back(entry);
        at = b.Open("00dc");
        b.Raw(frame.data(), frame.size());
        b.Close(at);
    }
    b.Close(movi);
    at = b.Open("idx1");
    b.Raw(index.data(), index.size() * sizeof(AviIndexEntry));
    b.Close(at);
    b.Close(riff);
    return b.Data();
}

AviClip MakeProgressClip() {
    AviClip clip;
    clip.nWidth = 256;
    clip.nHeight = 50;
    clip.dwFrameMicroseconds = 100000;
    clip.palette.assign(std::begin(kPalette), std::end(kPalette));
    for (int n = 0; n < 15; ++n) {
        Canvas canvas(clip.nWidth, clip.nHeight, BG);
        DrawScene(canvas, n);
        clip.frames.push_back(canvas.px);
    }
    return clip;
}
