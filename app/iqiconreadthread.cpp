#include "iqiconreadthread.h"

#include "iqfitsize.h"

#include <QDebug>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>

namespace {
// The thumbnail's size and the area the picture is drawn into, leaving room below for the strip.
constexpr int IconSize = 120;
const QRect PictureArea(5, 0, 110, 110);
} // namespace

IQIconReadThread::IQIconReadThread(const QString& path, int index)
    : QThread(nullptr), path(path), index(index) {}

void IQIconReadThread::abort() {
    aborted = true;
}

void IQIconReadThread::run() {
    if (aborted)
        return;
    QImageReader reader(path);
    reader.setAutoTransform(true);
    // Decode already scaled: a large photo (or a camera RAW file) is never decoded at full size
    // for the strip. A picture that fits is decoded at its own size.
    double w = 0.0, h = 0.0;
    fitScaleFactor(reader.size(), QRect(0, 0, IconSize, IconSize), &w, &h);
    reader.setScaledSize(QSize(int(w), int(h)));
    const QImage img = reader.read();
    if (aborted) {
        qDebug() << "abort:" << path;
        return;
    }

    QPixmap pixmap(IconSize, IconSize);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        QIcon(QPixmap::fromImage(img))
            .paint(&painter, PictureArea, Qt::AlignCenter, QIcon::Normal, QIcon::Off);
    }
    emit readFinished(QIcon(pixmap), index);
}
