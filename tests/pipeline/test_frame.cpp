#include <gtest/gtest.h>

#include <QImage>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "iqbgradata.h"
#include "iqbgrdata.h"
#include "iqfitsize.h"
#include "iqframe.h"
#include "pipelinetestutil.h"

using namespace pipelinetest;

TEST(PixelBuffer, BgrRowsArePaddedToFourBytes)
{
    const struct { int width, bytesPerLine; } cases[] = {{1, 4}, {2, 8}, {3, 12}, {4, 12}, {5, 16}, {640, 1920}};
    for (const auto& c : cases) {
        IQBGRData bgr(c.width, 3);
        EXPECT_EQ(bgr.bytesPerLine, c.bytesPerLine) << c.width;
        EXPECT_EQ(bgr.byteCount(), 3LL * c.bytesPerLine);
        ASSERT_NE(bgr.data, nullptr);
    }
    IQBGRAData bgra(5, 3);
    EXPECT_EQ(bgra.bytesPerLine, 20);
    EXPECT_EQ(bgra.byteCount(), 60);
}

TEST(PixelBuffer, CloneCopiesPaddingAndKeepsTheClass)
{
    IQBGRData bgr(5, 2);
    for (long long i = 0; i < bgr.byteCount(); ++i)
        bgr.data[i] = static_cast<unsigned char>(i * 7 + 1);
    std::unique_ptr<IQBGRData> copy(bgr.clone());
    EXPECT_EQ(dynamic_cast<IQBGRAData*>(copy.get()), nullptr);
    ASSERT_EQ(copy->byteCount(), bgr.byteCount());
    EXPECT_NE(copy->data, bgr.data);
    EXPECT_EQ(memcmp(copy->data, bgr.data, bgr.byteCount()), 0);

    IQBGRAData bgra(3, 3);
    memset(bgra.data, 0x5a, bgra.byteCount());
    std::unique_ptr<IQBGRData> copyA(bgra.clone());
    ASSERT_NE(dynamic_cast<IQBGRAData*>(copyA.get()), nullptr);
    EXPECT_EQ(copyA->bytesPerLine, 12);
    EXPECT_EQ(memcmp(copyA->data, bgra.data, bgra.byteCount()), 0);
}

TEST(PixelBuffer, SizesOutsideTheIntRangeAllocateNothing)
{
    const struct { int width, height; } cases[] = {{0, 10}, {10, 0}, {-4, 4}, {40000, 40000}, {INT_MAX, 1}};
    for (const auto& c : cases) {
        IQBGRData bgr(c.width, c.height);
        EXPECT_EQ(bgr.data, nullptr) << c.width << "x" << c.height;
        EXPECT_EQ(bgr.byteCount(), 0);
        IQBGRAData bgra(c.width, c.height);
        EXPECT_EQ(bgra.data, nullptr);
        std::unique_ptr<IQBGRData> copy(bgra.clone());
        EXPECT_EQ(copy->data, nullptr);
    }
}

TEST(FitSize, ScaleFactorForAView)
{
    double w = 0, h = 0;
    EXPECT_DOUBLE_EQ(fitScaleFactor(QSize(2000, 1000), QRect(QPoint(0, 0), QPoint(999, 999)), &w, &h), 0.499);
    EXPECT_DOUBLE_EQ(w, 1000);
    EXPECT_DOUBLE_EQ(h, 500);
    EXPECT_DOUBLE_EQ(fitScaleFactor(QSize(1000, 1000), QRect(QPoint(0, 0), QPoint(999, 999)), &w, &h), 1.0);
    EXPECT_DOUBLE_EQ(w, 1000);
    EXPECT_DOUBLE_EQ(h, 1000);
    EXPECT_DOUBLE_EQ(fitScaleFactor(QSize(500, 3000), QRect(0, 0, 1000, 1000), nullptr, nullptr), 1.0 / 3 - 0.001);
}

