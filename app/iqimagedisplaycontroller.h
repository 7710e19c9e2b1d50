#pragma once

#include <QImage>
#include <QObject>
#include <QPixmap>

class IQImageScene;
class QGraphicsPixmapItem;
class QGraphicsView;

// Shows one full-resolution image in a QGraphicsView at a chosen scale: the image is rendered as
// the scene's one pixmap item, zooming keeps the point at the viewport's centre in place, and
// engine results are copied into the held image's colour bytes. GUI thread only.
class IQImageDisplayController : public QObject {
    Q_OBJECT

public:
    // `view` is not owned; the controller makes its own scene the view's scene.
    explicit IQImageDisplayController(QGraphicsView* view);
    ~IQImageDisplayController() override;

    // Shows `img` at 100 %; the scroll bars are left where they are.
    void setImage(const QImage& img);
    // Absolute scale (1.0 = 100 %); ignored while there is no image.
    void setScale(double s);
    // Multiplies the scale by f.
    void scaleBy(double f);
    // Vertical bar first, then the horizontal one.
    void setScrollValues(int x, int y);

    // Copies bytes 0..2 (B, G, R) of each pixel of a 32-bit image into the held image, over the
    // size both images cover; the held alpha stays. Then re-renders.
    void updateFromBGRA(const QImage& src);
    // The same from a raw buffer of QImage::Format_ARGB32 pixels (rows width x 4 bytes apart,
    // `stride` unused) or QImage::Format_RGB888 pixels stored B, G, R (rows `stride` bytes
    // apart). Any other format copies nothing. Then re-renders.
    void updateFromData(const uchar* data, int width, int height, int stride,
                        QImage::Format format);
    // Schedules a repaint of the view.
    void refresh();

    // Zooms so that `r` (view pixels) fills the view and scrolls to its top-left corner.
    void zoomToRect(const QRect& r);
    // Renders at the scale at which the whole image fits the view.
    void fitToView();
    // Rotates the shown picture by `angle` degrees about its centre; unless previewOnly, the
    // rotation is kept for later renders. The held image is never rotated.
    void rotate(double angle, bool previewOnly);
    // Makes the part `r` of the shown pixmap the new image.
    void crop(const QRect& r);

    // The full-resolution image: what the after view saves.
    const QImage& currentImage() const { return image; }
    QGraphicsView* graphicsView() const { return view; }
    IQImageScene* imageScene() const { return scene; }
    const QPixmap& shownPixmap() const { return pixmap; }
    double currentScale() const { return scale; }
    double currentRotation() const { return rotation; }

signals:
    void controllerScrollValueChanged(IQImageDisplayController* displayController, int x, int y);

private slots:
    void onSceneScrollValueChanged(IQImageScene* imageScene, int x, int y);

private:
    // Renders sourcePixmap at `scale`, then moves both bars so that the scene point at the
    // viewport's centre stays there for a zoom by factor f.
    void renderAndScroll(double f);
    // Replaces the scene's content by one item showing `pixmap`.
    void showPixmap();
    // After a copy-in: new pixmaps from `image`, rendered again at the current scale.
    void refreshFromImage();
    // The held image as straight 32-bit B, G, R, A pixels, so that the copy-in can address its
    // colour bytes.
    bool ensureImage32();
    // Writes the copy-in's rows into pixels of the image's own: mergeRow(i, held, to) writes row i
    // (i < rows, first `cols` pixels) from the held row `held` into `to`; the rest keeps the held
    // pixels.
    template <typename MergeRow> void copyIn(int rows, int cols, MergeRow mergeRow);
    // The unscaled pixmap's pixels, the pixmaps dropped, as memory for an image of the held
    // image's size and format; null when they cannot serve.
    QImage takeUnscaledPixels();
    // Whether renders scale `image` itself rather than an unscaled pixmap of it (same pixels).
    bool rendersFromImage() const;
    // The pixmap the render step shows at `scale`.
    QPixmap renderedPixmap();

    QGraphicsView* view;
    QImage image;
    IQImageScene* scene;
    QPixmap pixmap;
    double scale = 1.0;
    double rotation = 0.0;
    QGraphicsPixmapItem* item = nullptr;
    // Null after a copy-in until a render needs it unscaled (see rendersFromImage).
    QPixmap sourcePixmap;
    // The pixmap made of the image has no alpha: it holds the image's bytes as they are.
    bool opaquePixmap = false;
};
