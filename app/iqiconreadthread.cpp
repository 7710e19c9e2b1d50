#include "iqiconreadthread.h"

#include "iqfitsize.h"
#include "iqphotoread.h"

#include "iqthumbnailtile.h"

#include <QDebug>
#include <QImageReader>

namespace {
// The thumbnail's side: the picture is decoded at most this large.
constexpr int IconSize = 120;
} // namespace

IQIconReadThread::IQIconReadThread(const QString& path, int index)
    : QThread(nullptr), path(path), index(index) {}

void IQIconReadThread::abort() {
    aborted = true;
}

void IQIconReadThread::run() {
    if (aborted)
        return;
    // A file that is refused leaves the thumbnail blank.
    QImageReader reader;
    QImage img;
    if (setUpPhotoReader(&reader, path)) {
        // Decode already scaled: a large photo (or a camera RAW file) is never decoded at full
        // size for the strip. A picture that fits is decoded at its own size.
        double w = 0.0, h = 0.0;
        fitScaleFactor(reader.size(), QRect(0, 0, IconSize, IconSize), &w, &h);
        reader.setScaledSize(QSize(int(w), int(h)));
        img = reader.read();
    }
    if (aborted) {
        qDebug() << "abort:" << path;
        return;
    }

    emit readFinished(thumbnailTile(img), index);
}
