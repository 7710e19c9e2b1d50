#include "iqwritequality.h"

#include <QImageWriter>

void applyWriteQuality(QImageWriter* writer) {
    const QByteArray format = writer->format().toLower();
    if (format == "jpg" || format == "jpeg")
        writer->setQuality(JpegWriteQuality);
}
