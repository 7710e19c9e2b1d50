// Reads one photo away from the GUI thread and delivers it the way the editing page works on it:
// upright (the file's orientation applied), 32-bit ARGB, its width a multiple of 4.
#pragma once

#include <QImage>
#include <QRunnable>
#include <QString>
#include <QThread>

class IQImageReadThread : public QThread, public QRunnable {
    Q_OBJECT

public:
    explicit IQImageReadThread(const QString& path);

    // Reads the photo and emits readFinished exactly once.
    void run() override;

signals:
    // The photo, or a null image when the file could not be read.
    void readFinished(QImage image);

private:
    QString path;
};
