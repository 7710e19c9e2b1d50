#include "iqfilereadingthread.h"

#include <QDebug>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>

namespace {
const int TileSide = 120;
// The square the picture is centred in: the tile's top edge, 5 px in from left and right.
const QRect PictureSquare(5, 0, 110, 110);
} // namespace

IQFileReadingThread::IQFileReadingThread(const QString& path, int index)
    : QThread(nullptr), path(path), index(index) {}

void IQFileReadingThread::abort() {
    aborted.store(true, std::memory_order_release);
}

void IQFileReadingThread::run() {
    if (isAborted()) {
        qDebug() << "abort:" << path;
        return;
    }
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QImage photo = reader.read();
    const QImage scaled =
        photo.scaled(TileSide, TileSide, Qt::KeepAspectRatio, Qt::SmoothTransformation)
            .convertToFormat(QImage::Format_ARGB32);

    // Pixmaps off the GUI thread are fine on the raster platforms this program runs on.
    QPixmap tile(TileSide, TileSide);
    tile.fill(Qt::transparent);
    {
        QPainter painter(&tile);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        QIcon(QPixmap::fromImage(scaled))
            .paint(&painter, PictureSquare, Qt::AlignCenter, QIcon::Normal, QIcon::Off);
    }
    emit readFinished(QIcon(tile), index);
}
