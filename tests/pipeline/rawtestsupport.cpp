#include "rawtestsupport.h"

#include <QFile>
#include <QMutex>
#include <QPainter>

QString testDataPath(const QString& name) {
    return QStringLiteral(NR_TEST_DATA_DIR "/") + name;
}

QByteArray readTestData(const QString& name) {
    QFile file(testDataPath(name));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

const char* cornerName(Corner corner) {
    switch (corner) {
    case Corner::TopLeft:
        return "top left";
    case Corner::TopRight:
        return "top right";
    case Corner::BottomLeft:
        return "bottom left";
    case Corner::BottomRight:
        return "bottom right";
    default:
        return "none";
    }
}

QImage redCornerPicture(int width, int height) {
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(QColor(110, 110, 110));
    QPainter painter(&picture);
    painter.fillRect(0, 0, width / 2, height / 2, QColor(230, 30, 30));
    return picture;
}

namespace {

// Mean of red minus the larger of green and blue over the middle half of a quadrant (its edges
// blur in demosaicing and scaling).
double redness(const QImage& image, int qx, int qy) {
    const int w = image.width() / 2, h = image.height() / 2;
    const int x0 = qx * w + w / 4, y0 = qy * h + h / 4;
    double sum = 0;
    int count = 0;
    for (int y = y0; y < y0 + std::max(1, h / 2); ++y)
        for (int x = x0; x < x0 + std::max(1, w / 2); ++x) {
            const QRgb p = image.pixel(x, y);
            sum += qRed(p) - std::max(qGreen(p), qBlue(p));
            ++count;
        }
    return count ? sum / count : 0;
}

} // namespace

Corner redCorner(const QImage& image) {
    if (image.width() < 2 || image.height() < 2)
        return Corner::None;
    const Corner corners[] = {Corner::TopLeft, Corner::TopRight, Corner::BottomLeft,
                              Corner::BottomRight};
    Corner found = Corner::None;
    for (int i = 0; i < 4; ++i) {
        const double r = redness(image, i % 2, i / 2);
        if (r > 80) {
            if (found != Corner::None)
                return Corner::None; // more than one red quadrant
            found = corners[i];
        } else if (r > 20) {
            return Corner::None; // neither red nor grey
        }
    }
    return found;
}

namespace {
QMutex logMutex;
QStringList logLines;
QtMessageHandler previousHandler = nullptr;

void collect(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    {
        QMutexLocker lock(&logMutex);
        logLines << message;
    }
    if (previousHandler)
        previousHandler(type, context, message);
}
} // namespace

DebugLog::DebugLog() {
    QMutexLocker lock(&logMutex);
    logLines.clear();
    previousHandler = qInstallMessageHandler(collect);
}

DebugLog::~DebugLog() {
    qInstallMessageHandler(previousHandler);
}

QStringList DebugLog::lines() const {
    QMutexLocker lock(&logMutex);
    return logLines;
}
