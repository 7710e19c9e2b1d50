#include "iqenginecontroller.h"

#include <QThread>

#include <cstring>

#include "iqbgradata.h"
#include "iqbgrdata.h"
#include "iqdenoiser.h"
#include "iqenginethread.h"
#include "iqframe.h"

IQEngineController::IQEngineController()
{
    pool.setMaxThreadCount(1);
}

IQEngineController::~IQEngineController()
{
    waitForIdle();
    releaseBuffers();
    destroyDenoiser();
}

void IQEngineController::waitForIdle() const
{
    pool.waitForDone();
}

const IQBGRData* IQEngineController::sourceBGRData() const
{
    waitForIdle();
    return sourceBGR;
}

const NrFrame* IQEngineController::sourceFrameData() const
{
    waitForIdle();
    return sourceFrame;
}

const NrFrame* IQEngineController::resultFrameData() const
{
    waitForIdle();
    return resultFrame;
}

bool IQEngineController::isBGROperation(int operation)
{
    return operation == AdjustingOperation || operation == ColorOperation || operation == FilmOperation;
}

bool IQEngineController::isYUVOperation(int operation)
{
    return operation == FaceOperation || operation == DenoiseOperation;
}

void IQEngineController::setImage(const QImage& image)
{
    waitForIdle();
    ++generation;
    releaseBuffers();
    destroyDenoiser();
    // Copying a large photo into its two forms and making the result buffers ready takes a while,
    // much of it waiting for fresh memory: it runs as the pool's next job, ahead of every
    // operation started for this photo, while the page goes on showing the photo.
    const QImage photo = image;
    pool.start(
        [this, photo]() {
            loadSourceImage(photo);
            createYUVResults(true);
        },
        0);
}

void IQEngineController::loadSourceImage(const QImage& image)
{
    // Only these two keep their pixels as B, G, R, A in memory; other 32-bit formats (RGBA8888,
    // premultiplied alpha) would reach the engine with their channels swapped or scaled.
    const bool argbLayout =
        image.format() == QImage::Format_ARGB32 || image.format() == QImage::Format_RGB32;
    const QImage argb = argbLayout ? image : image.convertToFormat(QImage::Format_ARGB32);
    if (argb.isNull())
        return;
    sourceBGR = new IQBGRData(argb.width(), argb.height());
    imageToBgr(argb, sourceBGR);
    sourceFrame = createFrame(NR_FORMAT_YUY2, argb.width(), argb.height());
    if (sourceFrame)
        fillFrameFromImage(argb, sourceFrame);
}

IQDenoiser* IQEngineController::denoiser()
{
    waitForIdle();
    return currentOrNewDenoiser();
}

IQDenoiser* IQEngineController::currentOrNewDenoiser()
{
    if (!currentDenoiser)
        currentDenoiser = new IQDenoiser(nullptr);
    return currentDenoiser;
}

void IQEngineController::destroyDenoiser()
{
    delete currentDenoiser;
    currentDenoiser = nullptr;
}

void IQEngineController::releaseBuffers()
{
    delete sourceBGR;
    sourceBGR = nullptr;
    delete resultBGR;
    resultBGR = nullptr;
    freeFrame(sourceFrame);
    sourceFrame = nullptr;
    freeFrame(resultFrame);
    resultFrame = nullptr;
    delete resultBGRA;
    resultBGRA = nullptr;
}

void IQEngineController::startOperation(int operation)
{
    auto* job = new IQEngineThread(this, operation);
    const quint64 startedFor = generation;
    // Queued to the GUI thread; a result for a photo that has been replaced meanwhile is dropped.
    connect(job, &IQEngineThread::threadFinished, this, [this, startedFor](int op, int ret) {
        if (startedFor == generation)
            asyncProcessResult(op, ret);
    });
    pool.start(job, 0);
}

int IQEngineController::runOperation(int operation)
{
    // Called on the controller's own thread rather than by a job: not while a job runs.
    if (QThread::currentThread() == thread())
        waitForIdle();
    if (isBGROperation(operation))
        return runBGRStep();
    if (isYUVOperation(operation))
        return runYUVStep(operation);
    return 0;
}

int IQEngineController::runBGRStep()
{
    if (!sourceBGR || !sourceBGR->data)
        return NR_ERR_INVALID_ARG;
    if (resultBGR && resultBGR->width == sourceBGR->width && resultBGR->height == sourceBGR->height &&
        resultBGR->bytesPerLine == sourceBGR->bytesPerLine)
        return 0;
    delete resultBGR;
    resultBGR = sourceBGR->clone();
    return resultBGR->data ? 0 : NR_ERR_NO_MEMORY;
}

bool IQEngineController::createYUVResults(bool touch)
{
    if (!sourceFrame || !sourceBGR)
        return false;
    // The engine leaves an odd last row or column of its destination alone: starting the result
    // as a copy of the photo keeps the photo's own pixels there.
    if (!resultFrame)
        resultFrame = duplicateFrame(sourceFrame);
    if (!resultBGRA) {
        resultBGRA = new IQBGRAData(sourceBGR->width, sourceBGR->height);
        if (touch && resultFrame)
            frameToArgb(resultBGRA->data, resultFrame);
    }
    return resultFrame && resultBGRA->data;
}

int IQEngineController::runYUVStep(int operation)
{
    if (!sourceFrame || !sourceBGR)
        return NR_ERR_INVALID_ARG;
    if (!createYUVResults(false))
        return NR_ERR_NO_MEMORY;
    if (operation == FaceOperation)
        return 0;
    const int ret = currentOrNewDenoiser()->process(sourceFrame, resultFrame);
    if (ret == NR_OK)
        frameToArgb(resultBGRA->data, resultFrame);
    return ret;
}

void IQEngineController::asyncProcessResult(int operation, int ret)
{
    waitForIdle();
    if (isBGROperation(operation)) {
        if (ret != 0)
            emit processBGRFinished(nullptr, ret);
        else if (resultBGR)
            emit processBGRFinished(resultBGR, 0);
    } else if (isYUVOperation(operation)) {
        if (ret != 0)
            emit processYUVFinished(nullptr, ret);
        else if (resultBGRA)
            emit processYUVFinished(resultBGRA, 0);
    }
}

void IQEngineController::switchResult(int from, int to)
{
    waitForIdle();
    if (!sourceBGR || !sourceFrame)
        return;
    if (isBGROperation(from) && isBGROperation(to)) {
        if (resultBGR && resultBGR->data && sourceBGR->data && resultBGR->byteCount() <= sourceBGR->byteCount())
            memcpy(sourceBGR->data, resultBGR->data, static_cast<size_t>(resultBGR->byteCount()));
    } else if (isBGROperation(from) && isYUVOperation(to)) {
        if (resultBGR)
            bgrToFrame(resultBGR, sourceFrame);
    } else if (isYUVOperation(from) && isBGROperation(to)) {
        frameToBgr(resultFrame ? resultFrame : sourceFrame, sourceBGR);
    } else if (isYUVOperation(from) && isYUVOperation(to)) {
        if (resultFrame)
            copyFrame(resultFrame, sourceFrame);
    }
}