TEST(FitSize, WithinAndCovering)
{
    struct Case {
        bool covering, allowEnlarge;
        int width, height, maxWidth, maxHeight;
        int expectedWidth, expectedHeight;
        double factor;
    };
    const Case cases[] = {
        {false, false, 0, 50, 50, 50, 0, 50, 0.0},      {false, false, 100, 50, 50, 50, 50, 25, 0.5},
        {false, false, 10, 10, 30, 20, 20, 20, 2.0},    {true, false, 100, 50, 50, 50, 100, 50, 1.0},
        {true, true, 10, 10, 30, 20, 30, 30, 3.0},      {true, false, 100, 80, 50, 20, 50, 40, 0.5},
        {true, false, 10, 0, 30, 20, 10, 0, 0.0},       {false, false, 3, 3, 2, 2, 2, 2, 2.0 / 3},
    };
    for (const Case& c : cases) {
        int w = c.width, h = c.height;
        const double f = c.covering ? fitSizeCovering(&w, &h, c.maxWidth, c.maxHeight, c.allowEnlarge)
                                    : fitSizeWithin(&w, &h, c.maxWidth, c.maxHeight);
        EXPECT_DOUBLE_EQ(f, c.factor) << c.width << "x" << c.height;
        EXPECT_EQ(w, c.expectedWidth) << c.width << "x" << c.height;
        EXPECT_EQ(h, c.expectedHeight) << c.width << "x" << c.height;
    }
}

TEST(FramePlanes, LayoutPerFormatAndSize)
{
    struct Case {
        uint32_t format;
        int width, height;
        int strides[3];
        long long offsets[3];
        long long bytes;
    };
    const Case cases[] = {
        {NR_FORMAT_YUY2, 4, 2, {8, 0, 0}, {0, 0, 0}, 16},
        {NR_FORMAT_YUY2, 640, 480, {1280, 0, 0}, {0, 0, 0}, 614400},
        {NR_FORMAT_YUY2, 5, 3, {12, 0, 0}, {0, 0, 0}, 36},
        {NR_FORMAT_YUY2, 1, 1, {4, 0, 0}, {0, 0, 0}, 4},
        {NR_FORMAT_I420, 640, 480, {640, 320, 320}, {0, 307200, 384000}, 460800},
        {NR_FORMAT_I420, 5, 3, {5, 3, 3}, {0, 15, 21}, 27},
        {NR_FORMAT_NV21, 640, 480, {640, 640, 0}, {0, 307200, 0}, 460800},
        {NR_FORMAT_NV21, 7, 5, {7, 8, 0}, {0, 35, 0}, 59},
    };
    for (const Case& c : cases) {
        FramePtr frame(createFrame(c.format, c.width, c.height));
        ASSERT_TRUE(frame) << c.format << " " << c.width << "x" << c.height;
        EXPECT_EQ(framePlanesByteCount(c.format, c.width, c.height), c.bytes);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(frame->strides[i], c.strides[i]) << c.format << " plane " << i;
            if (c.strides[i])
                EXPECT_EQ(frame->planes[i] - frame->planes[0], c.offsets[i]) << c.format << " plane " << i;
            else
                EXPECT_EQ(frame->planes[i], nullptr);
        }
        EXPECT_EQ(frame->planes[3], nullptr);
    }
}

TEST(FramePlanes, UnusableFramesAreRefusedAndLeftWithoutPlanes)
{
    const struct { uint32_t format; int width, height; } cases[] = {
        {NR_FORMAT_UYVY, 64, 64}, {0x402, 64, 64},          {NR_FORMAT_YUY2, 0, 8},
        {NR_FORMAT_I420, 8, -2},  {NR_FORMAT_YUY2, 40000, 40000}, {NR_FORMAT_NV21, 50000, 30000},
        {NR_FORMAT_YUY2, INT_MAX, 1},
    };
    for (const auto& c : cases) {
        NrFrame frame{};
        frame.format = c.format;
        frame.width = c.width;
        frame.height = c.height;
        frame.strides[0] = 99;
        EXPECT_FALSE(allocFramePlanes(&frame)) << c.format << " " << c.width << "x" << c.height;
        EXPECT_EQ(frame.planes[0], nullptr);
        EXPECT_EQ(frame.strides[0], 0);
        EXPECT_EQ(createFrame(c.format, c.width, c.height), nullptr);
    }
    EXPECT_FALSE(allocFramePlanes(nullptr));
}

