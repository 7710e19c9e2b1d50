// Helpers shared by the RAW plugin and read-job tests.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

// Path of a committed fixture under tests/data.
QString testDataPath(const QString& name);
QByteArray readTestData(const QString& name);

// Where a quadrant of distinct colour ended up in a picture.
enum class Corner { TopLeft, TopRight, BottomLeft, BottomRight, None };
const char* cornerName(Corner corner);

// A picture of size whose top-left quadrant is red and the rest grey.
QImage redCornerPicture(int width, int height);
// The quadrant that is clearly red (red well above green and blue, the others not), or None.
Corner redCorner(const QImage& image);

// Collects the debug lines written while it lives (single-threaded use only).
class DebugLog {
public:
    DebugLog();
    ~DebugLog();
    DebugLog(const DebugLog&) = delete;
    DebugLog& operator=(const DebugLog&) = delete;
    QStringList lines() const;
};
