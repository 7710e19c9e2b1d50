#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>

#include <cstring>
#include <memory>

#include "iqbgradata.h"
#include "iqbgrdata.h"
#include "iqdenoiser.h"
#include "iqenginecontroller.h"
#include "iqframe.h"
#include "pipelinetestutil.h"

using namespace pipelinetest;

Q_DECLARE_METATYPE(const IQBGRData*)
Q_DECLARE_METATYPE(const IQBGRAData*)

namespace {

// Runs the event loop until the pool is idle and every queued result has been delivered.
void settle(IQEngineController& controller)
{
    controller.waitForIdle();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

struct Spies {
    explicit Spies(IQEngineController& c)
        : bgr(&c, &IQEngineController::processBGRFinished)
        , yuv(&c, &IQEngineController::processYUVFinished)
    {
    }
    QSignalSpy bgr;
    QSignalSpy yuv;
};

const IQBGRAData* yuvBuffer(const QSignalSpy& spy, int i)
{
    return spy.at(i).at(0).value<const IQBGRAData*>();
}
const IQBGRData* bgrBuffer(const QSignalSpy& spy, int i)
{
    return spy.at(i).at(0).value<const IQBGRData*>();
}

} // namespace

class EngineController : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        qRegisterMetaType<const IQBGRData*>();
        qRegisterMetaType<const IQBGRAData*>();
    }
};

