#pragma once

#include <QIcon>
#include <QMetaType>
#include <QRunnable>
#include <QString>
#include <QThread>
#include <atomic>

// Reads the thumbnail of one photo for the editing page's strip, on the page's thread pool (never
// started as a thread of its own). The photo is decoded already scaled to fit 120 x 120 and
// centred in a transparent 120 x 120 icon.
class IQIconReadThread : public QThread, public QRunnable {
    Q_OBJECT

public:
    IQIconReadThread(const QString& path, int index);

    // Checks the abort flag before and after reading; an aborted job emits nothing.
    void run() override;

    const QString& filePath() const { return path; }
    int row() const { return index; }

public slots:
    void abort();

signals:
    // index: the strip row the thumbnail is for.
    void readFinished(QIcon tileIcon, int index);

private:
    QString path;
    int index;
    // Set from the GUI thread, read on the pool's.
    std::atomic<bool> aborted{false};
};

// Strip items keep their job in a QVariant.
Q_DECLARE_METATYPE(IQIconReadThread*)
