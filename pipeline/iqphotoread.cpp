#include "iqphotoread.h"

#include <QFileInfo>
#include <QImageReader>

bool isRegularFile(const QString& path) {
    // isFile() follows symbolic links and is true only for a regular file at their end.
    return !path.isEmpty() && QFileInfo(path).isFile();
}

bool isWithinPixelLimit(const QSize& size) {
    if (!size.isValid())
        return true;
    return qint64(size.width()) * size.height() <= MaxPhotoPixels;
}

bool setUpPhotoReader(QImageReader* reader, const QString& path) {
    if (!isRegularFile(path))
        return false;
    reader->setFileName(path);
    reader->setAutoTransform(true);
    return isWithinPixelLimit(reader->size());
}

QImage widenedArgb(const QImage& photo, int multiple) {
    if (photo.isNull() || multiple <= 0)
        return QImage();
    const QImage argb = photo.convertToFormat(QImage::Format_ARGB32);
    const int width = (argb.width() + multiple - 1) / multiple * multiple;
    if (width == argb.width())
        return argb;
    // Smooth scaling hands back premultiplied pixels; the engine conversions read straight ARGB.
    return argb.scaled(width, argb.height(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_ARGB32);
}
