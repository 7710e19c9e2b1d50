#include "iqimagereadthread.h"

#include <QImageReader>

IQImageReadThread::IQImageReadThread(const QString& path) : QThread(nullptr), path(path) {
    setAutoDelete(true);
}

void IQImageReadThread::run() {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull()) {
        emit readFinished(image);
        return;
    }
    image = image.convertToFormat(QImage::Format_ARGB32);
    // The engine works on rows of whole 4-pixel groups: widen the picture by up to 3 pixels.
    const QSize size((image.width() + 3) / 4 * 4, image.height());
    if (size != image.size()) {
        // Smooth scaling hands back premultiplied pixels; callers get straight ARGB either way.
        image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                    .convertToFormat(QImage::Format_ARGB32);
    }
    emit readFinished(image);
}
