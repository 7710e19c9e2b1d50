#pragma once

#include <QImage>
#include <QObject>
#include <QThreadPool>

#include "nr_engine.h"

class IQBGRAData;
class IQBGRData;
class IQDenoiser;

// Drives the engine for the editing page. Keeps the photo as a 24-bit IQBGRData and a YUY2
// NrFrame, the result buffers of the last run and one IQDenoiser per photo. Each request runs as
// an IQEngineThread job on a one-thread pool; its result comes back on the GUI thread as
// processBGRFinished or processYUVFinished, carrying the controller's own buffer, which the
// receiver reads or copies inside the slot.
//
// The GUI thread never touches the buffers or the denoiser while a job runs: setImage,
// denoiser(), switchResult, the result slot, the read accessors and the destructor first wait for
// the pool to be idle. setImage leaves the copying of the photo to the pool, as the first job for
// that photo.
class IQEngineController : public QObject
{
    Q_OBJECT
public:
    enum Operation {
        AdjustingOperation = 0,
        FaceOperation = 1,
        DenoiseOperation = 2,
        ColorOperation = 3,
        FilmOperation = 4,
    };

    IQEngineController();
    ~IQEngineController() override;

    // Takes a new photo (32-bit ARGB); drops the old buffers, results and denoiser.
    void setImage(const QImage& image);
    // The photo's denoiser, created on first use (GUI thread).
    IQDenoiser* denoiser();
    // Queues an operation on the pool.
    void startOperation(int operation);
    // Runs an operation (on the pool's thread); returns its status.
    int runOperation(int operation);
    // Hands the result of operation `from` over as the source of operation `to`.
    void switchResult(int from, int to);

    // Read access for the page and for tests (GUI thread; each waits for the pool to be idle).
    const IQBGRData* sourceBGRData() const;
    const NrFrame* sourceFrameData() const;
    const NrFrame* resultFrameData() const;
    // Waits until no job runs or waits.
    void waitForIdle() const;

signals:
    void processBGRFinished(const IQBGRData* bgrData, int errorCode);
    void processYUVFinished(const IQBGRAData* bgrData, int errorCode);

public slots:
    void asyncProcessResult(int operation, int ret);

private:
    static bool isBGROperation(int operation);
    static bool isYUVOperation(int operation);
    void loadSourceImage(const QImage& image);
    // Creates the YUV result buffers when missing; with `touch` the 32-bit one is filled with the
    // photo's conversion, so that a first run does not wait for fresh memory.
    bool createYUVResults(bool touch);
    IQDenoiser* currentOrNewDenoiser();
    void destroyDenoiser();
    void releaseBuffers();
    int runBGRStep();
    int runYUVStep(int operation);

    IQDenoiser* currentDenoiser = nullptr;
    IQBGRData* sourceBGR = nullptr;
    IQBGRData* resultBGR = nullptr;
    NrFrame* sourceFrame = nullptr;
    NrFrame* resultFrame = nullptr;
    IQBGRAData* resultBGRA = nullptr;
    mutable QThreadPool pool;
    // Counts photos: a job's result is delivered only while the photo it ran for is current.
    quint64 generation = 0;
};
