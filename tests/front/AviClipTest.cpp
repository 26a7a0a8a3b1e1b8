// The progress animation as the animation control reads it: the file's chunk layout, the
// stream's figures, and every frame decoding back to exactly the pixels drawn.
#include "AviFormat.h"
#include "AviWriter.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}

bool TagAt(const std::vector<uint8_t>& b, size_t at, const char* tag) {
    return at + 4 <= b.size() && std::memcmp(&b[at], tag, 4) == 0;
}

// Offset of the first chunk with this tag at or after 'from' inside [from, end).
size_t Find(const std::vector<uint8_t>& b, size_t from, size_t end, const char* tag) {
    while (from + 8 <= end) {
        if (TagAt(b, from, tag) || (TagAt(b, from, "LIST") && TagAt(b, from + 8, tag)))
            return from;
        from += 8 + ((U32(b, from + 4) + 1) & ~1u);
    }
    return std::string::npos;
}

} // namespace

TEST(AviClip, ProgressClipIsWhatTheAnimationControlPlays) {
    const AviClip clip = MakeProgressClip();
    const std::vector<uint8_t> avi = WriteAvi(clip);
    ASSERT_TRUE(TagAt(avi, 0, "RIFF") && TagAt(avi, 8, "AVI "));
    ASSERT_EQ(avi.size(), U32(avi, 4) + 8u);

    const size_t hdrl = Find(avi, 12, avi.size(), "hdrl");
    ASSERT_NE(std::string::npos, hdrl);
    AviMainHeader avih;
    ASSERT_TRUE(TagAt(avi, hdrl + 12, "avih"));
    std::memcpy(&avih, &avi[hdrl + 20], sizeof avih);
    EXPECT_EQ(100000u, avih.dwMicroSecPerFrame);
    EXPECT_EQ(15u, avih.dwTotalFrames);
    EXPECT_EQ(1u, avih.dwStreams);
    EXPECT_EQ(256u, avih.dwWidth);
    EXPECT_EQ(50u, avih.dwHeight);

    const size_t strl = Find(avi, hdrl + 12, hdrl + 8 + U32(avi, hdrl + 4), "strl");
    ASSERT_NE(std::string::npos, strl);
    AviStreamHeader strh;
    ASSERT_TRUE(TagAt(avi, strl + 12, "strh"));
    std::memcpy(&strh, &avi[strl + 20], sizeof strh);
    EXPECT_EQ(0, std::memcmp(strh.fccType, "vids", 4));
    EXPECT_EQ(10u, strh.dwRate / strh.dwScale);
    EXPECT_EQ(15u, strh.dwLength);
    const size_t strf = strl + 20 + sizeof strh;
    ASSERT_TRUE(TagAt(avi, strf, "strf"));
    AviBitmapInfoHeader bih;
    std::memcpy(&bih, &avi[strf + 8], sizeof bih);
    EXPECT_EQ(8, bih.biBitCount);
    EXPECT_EQ(uint32_t(AVI_BI_RLE8), bih.biCompression);
    EXPECT_EQ(40u + 4 * bih.biClrUsed, U32(avi, strf + 4));

    // Frames through the index, as the control finds them.
    const size_t movi = Find(avi, 12, avi.size(), "movi");
    const size_t idx1 = Find(avi, 12, avi.size(), "idx1");
    ASSERT_NE(std::string::npos, movi);
    ASSERT_NE(std::string::npos, idx1);
    ASSERT_EQ(15u * sizeof(AviIndexEntry), U32(avi, idx1 + 4));
    for (size_t n = 0; n < 15; ++n) {
        AviIndexEntry entry;
        std::memcpy(&entry, &avi[idx1 + 8 + n * sizeof entry], sizeof entry);
        const size_t chunk = movi + 8 + entry.dwChunkOffset;
        ASSERT_TRUE(TagAt(avi, chunk, "00dc")) << n;
        ASSERT_EQ(entry.dwChunkLength, U32(avi, chunk + 4));
        ASSERT_LE(entry.dwChunkLength, strh.dwSuggestedBufferSize);
        std::vector<uint8_t> pixels;
        ASSERT_TRUE(DecodeRle8(&avi[chunk + 8], entry.dwChunkLength, 256, 50, pixels)) << n;
        EXPECT_EQ(clip.frames[n], pixels) << n;
        if (n > 0) {
            EXPECT_NE(clip.frames[n - 1], clip.frames[n]) << "the page moves in every frame";
        }
    }
}

TEST(AviClip, Rle8RoundTripsAndRefusesMalformedStreams) {
    std::vector<uint8_t> pixels(300 * 3);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = uint8_t(i % 7 == 0 ? 1 : 2); // runs shorter and a row longer than 255
    const std::vector<uint8_t> rle = EncodeRle8(pixels, 300, 3);
    std::vector<uint8_t> back;
    ASSERT_TRUE(DecodeRle8(rle.data(), rle.size(), 300, 3, back));
    EXPECT_EQ(pixels, back);
    EXPECT_FALSE(DecodeRle8(rle.data(), rle.size() - 2, 300, 3, back)); // no end of bitmap
    const uint8_t tooWide[] = {255, 1, 255, 1, 0, 1};
    EXPECT_FALSE(DecodeRle8(tooWide, sizeof tooWide, 300, 1, back));
}
