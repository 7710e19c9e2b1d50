// Base of panels that keep a list of photos: the paths in the order they were added, shown as
// tiles of a list widget the subclass supplies, each tile's thumbnail made in the background by a
// job on a private one-thread pool.
#pragma once

#include <QFrame>
#include <QList>
#include <QStringList>
#include <QThreadPool>

class QIcon;
class QListWidget;
class IQFileReadingThread;

class IQFileBrowserFrame : public QFrame {
    Q_OBJECT

public:
    // Data roles of a tile, besides its name (display), size hint and thumbnail (decoration).
    enum TileRole {
        JobRole = Qt::UserRole + 1, // the tile's IQFileReadingThread*
        PathRole = Qt::UserRole + 2 // the photo's full path
    };

    explicit IQFileBrowserFrame(QWidget* parent = nullptr);
    // Aborts the thumbnail jobs that have not started, waits for the one running and releases
    // them all; their results are no longer delivered.
    ~IQFileBrowserFrame() override;

    // Builds the subclass's texts and sets listWidget, which every operation below requires.
    virtual void initUi();

    // Asks for photos (starting in startDir) and appends them with their tiles in dialog order,
    // queueing one thumbnail job each. Returns the chosen paths; empty, changing nothing, when
    // the dialog is cancelled.
    QStringList addFiles(const QString& startDir);
    // Removes the selected tiles and their paths; their jobs are aborted, and those still queued
    // are taken back from the pool and released.
    void removeSelectedFiles();
    // The paths of the selected tiles, in selection order.
    QStringList selectedPaths() const;

    const QStringList& filePaths() const { return paths; }

protected:
    QThreadPool pool;
    QStringList paths;
    QListWidget* listWidget = nullptr;

private:
    // Puts a finished thumbnail on the tile of the job that made it; nothing when that tile is
    // gone (job is null once the job has been released).
    void onThumbnailReady(const IQFileReadingThread* job, const QIcon& tileIcon);
    // Releases the jobs of removed tiles that had already started, once none is running.
    void releaseRetiredJobs();

    // Jobs of tiles that exist, and jobs of removed tiles that had started when removed.
    QList<IQFileReadingThread*> jobs;
    QList<IQFileReadingThread*> retiredJobs;
};
