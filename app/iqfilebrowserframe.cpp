#include "iqfilebrowserframe.h"

#include <QFileInfo>
#include <QIcon>
#include <QListWidget>
#include <QPointer>

#include "iqfilereadingthread.h"
#include "iqsettings.h"

namespace {
const QSize TileSizeHint(120, 140);
}

IQFileBrowserFrame::IQFileBrowserFrame(QWidget* parent) : QFrame(parent, Qt::WindowFlags()) {
    qRegisterMetaType<IQFileReadingThread*>("IQFileReadingThread*");
    pool.setMaxThreadCount(1);
}

IQFileBrowserFrame::~IQFileBrowserFrame() {
    // Waiting jobs would only decode photos nobody will see: abort them all, take back those
    // still queued, and wait for the one that may be running.
    for (IQFileReadingThread* job : qAsConst(jobs))
        job->abort();
    for (IQFileReadingThread* job : qAsConst(retiredJobs))
        job->abort();
    pool.clear();
    pool.waitForDone();
    qDeleteAll(jobs);
    qDeleteAll(retiredJobs);
}

void IQFileBrowserFrame::initUi() {}

QStringList IQFileBrowserFrame::addFiles(const QString& startDir) {
    QStringList chosen;
    if (openImageFilesDialog(this, &chosen, startDir, QFileDialog::ExistingFiles) !=
            QDialog::Accepted ||
        chosen.isEmpty())
        return QStringList();
    setLastOpenDir(appSettings(), QFileInfo(chosen.first()).absolutePath());

    for (const QString& path : qAsConst(chosen)) {
        paths.append(path);

        auto* item = new QListWidgetItem(nullptr, QListWidgetItem::Type);
        item->setData(Qt::SizeHintRole, TileSizeHint);
        item->setData(Qt::DisplayRole, QFileInfo(path).fileName());
        listWidget->insertItem(listWidget->count(), item);

        auto* job = new IQFileReadingThread(path, paths.size() - 1);
        job->setAutoDelete(false);
        // The result is matched to its tile by the job, not by the row it was made for: rows
        // shift when earlier tiles are removed. The guard turns null once the job is released.
        connect(job, &IQFileReadingThread::readFinished, this,
                [this, guard = QPointer<IQFileReadingThread>(job)](const QIcon& tileIcon, int) {
                    onThumbnailReady(guard.data(), tileIcon);
                });
        jobs.append(job);
        pool.start(job, 0);

        item->setData(JobRole, QVariant::fromValue(job));
        item->setData(PathRole, path);
    }
    return chosen;
}

void IQFileBrowserFrame::onThumbnailReady(const IQFileReadingThread* job, const QIcon& tileIcon) {
    if (job == nullptr || listWidget == nullptr)
        return;
    for (int row = 0; row < listWidget->count(); ++row) {
        QListWidgetItem* item = listWidget->item(row);
        if (item->data(JobRole).value<IQFileReadingThread*>() == job) {
            item->setData(Qt::DecorationRole, tileIcon);
            return;
        }
    }
}

void IQFileBrowserFrame::removeSelectedFiles() {
    const QList<QListWidgetItem*> selected = listWidget->selectedItems();
    for (QListWidgetItem* item : selected) {
        if (auto* job = item->data(JobRole).value<IQFileReadingThread*>()) {
            job->abort();
            jobs.removeOne(job);
            if (pool.tryTake(job))
                delete job; // still queued: it never runs
            else
                retiredJobs.append(job); // running or done: released once the pool is idle
        }
        paths.removeOne(item->data(PathRole).toString());
        listWidget->removeItemWidget(item);
        delete item;
    }
    releaseRetiredJobs();
}

void IQFileBrowserFrame::releaseRetiredJobs() {
    // A retired job was taken by the pool thread before its tile went; with no thread active it
    // has returned from run() and the pool holds no reference to it.
    if (retiredJobs.isEmpty() || pool.activeThreadCount() != 0)
        return;
    qDeleteAll(retiredJobs);
    retiredJobs.clear();
}

QStringList IQFileBrowserFrame::selectedPaths() const {
    QStringList selected;
    for (const QListWidgetItem* item : listWidget->selectedItems())
        selected.append(item->data(PathRole).toString());
    return selected;
}
