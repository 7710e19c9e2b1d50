#include "iqfilereadingthread.h"

#include <QDebug>
#include <QImageReader>

#include "iqphotoread.h"
#include "iqthumbnailtile.h"

namespace {
const int TileSide = 120;
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
    // A file that is refused gives a blank tile, as an unreadable one does.
    QImageReader reader;
    QImage photo;
    if (setUpPhotoReader(&reader, path))
        photo = reader.read();
    const QImage scaled =
        photo.scaled(TileSide, TileSide, Qt::KeepAspectRatio, Qt::SmoothTransformation)
            .convertToFormat(QImage::Format_ARGB32);

    emit readFinished(thumbnailTile(scaled), index);
}
