#include "iqimagereadthread.h"

#include <QImageReader>

#include "iqphotoread.h"

IQImageReadThread::IQImageReadThread(const QString& path) : QThread(nullptr), path(path) {
    setAutoDelete(true);
}

void IQImageReadThread::run() {
    QImageReader reader;
    QImage image;
    if (setUpPhotoReader(&reader, path))
        image = reader.read();
    if (image.isNull()) {
        emit readFinished(image);
        return;
    }
    // The engine works on rows of whole 4-pixel groups: widen the picture by up to 3 pixels.
    emit readFinished(widenedArgb(image, 4));
}