TEST_F(EngineController, TwoDenoiseRequestsReuseTheBuffersAndEachDelivers)
{
    IQEngineController controller;
    Spies spies(controller);
    controller.setImage(noisyImage(128, 64, 4, 15.0));
    controller.denoiser()->setLuminance(70);
    controller.startOperation(IQEngineController::DenoiseOperation);
    controller.startOperation(IQEngineController::DenoiseOperation);
    settle(controller);
    ASSERT_EQ(spies.yuv.count(), 2);
    EXPECT_EQ(spies.bgr.count(), 0);
    const IQBGRAData* first = yuvBuffer(spies.yuv, 0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(yuvBuffer(spies.yuv, 1), first);
    EXPECT_EQ(spies.yuv.at(0).at(1).toInt(), 0);
    EXPECT_EQ(spies.yuv.at(1).at(1).toInt(), 0);
    EXPECT_EQ(first->width, 128);
    EXPECT_EQ(first->height, 64);

    // The delivered pixels are the denoised frame, not the photo.
    IQBGRAData photo(128, 64);
    frameToArgb(photo.data, controller.sourceFrameData());
    EXPECT_NE(memcmp(photo.data, first->data, photo.byteCount()), 0);
}

TEST_F(EngineController, FaceAndAdjustingOperations)
{
    IQEngineController controller;
    Spies spies(controller);
    controller.setImage(noisyImage(16, 8));
    controller.startOperation(IQEngineController::FaceOperation);
    controller.startOperation(IQEngineController::AdjustingOperation);
    controller.startOperation(IQEngineController::AdjustingOperation);
    controller.startOperation(7);
    settle(controller);
    ASSERT_EQ(spies.yuv.count(), 1);
    EXPECT_NE(yuvBuffer(spies.yuv, 0), nullptr);
    ASSERT_EQ(spies.bgr.count(), 2);
    const IQBGRData* clone = bgrBuffer(spies.bgr, 0);
    ASSERT_NE(clone, nullptr);
    EXPECT_NE(clone, controller.sourceBGRData());
    EXPECT_EQ(memcmp(clone->data, controller.sourceBGRData()->data, clone->byteCount()), 0);
    EXPECT_EQ(bgrBuffer(spies.bgr, 1), clone) << "a second BGR run keeps the same result";
    EXPECT_EQ(controller.runOperation(7), 0);
}

TEST_F(EngineController, NewPhotoGetsNewDenoiserAndDropsStaleResults)
{
    IQEngineController controller;
    Spies spies(controller);
    controller.setImage(noisyImage(256, 128, 1));
    IQDenoiser* first = controller.denoiser();
    controller.startOperation(IQEngineController::DenoiseOperation);
    // Replaced while the job runs (or waits): its result must not be taken for the new photo's.
    controller.setImage(noisyImage(64, 32, 2));
    settle(controller);
    EXPECT_EQ(spies.yuv.count(), 0);
    IQDenoiser* second = controller.denoiser();
    EXPECT_EQ(second->cachedProfile(), nullptr) << "the new photo estimates its own profile";
    (void)first;

    controller.startOperation(IQEngineController::DenoiseOperation);
    settle(controller);
    ASSERT_EQ(spies.yuv.count(), 1);
    EXPECT_EQ(yuvBuffer(spies.yuv, 0)->width, 64);
    EXPECT_NE(controller.denoiser()->cachedProfile(), nullptr);
}

TEST_F(EngineController, AnOldPhotosResultIsNotTakenForTheNewOnesOwn)
{
    IQEngineController controller;
    Spies spies(controller);
    controller.setImage(noisyImage(96, 48, 3));
    controller.startOperation(IQEngineController::DenoiseOperation);
    // The new photo's own job creates its result buffers before the old job's result arrives:
    // only the new photo's result may be delivered.
    controller.setImage(noisyImage(64, 32, 4));
    controller.startOperation(IQEngineController::DenoiseOperation);
    settle(controller);
    ASSERT_EQ(spies.yuv.count(), 1);
    ASSERT_NE(yuvBuffer(spies.yuv, 0), nullptr);
    EXPECT_EQ(yuvBuffer(spies.yuv, 0)->width, 64);
    EXPECT_EQ(spies.yuv.at(0).at(1).toInt(), 0);
}

TEST_F(EngineController, PhotosOfOther32BitLayoutsKeepTheirColours)
{
    const QImage orange = flatImage(8, 4, qRgb(250, 120, 10));
    for (QImage::Format format :
         {QImage::Format_ARGB32, QImage::Format_RGBA8888, QImage::Format_RGBX8888,
          QImage::Format_ARGB32_Premultiplied, QImage::Format_RGB888}) {
        SCOPED_TRACE(testing::Message() << "format " << format);
        IQEngineController controller;
        controller.setImage(orange.convertToFormat(format));
        const IQBGRData* bgr = controller.sourceBGRData();
        ASSERT_NE(bgr, nullptr);
        ASSERT_EQ(bgr->width, 8);
        EXPECT_EQ(bgr->data[0], 10);  // B
        EXPECT_EQ(bgr->data[1], 120); // G
        EXPECT_EQ(bgr->data[2], 250); // R
        IQBGRAData argb(8, 4);
        frameToArgb(argb.data, controller.sourceFrameData());
        EXPECT_NEAR(argb.data[0], 10, 3);
        EXPECT_NEAR(argb.data[2], 250, 3);
    }
}

TEST_F(EngineController, DestroyedWhileAJobRuns)
{
    auto controller = std::make_unique<IQEngineController>();
    controller->setImage(noisyImage(512, 256));
    controller->startOperation(IQEngineController::DenoiseOperation);
    controller->startOperation(IQEngineController::DenoiseOperation);
    controller.reset();
    QCoreApplication::processEvents();
}

TEST_F(EngineController, OddHeightPhotoKeepsItsLastRow)
{
    IQEngineController controller;
    Spies spies(controller);
    const QImage photo = noisyImage(64, 33, 9, 20.0);
    controller.setImage(photo);
    controller.denoiser()->setLuminance(100);
    controller.denoiser()->setChrominance(100);
    controller.startOperation(IQEngineController::DenoiseOperation);
    settle(controller);
    ASSERT_EQ(spies.yuv.count(), 1);
    const IQBGRAData* result = yuvBuffer(spies.yuv, 0);
    ASSERT_NE(result, nullptr);
    IQBGRAData expected(64, 33);
    frameToArgb(expected.data, controller.sourceFrameData());
    const int last = 32 * expected.bytesPerLine;
    EXPECT_EQ(memcmp(result->data + last, expected.data + last, expected.bytesPerLine), 0);
}

TEST_F(EngineController, StepsWithoutAPhotoFailCleanly)
{
    IQEngineController controller;
    Spies spies(controller);
    EXPECT_EQ(controller.runOperation(IQEngineController::DenoiseOperation), NR_ERR_INVALID_ARG);
    EXPECT_NE(controller.runOperation(IQEngineController::AdjustingOperation), 0);
    controller.switchResult(2, 0);
    controller.switchResult(0, 2);
    controller.startOperation(IQEngineController::DenoiseOperation);
    controller.startOperation(IQEngineController::ColorOperation);
    settle(controller);
    ASSERT_EQ(spies.yuv.count(), 1);
    EXPECT_EQ(yuvBuffer(spies.yuv, 0), nullptr);
    EXPECT_EQ(spies.yuv.at(0).at(1).toInt(), NR_ERR_INVALID_ARG);
    ASSERT_EQ(spies.bgr.count(), 1);
    EXPECT_EQ(bgrBuffer(spies.bgr, 0), nullptr);
}

TEST_F(EngineController, FailedDenoiseDeliversNullWithTheEngineCode)
{
    IQEngineController controller;
    Spies spies(controller);
    controller.setImage(noisyImage(32, 16));
    // A result frame of another size makes the engine refuse the run.
    controller.runOperation(IQEngineController::FaceOperation);
    NrFrame* result = const_cast<NrFrame*>(controller.resultFrameData());
    result->width = 30;
    controller.startOperation(IQEngineController::DenoiseOperation);
    settle(controller);
    result->width = 32;
    ASSERT_EQ(spies.yuv.count(), 1);
    EXPECT_EQ(yuvBuffer(spies.yuv, 0), nullptr);
    EXPECT_EQ(spies.yuv.at(0).at(1).toInt(), NR_ERR_SIZE);
}

TEST_F(EngineController, SwitchResultHandsResultsOver)
{
    IQEngineController controller;
    const QImage photo = noisyImage(24, 8, 11);
    controller.setImage(photo);
    const long long bgrBytes = controller.sourceBGRData()->byteCount();
    std::vector<uchar> before(controller.sourceBGRData()->data, controller.sourceBGRData()->data + bgrBytes);

    controller.switchResult(2, 2); // no result frame: nothing
    controller.switchResult(0, 0); // no BGR result: nothing
    EXPECT_EQ(memcmp(controller.sourceBGRData()->data, before.data(), bgrBytes), 0);

    // YUV -> BGR without a result frame converts the source frame back into the BGR copy.
    controller.switchResult(2, 0);
    IQBGRData expected(24, 8);
    frameToBgr(controller.sourceFrameData(), &expected);
    EXPECT_EQ(memcmp(controller.sourceBGRData()->data, expected.data, bgrBytes), 0);

    // YUV -> YUV copies the denoised frame into the source frame.
    controller.denoiser()->setLuminance(100);
    controller.startOperation(IQEngineController::DenoiseOperation);
    settle(controller);
    controller.switchResult(2, 1);
    const long long frameBytes = framePlanesByteCount(NR_FORMAT_YUY2, 24, 8);
    EXPECT_EQ(memcmp(controller.sourceFrameData()->planes[0], controller.resultFrameData()->planes[0], frameBytes), 0);

    controller.switchResult(5, 0);
    controller.switchResult(0, 9);
}

// The controller's 24-bit copy of a photo is the photo's B, G, R bytes pixel by pixel and its frame
// the photo's YUY2 conversion, for odd widths and for the two 32-bit layouts it takes as they are.
TEST_F(EngineController, PhotoCopiesHoldThePhotosBytes) {
    for (int width : {1, 3, 4, 5, 7, 37, 451}) {
        for (QImage::Format format : {QImage::Format_ARGB32, QImage::Format_RGB32}) {
            SCOPED_TRACE(testing::Message() << "width " << width << ", format " << format);
            const QImage photo = noisyImage(width, 5, unsigned(width)).convertToFormat(format);
            IQEngineController controller;
            controller.setImage(photo);
            const IQBGRData* bgr = controller.sourceBGRData();
            ASSERT_NE(bgr, nullptr);
            ASSERT_EQ(bgr->width, width);
            ASSERT_EQ(bgr->height, 5);
            for (int y = 0; y < 5; ++y)
                for (int x = 0; x < width; ++x)
                    for (int b = 0; b < 3; ++b)
                        ASSERT_EQ(bgr->data[y * bgr->bytesPerLine + 3 * x + b],
                                  photo.constScanLine(y)[4 * x + b])
                            << "pixel " << x << ", " << y;
            FramePtr expected = frameFromImage(photo);
            const NrFrame* frame = controller.sourceFrameData();
            ASSERT_NE(frame, nullptr);
            ASSERT_EQ(frame->strides[0], expected->strides[0]);
            EXPECT_EQ(memcmp(frame->planes[0], expected->planes[0],
                             size_t(framePlanesByteCount(NR_FORMAT_YUY2, width, 5))),
                      0);
        }
    }
}

// A photo handed over is copied on the pool: right after setImage the first operation already
// finds it, and a direct run from the controller's own thread waits for that copy.
TEST_F(EngineController, OperationsStartedRightAfterANewPhotoSeeIt) {
    IQEngineController controller;
    Spies spies(controller);
    const QImage photo = noisyImage(1200, 800, 13);
    controller.setImage(photo);
    EXPECT_EQ(controller.runOperation(IQEngineController::FaceOperation), 0);
    controller.setImage(photo);
    controller.startOperation(IQEngineController::AdjustingOperation);
    settle(controller);
    ASSERT_EQ(spies.bgr.count(), 1);
    const IQBGRData* clone = bgrBuffer(spies.bgr, 0);
    ASSERT_NE(clone, nullptr);
    ASSERT_EQ(clone->width, 1200);
    EXPECT_EQ(clone->data[3 * 17 + 1], photo.constScanLine(0)[4 * 17 + 1]);
}