// Round trip of flat colour blocks through each format: libyuv's BT.601 studio-range conversions
// lose a little on the way.
TEST(FrameConversion, FlatColoursSurviveTheRoundTrip)
{
    const QRgb colours[] = {qRgb(200, 30, 60), qRgb(16, 128, 240), qRgb(128, 128, 128), qRgb(250, 250, 250)};
    const uint32_t formats[] = {NR_FORMAT_YUY2, NR_FORMAT_I420};
    const QSize sizes[] = {QSize(8, 4), QSize(7, 5), QSize(1, 1), QSize(33, 17)};
    for (uint32_t format : formats) {
        for (QSize size : sizes) {
            for (QRgb colour : colours) {
                FramePtr frame = frameFromImage(flatImage(size.width(), size.height(), colour), format);
                ASSERT_TRUE(frame);
                IQBGRAData argb(size.width(), size.height());
                frameToArgb(argb.data, frame.get());
                for (int i = 0; i < size.width() * size.height(); ++i) {
                    const uchar* p = argb.data + 4 * i;
                    ASSERT_NEAR(p[0], qBlue(colour), 4) << format << " " << size.width() << "x" << size.height();
                    ASSERT_NEAR(p[1], qGreen(colour), 4);
                    ASSERT_NEAR(p[2], qRed(colour), 4);
                    ASSERT_EQ(p[3], 255);
                }
                IQBGRData bgr(size.width(), size.height());
                frameToBgr(frame.get(), &bgr);
                for (int y = 0; y < size.height(); ++y)
                    for (int x = 0; x < size.width(); ++x) {
                        const uchar* p = bgr.data + y * bgr.bytesPerLine + 3 * x;
                        ASSERT_NEAR(p[0], qBlue(colour), 4);
                        ASSERT_NEAR(p[2], qRed(colour), 4);
                    }
            }
        }
    }
}

TEST(FrameConversion, BgrBufferToYuy2AndBack)
{
    const QImage image = noisyImage(21, 9, 3);
    IQBGRData bgr(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            uchar* p = bgr.data + y * bgr.bytesPerLine + 3 * x;
            p[0] = qBlue(c), p[1] = qGreen(c), p[2] = qRed(c);
        }
    FramePtr fromBgr(createFrame(NR_FORMAT_YUY2, image.width(), image.height()));
    bgrToFrame(&bgr, fromBgr.get());
    FramePtr fromImage = frameFromImage(image);
    ASSERT_EQ(framePlanesByteCount(NR_FORMAT_YUY2, 21, 9), 22 * 2 * 9);
    EXPECT_EQ(memcmp(fromBgr->planes[0], fromImage->planes[0], 22 * 2 * 9), 0);
}

TEST(FrameConversion, Nv21FrameConvertsLikeI420)
{
    const QImage image = noisyImage(16, 8, 5);
    FramePtr i420 = frameFromImage(image, NR_FORMAT_I420);
    FramePtr nv21(createFrame(NR_FORMAT_NV21, 16, 8));
    memcpy(nv21->planes[0], i420->planes[0], 16 * 8);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) {
            nv21->planes[1][y * nv21->strides[1] + 2 * x] = i420->planes[2][y * i420->strides[2] + x];
            nv21->planes[1][y * nv21->strides[1] + 2 * x + 1] = i420->planes[1][y * i420->strides[1] + x];
        }
    IQBGRAData a(16, 8), b(16, 8);
    frameToArgb(a.data, i420.get());
    frameToArgb(b.data, nv21.get());
    EXPECT_EQ(memcmp(a.data, b.data, a.byteCount()), 0);
}

