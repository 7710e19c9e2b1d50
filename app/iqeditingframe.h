#pragma once

#include <QFrame>
#include <QIcon>
#include <QImage>
#include <QStringList>
#include <QThreadPool>

class IQAdjustingFrame;
class IQBGRAData;
class IQBGRData;
class IQEngineController;
class IQIconReadThread;
class IQImageDisplayController;
namespace Ui {
class IQEditingFrame;
}

// The editing page: the strip of opened photos with thumbnails, the after view (the denoised
// result, the one that is saved) and the before view kept at the same zoom and scroll position,
// the zoom slider and the side panel. Selecting a photo reads it behind the waiting dialog and
// hands it to the engine controller; engine results are copied into the after view.
class IQEditingFrame : public QFrame {
    Q_OBJECT

public:
    // Zoom modes.
    enum ZoomMode { ZoomFit = 0, ZoomActual = 1, ZoomCustom = 2, ZoomMaximum = 3 };
    static constexpr double MaximumScale = 2.0;
    static constexpr double ZoomInFactor = 1.2;
    static constexpr double ZoomOutFactor = 0.8;

    explicit IQEditingFrame(QWidget* parent = nullptr);
    ~IQEditingFrame() override;

    // Appends the photos not listed yet (letter case aside) to the strip and starts their
    // thumbnails. On an empty strip the first one is selected and read before this returns.
    void addFiles(const QStringList& files);

    void zoomIn();
    void zoomOut();
    void zoomFit();
    void zoomActual();

    void toggleBeforeAfter();
    bool isBeforeAfterShown() const;

    // Asks for a file name and writes the after image. 1 when written, 0 when cancelled or the
    // write failed (the user has been told; an existing file is left as it was).
    int save();

    // The after view's image: a null image until a photo has been read.
    const QImage* currentImage() const;
    double currentScale() const { return scale; }
    int zoomMode() const { return mode; }
    // An engine result has been shown since the photo was read.
    bool isModified() const { return modified; }

    // For the tests and the main window's state.
    const QStringList& filePaths() const { return paths; }
    double fitScaleValue() const { return fitScale; }
    IQImageDisplayController* afterController() const { return after; }
    IQImageDisplayController* beforeController() const { return before; }
    IQAdjustingFrame* sidePanel() const { return panel; }
    IQEngineController* existingEngineController() const { return controller; }
    QThreadPool* thumbnailPool() { return &pool; }

signals:
    void imageChanged(const QImage* image);
    void zoomChanged();

public slots:
    void algorithmStarted(void* data);
    void bgrAlgorithmFinished(const IQBGRData* bgrData, int errorCode);
    void yuvAlgorithmFinished(const IQBGRAData* image, int errorCode);

private slots:
    void on_fileListWidget_currentRowChanged(int currentRow);
    void on_baButn_clicked();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void initUi();
    IQEngineController* engineController();
    void setSliderRange(double min);
    void applyZoomMode(IQImageDisplayController* c, int zoomMode);
    void openImage(const QString& path);
    void onImageRead(QImage image);
    void onIconRead(QIcon icon, int index);
    void syncScroll(IQImageDisplayController* source, int x, int y);
    void onZoomSliderValueChanged(double x);
    // The scale at which the after view's image fits its view.
    double afterFitScale() const;
    // Scales both views by f (after first).
    void scaleBothBy(double f);

    Ui::IQEditingFrame* ui;
    IQAdjustingFrame* panel = nullptr;
    IQImageDisplayController* after = nullptr;
    IQImageDisplayController* before = nullptr;
    IQEngineController* controller = nullptr;
    int mode = ZoomFit;
    double scale = 1.0;
    double fitScale = 1.0;
    bool modified = false;
    bool syncing = false;
    // True while one view's scroll position is copied into the other: the echo is not copied back.
    bool mirroring = false;
    QStringList paths;
    QThreadPool pool;
};
