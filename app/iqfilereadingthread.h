// One thumbnail job of the batch photo list: reads a photo, fits it into a 120 x 120 tile and
// hands the tile back as an icon. Run by the list's one-thread pool through its QRunnable part;
// the QThread part only provides the signal and the abort slot, its own thread is never started.
#pragma once

#include <QIcon>
#include <QMetaType>
#include <QRunnable>
#include <QString>
#include <QThread>

#include <atomic>

class IQFileReadingThread : public QThread, public QRunnable {
    Q_OBJECT

public:
    // index: the row of the photo's tile when the job was made.
    IQFileReadingThread(const QString& path, int index);

    // Reads, scales and paints the tile, then emits readFinished; returns at once, emitting
    // nothing, when the job was aborted before it started.
    void run() override;

    const QString& filePath() const { return path; }
    bool isAborted() const { return aborted.load(std::memory_order_acquire); }

signals:
    // The tile: 120 x 120, transparent, the photo fitted into the 110 x 110 square at (5, 0);
    // fully transparent for a photo that cannot be read.
    void readFinished(QIcon tileIcon, int index);

public slots:
    void abort();

private:
    QString path;
    int index;
    std::atomic<bool> aborted{false};
};

Q_DECLARE_METATYPE(IQFileReadingThread*)
