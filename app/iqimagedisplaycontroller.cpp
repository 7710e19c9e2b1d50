#include "iqimagedisplaycontroller.h"

#include "iqimagescene.h"
#include "iqpixelrows.h"

#include <QColorSpace>
#include <QDebug>
#include <QGraphicsPixmapItem>
#include <QGraphicsView>
#include <QScrollBar>
#include <QTransform>
#include <QtMath>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// The pixmap `source` at `scale` times its size, smoothly filtered.
QPixmap scaledPixmap(const QPixmap& source, double scale) {
    if (source.isNull())
        return QPixmap();
    const QSize target(qRound(source.width() * scale), qRound(source.height() * scale));
    if (target.isEmpty())
        return QPixmap();
    return source.scaled(target, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

// `angle` degrees about the centre of a w x h picture.
QTransform rotationAboutCentre(int w, int h, double angle) {
    QTransform t;
    t.translate(w / 2, h / 2);
    t.rotate(angle, Qt::ZAxis);
    t.translate(-(w / 2), -(h / 2));
    return t;
}

} // namespace

IQImageDisplayController::IQImageDisplayController(QGraphicsView* view)
    : QObject(nullptr), view(view), scene(new IQImageScene(nullptr, view)) {
    showPixmap();
    connect(scene, &IQImageScene::scrollValueChanged, this,
            &IQImageDisplayController::onSceneScrollValueChanged);
}

IQImageDisplayController::~IQImageDisplayController() {
    // The scene has no parent; deleting it detaches it from the view, which the page keeps.
    delete scene;
}

void IQImageDisplayController::onSceneScrollValueChanged(IQImageScene*, int x, int y) {
    emit controllerScrollValueChanged(this, x, y);
}

void IQImageDisplayController::showPixmap() {
    scene->clear();
    item = scene->addPixmap(pixmap);
    scene->setSceneRect(QRectF(pixmap.rect()));
}

void IQImageDisplayController::setImage(const QImage& img) {
    image = img;
    sourcePixmap = QPixmap::fromImage(img);
    // The copy-ins keep the image's alpha, so what the pixmap made of it holds for every later
    // result as well.
    opaquePixmap = !sourcePixmap.isNull() && !sourcePixmap.hasAlphaChannel();
    pixmap = sourcePixmap;
    showPixmap();
    rotation = 0.0;
    scale = 1.0;
}

bool IQImageDisplayController::rendersFromImage() const {
    // A pixmap of an opaque 32-bit B, G, R, A image holds the image's own bytes as RGB32.
    return opaquePixmap && !image.isNull() &&
           (image.format() == QImage::Format_ARGB32 || image.format() == QImage::Format_RGB32);
}

QPixmap IQImageDisplayController::renderedPixmap() {
    if (!sourcePixmap.isNull() || !rendersFromImage())
        return scaledPixmap(sourcePixmap, scale);
    // No unscaled pixmap since the last copy-in: scale the image's bytes as the pixmap would
    // hold them, without making that pixmap.
    const QSize target(qRound(image.width() * scale), qRound(image.height() * scale));
    if (target.isEmpty())
        return QPixmap();
    QSize fitted = image.size().scaled(target, Qt::KeepAspectRatio);
    fitted = fitted.expandedTo(QSize(1, 1));
    if (fitted == image.size()) {
        // Shown unscaled: the pixmap itself, kept until the next copy-in.
        sourcePixmap = QPixmap::fromImage(image);
        return sourcePixmap;
    }
    const QImage bytes(image.constBits(), image.width(), image.height(), image.bytesPerLine(),
                       QImage::Format_RGB32);
    return QPixmap::fromImage(bytes.scaled(target, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void IQImageDisplayController::renderAndScroll(double f) {
    QScrollBar* hbar = view->horizontalScrollBar();
    QScrollBar* vbar = view->verticalScrollBar();
    // The positions before the render: a smaller scene would clamp them first and move the
    // centre off the point it showed.
    const int h = hbar->value();
    const int v = vbar->value();

    pixmap = renderedPixmap();
    showPixmap();

    hbar->setValue(int((f - 1.0) * hbar->pageStep() * 0.5 + h * f));
    vbar->setValue(int((f - 1.0) * vbar->pageStep() * 0.5 + v * f));
}

void IQImageDisplayController::setScale(double s) {
    if (image.isNull())
        return;
    scale = s;
    renderAndScroll(s);
}

void IQImageDisplayController::scaleBy(double f) {
    scale *= f;
    renderAndScroll(f);
    qDebug("scale :: %f", f);
}

void IQImageDisplayController::setScrollValues(int x, int y) {
    view->verticalScrollBar()->setValue(y);
    view->horizontalScrollBar()->setValue(x);
}

bool IQImageDisplayController::ensureImage32() {
    if (image.isNull())
        return false;
    // Bytes 0..2 must be B, G, R and stand for themselves: a premultiplied pixel (as crop makes)
    // or an R, G, B byte order would turn the copied colours into other ones.
    if (image.format() != QImage::Format_ARGB32 && image.format() != QImage::Format_RGB32)
        image = image.convertToFormat(QImage::Format_ARGB32);
    return true;
}

QImage IQImageDisplayController::takeUnscaledPixels() {
    QImage pixels = sourcePixmap.toImage();
    // The pixmaps are made again from the new pixels; until then nothing shows them.
    scene->clear();
    item = nullptr;
    pixmap = QPixmap();
    sourcePixmap = QPixmap();
    if (!pixels.isDetached() || pixels.size() != image.size() || pixels.depth() != 32 ||
        pixels.bytesPerLine() != image.bytesPerLine() ||
        !pixels.reinterpretAsFormat(image.format()))
        return QImage();
    return pixels;
}

template <typename MergeRow>
void IQImageDisplayController::copyIn(int rows, int cols, MergeRow mergeRow) {
    // Shared pixels (the other view's image, right after a photo was shown) are not copied first
    // and then overwritten: the new pixels are written once into memory of this image's own, the
    // unscaled pixmap's when nothing else holds it (fresh memory is slow to come by for a large
    // photo), taking the held alpha and the pixels outside the result from the shared ones.
    QImage shared;
    if (!image.isDetached()) {
        shared = image;
        QImage own = takeUnscaledPixels();
        if (own.isNull() || shared.dotsPerMeterX() == 0 || shared.dotsPerMeterY() == 0) {
            image.detach();
            shared = QImage();
        } else {
            own.setDotsPerMeterX(shared.dotsPerMeterX());
            own.setDotsPerMeterY(shared.dotsPerMeterY());
            own.setDevicePixelRatio(shared.devicePixelRatio());
            own.setOffset(shared.offset());
            for (const QString& key : shared.textKeys())
                own.setText(key, shared.text(key));
            own.setColorSpace(shared.colorSpace());
            image = own;
        }
    }
    const QImage& held = shared.isNull() ? image : shared;
    const size_t rowBytes = size_t(image.width()) * 4;
    const size_t mergedBytes = size_t(cols) * 4;
    for (int i = 0; i < image.height(); ++i) {
        const uchar* from = held.constScanLine(i);
        uchar* to = image.scanLine(i);
        if (i < rows) {
            mergeRow(i, from, to);
            if (to != from)
                memcpy(to + mergedBytes, from + mergedBytes, rowBytes - mergedBytes);
        } else if (to != from) {
            memcpy(to, from, rowBytes);
        }
    }
}

void IQImageDisplayController::updateFromBGRA(const QImage& src) {
    if (ensureImage32() && !src.isNull()) {
        const QImage source = src.depth() == 32 ? src : src.convertToFormat(QImage::Format_ARGB32);
        // Only the size both images cover: a smaller result never makes us read past its end.
        const int rows = std::min(image.height(), source.height());
        const int cols = std::min(image.width(), source.width());
        copyIn(rows, cols, [&](int i, const uchar* held, uchar* to) {
            mergeColourAlphaRow(source.constScanLine(i), held, to, cols);
        });
    }
    refreshFromImage();
}

void IQImageDisplayController::updateFromData(const uchar* data, int width, int height, int stride,
                                              QImage::Format format) {
    if (data && ensureImage32() && width > 0 && height > 0) {
        const int rows = std::min(image.height(), height);
        const int cols = std::min(image.width(), width);
        if (format == QImage::Format_ARGB32) {
            const qsizetype rowBytes = qsizetype(width) * 4;
            copyIn(rows, cols, [&](int i, const uchar* held, uchar* to) {
                mergeColourAlphaRow(data + i * rowBytes, held, to, cols);
            });
        } else if (format == QImage::Format_RGB888 && stride >= 3 * width) {
            copyIn(rows, cols, [&](int i, const uchar* held, uchar* to) {
                mergeBgrAlphaRow(data + qsizetype(i) * stride, held, to, cols);
            });
        }
    }
    refreshFromImage();
}

void IQImageDisplayController::refreshFromImage() {
    if (rendersFromImage()) {
        // The render scales the image itself; the unscaled pixmap is made only when it is shown.
        sourcePixmap = QPixmap();
    } else {
        sourcePixmap = QPixmap::fromImage(image);
        pixmap = sourcePixmap;
        showPixmap();
    }
    scaleBy(1.0);
    scene->update();
}

void IQImageDisplayController::refresh() {
    view->viewport()->update();
}

void IQImageDisplayController::zoomToRect(const QRect& r) {
    const int dx = std::max(r.left(), r.right()) - std::min(r.left(), r.right());
    const int dy = std::max(r.top(), r.bottom()) - std::min(r.top(), r.bottom());
    if (dx == 0 || dy == 0)
        return;
    double s = double(view->width()) / dx;
    if (dy * s > view->height())
        s = double(view->height()) / dy;
    scaleBy(s);
    view->horizontalScrollBar()->setValue(int(std::min(r.left(), r.right()) * s));
    view->verticalScrollBar()->setValue(int(std::min(r.top(), r.bottom()) * s));
}

void IQImageDisplayController::fitToView() {
    scale = 1.0;
    scaleBy(1.0);
    if (pixmap.isNull())
        return;
    double s = double(view->width()) / pixmap.width();
    if (pixmap.height() * s > view->height())
        s = double(view->height()) / pixmap.height();
    scaleBy(s);
}

void IQImageDisplayController::rotate(double angle, bool previewOnly) {
    double total = rotation + angle;
    if (total > 360.0)
        total -= 360.0;
    const QPixmap full = QPixmap::fromImage(image);
    const QPixmap p = scaledPixmap(full, scale);
    if (p.isNull())
        return;
    pixmap =
        p.transformed(rotationAboutCentre(p.width(), p.height(), total), Qt::FastTransformation);
    showPixmap();
    if (!previewOnly) {
        rotation = total;
        sourcePixmap = full.transformed(rotationAboutCentre(full.width(), full.height(), total),
                                        Qt::FastTransformation);
    }
}

void IQImageDisplayController::crop(const QRect& r) {
    const QRect area(QPoint(std::min(r.left(), r.right()), std::min(r.top(), r.bottom())),
                     QPoint(std::max(r.left(), r.right()), std::max(r.top(), r.bottom())));
    setImage(pixmap.copy(area).toImage());
}
