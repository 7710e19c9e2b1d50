// The copy-in rows of the image views and the 24-bit copy of a photo: the fast forms give the bytes
// of the plain ones, whatever the width, the alignment or the image's layout.
#include <gtest/gtest.h>

#include <QImage>

#include <cstring>
#include <random>
#include <vector>

#include "iqbgrdata.h"
#include "iqframe.h"
#include "iqpixelrows.h"
#include "pipelinetestutil.h"

namespace {

std::vector<unsigned char> randomBytes(size_t n, std::mt19937& random) {
    std::vector<unsigned char> bytes(n);
    for (unsigned char& b : bytes)
        b = static_cast<unsigned char>(random());
    return bytes;
}

const int Widths[] = {0,  1,  2,  3,  5,   7,   8,   9,   15,   16,
                      17, 31, 33, 63, 255, 256, 257, 511, 1000, 4001};

} // namespace

// Bytes 0..2 from the colour pixel, byte 3 from the alpha pixel, spelled out on one case.
TEST(PixelBufferRows, MergeTakesColourFromOneRowAndAlphaFromTheOther) {
    const unsigned char colour[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const unsigned char bgr[6] = {11, 12, 13, 15, 16, 17};
    const unsigned char alpha[8] = {90, 91, 92, 93, 94, 95, 96, 97};
    const unsigned char fromColour[8] = {1, 2, 3, 93, 5, 6, 7, 97};
    const unsigned char fromBgr[8] = {11, 12, 13, 93, 15, 16, 17, 97};
    unsigned char out[8];
    mergeColourAlphaRow_C(colour, alpha, out, 2);
    EXPECT_EQ(memcmp(out, fromColour, 8), 0);
    mergeBgrAlphaRow_C(bgr, alpha, out, 2);
    EXPECT_EQ(memcmp(out, fromBgr, 8), 0);
}

// The fast forms against the plain ones on random rows of many widths, at every byte offset of
// source and destination, into a separate row and in place over the alpha row; the bytes after the
// row stay as they were.
TEST(PixelBufferRows, FastMergesEqualThePlainOnes) {
    std::mt19937 random(7);
    for (int width : Widths) {
        for (int offset = 0; offset < 4; ++offset) {
            SCOPED_TRACE(testing::Message() << "width " << width << ", offset " << offset);
            const size_t bytes = size_t(width) * 4 + 16;
            const std::vector<unsigned char> colour = randomBytes(bytes, random);
            const std::vector<unsigned char> bgr = randomBytes(size_t(width) * 3 + 16, random);
            const std::vector<unsigned char> alpha = randomBytes(bytes, random);
            const std::vector<unsigned char> start = randomBytes(bytes, random);
            for (bool threeBytes : {false, true}) {
                for (bool inPlace : {false, true}) {
                    std::vector<unsigned char> expected = inPlace ? alpha : start;
                    std::vector<unsigned char> actual = expected;
                    const unsigned char* from =
                        threeBytes ? bgr.data() + offset : colour.data() + offset;
                    const unsigned char* plainAlpha =
                        inPlace ? expected.data() + 3 : alpha.data() + 3;
                    const unsigned char* fastAlpha = inPlace ? actual.data() + 3 : alpha.data() + 3;
                    if (threeBytes) {
                        mergeBgrAlphaRow_C(from, plainAlpha, expected.data() + 3, width);
                        mergeBgrAlphaRow(from, fastAlpha, actual.data() + 3, width);
                    } else {
                        mergeColourAlphaRow_C(from, plainAlpha, expected.data() + 3, width);
                        mergeColourAlphaRow(from, fastAlpha, actual.data() + 3, width);
                    }
                    ASSERT_EQ(actual, expected)
                        << (threeBytes ? "3-byte" : "4-byte") << (inPlace ? " in place" : "");
                }
            }
        }
    }
}

// The photo's 24-bit copy holds bytes 0..2 of every 32-bit pixel, as a pixel-by-pixel copy gives
// them, for odd and even widths, opaque and transparent pixels, padded image rows; the buffer's row
// padding is not written.
TEST(PixelBufferRows, BgrCopyOfAnImageEqualsThePixelByPixelCopy) {
    struct Layout {
        QImage::Format format;
        int extraRowBytes; // > 0: an image over memory with rows further apart than the pixels
    };
    const Layout layouts[] = {
        {QImage::Format_ARGB32, 0}, {QImage::Format_RGB32, 0}, {QImage::Format_ARGB32, 12}};
    std::mt19937 random(3);
    for (int width : {1, 2, 3, 4, 5, 6, 7, 9, 13, 33, 451, 1001}) {
        for (int height : {1, 3, 8}) {
            for (const Layout& layout : layouts) {
                SCOPED_TRACE(testing::Message()
                             << width << " x " << height << ", format " << layout.format
                             << ", extra row bytes " << layout.extraRowBytes);
                const int rowBytes = 4 * width + layout.extraRowBytes;
                std::vector<unsigned char> memory = randomBytes(size_t(rowBytes) * height, random);
                const QImage image =
                    layout.extraRowBytes
                        ? QImage(memory.data(), width, height, rowBytes, layout.format)
                        : pipelinetest::noisyImage(width, height, unsigned(width * 31 + height))
                              .convertToFormat(layout.format);
                IQBGRData bgr(width, height);
                ASSERT_NE(bgr.data, nullptr);
                memset(bgr.data, 0xa5, size_t(bgr.byteCount()));
                imageToBgr(image, &bgr);
                for (int y = 0; y < height; ++y) {
                    const unsigned char* from = image.constScanLine(y);
                    const unsigned char* to = bgr.data + size_t(y) * bgr.bytesPerLine;
                    for (int x = 0; x < width; ++x)
                        for (int b = 0; b < 3; ++b)
                            ASSERT_EQ(to[3 * x + b], from[4 * x + b]) << "pixel " << x << ", " << y;
                    for (int p = 3 * width; p < bgr.bytesPerLine; ++p)
                        ASSERT_EQ(to[p], 0xa5) << "padding of row " << y;
                }
            }
        }
    }
}

// Images that are not 32-bit, and missing buffers, write nothing; a smaller buffer takes the
// part it covers.
TEST(PixelBufferRows, BgrCopyWritesOnlyWhatBothCover) {
    const QImage image = pipelinetest::noisyImage(8, 6, 5);
    IQBGRData bgr(8, 6);
    memset(bgr.data, 0x11, size_t(bgr.byteCount()));
    imageToBgr(image.convertToFormat(QImage::Format_RGB888), &bgr);
    imageToBgr(QImage(), &bgr);
    for (long long i = 0; i < bgr.byteCount(); ++i)
        ASSERT_EQ(bgr.data[i], 0x11);
    imageToBgr(image, nullptr);

    IQBGRData small(3, 2);
    memset(small.data, 0x22, size_t(small.byteCount()));
    imageToBgr(image, &small);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x)
            for (int b = 0; b < 3; ++b)
                ASSERT_EQ(small.data[y * small.bytesPerLine + 3 * x + b],
                          image.constScanLine(y)[4 * x + b]);
        EXPECT_EQ(small.data[y * small.bytesPerLine + 9], 0x22);
    }
}