TEST(FrameConversion, UnhandledFormatsLeaveTheOutputUntouched)
{
    const QImage image = noisyImage(8, 4);
    NrFrame uyvy{};
    uyvy.format = NR_FORMAT_UYVY;
    uyvy.width = 8;
    uyvy.height = 4;
    std::vector<uint8_t> block(64, 0xcd);
    uyvy.planes[0] = block.data();
    uyvy.strides[0] = 16;

    std::vector<uchar> argb(4 * 8 * 4, 0xab);
    frameToArgb(argb.data(), &uyvy);
    EXPECT_EQ(argb, std::vector<uchar>(argb.size(), 0xab));
    EXPECT_EQ(fillFrameFromImage(image, &uyvy), &uyvy);
    EXPECT_EQ(block, std::vector<uint8_t>(64, 0xcd));
    IQBGRData bgr(8, 4);
    memset(bgr.data, 0x11, bgr.byteCount());
    frameToBgr(&uyvy, &bgr);
    EXPECT_EQ(bgr.data[0], 0x11);
    EXPECT_EQ(bgr.data[bgr.byteCount() - 1], 0x11);

    FramePtr src = frameFromImage(image, NR_FORMAT_I420);
    FramePtr dst(createFrame(NR_FORMAT_I420, 8, 4));
    memset(dst->planes[0], 0xee, framePlanesByteCount(NR_FORMAT_I420, 8, 4));
    copyFrame(src.get(), dst.get());
    EXPECT_EQ(dst->planes[0][0], 0xee);
    EXPECT_EQ(dst->planes[2][7], 0xee);

    EXPECT_EQ(fillFrameFromImage(image, nullptr), nullptr);
    frameToArgb(nullptr, src.get());
}

TEST(FrameConversion, FillRefusesImagesThatCannotCoverTheFrame)
{
    FramePtr frame(createFrame(NR_FORMAT_YUY2, 8, 4));
    memset(frame->planes[0], 0x77, 64);
    EXPECT_EQ(fillFrameFromImage(noisyImage(6, 4), frame.get()), nullptr);
    EXPECT_EQ(fillFrameFromImage(QImage(8, 4, QImage::Format_RGB888), frame.get()), nullptr);
    EXPECT_EQ(fillFrameFromImage(QImage(), frame.get()), nullptr);
    EXPECT_EQ(frame->planes[0][0], 0x77);
    NrFrame unallocated{};
    unallocated.format = NR_FORMAT_YUY2;
    unallocated.width = 8;
    unallocated.height = 4;
    EXPECT_EQ(fillFrameFromImage(noisyImage(8, 4), &unallocated), nullptr);
    // A larger image is fine: its top-left part is taken.
    EXPECT_EQ(fillFrameFromImage(noisyImage(12, 6), frame.get()), frame.get());
}

TEST(FrameCopy, CopiesYuy2AndNv21IntoLargeEnoughFrames)
{
    for (uint32_t format : {NR_FORMAT_YUY2, NR_FORMAT_NV21}) {
        FramePtr src(createFrame(format, 9, 5));
        const long long bytes = framePlanesByteCount(format, 9, 5);
        for (long long i = 0; i < bytes; ++i)
            src->planes[0][i] = static_cast<uint8_t>(i * 13);
        FramePtr dst(createFrame(format, 9, 5));
        copyFrame(src.get(), dst.get());
        EXPECT_EQ(memcmp(dst->planes[0], src->planes[0], bytes), 0) << format;
        EXPECT_EQ(dst->strides[0], src->strides[0]);
        if (format == NR_FORMAT_NV21) {
            EXPECT_EQ(dst->planes[1] - dst->planes[0], 45);
        }

        FramePtr small(createFrame(format, 8, 5));
        memset(small->planes[0], 0x42, framePlanesByteCount(format, 8, 5));
        copyFrame(src.get(), small.get());
        EXPECT_EQ(small->width, 8) << "a smaller destination is left alone";
        EXPECT_EQ(small->planes[0][0], 0x42);
    }
}

TEST(FrameCopy, DuplicateCopiesEveryPlane)
{
    FramePtr src = frameFromImage(noisyImage(11, 7), NR_FORMAT_I420);
    FramePtr copy(duplicateFrame(src.get()));
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->format, NR_FORMAT_I420);
    EXPECT_EQ(memcmp(copy->planes[0], src->planes[0], framePlanesByteCount(NR_FORMAT_I420, 11, 7)), 0);
    EXPECT_EQ(copy->planes[2] - copy->planes[0], src->planes[2] - src->planes[0]);
    EXPECT_EQ(duplicateFrame(nullptr), nullptr);
    freeFrame(nullptr);
}
