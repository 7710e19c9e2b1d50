// The worker of one batch run: reads, denoises and writes every photo of its list with one set of
// strengths, each output a new file in the output folder named after its input.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <QThread>

#include "iqdenoiseparams.h"

class IQBatchThread : public QThread {
    Q_OBJECT

public:
    // Works on copies: the caller's list, strengths and folder may change once the run started.
    // outputFolder has no trailing separator.
    IQBatchThread(const QStringList& files, const IQDenoiseParams& params,
                  const QString& outputFolder);
    // Waits for a run still going (the thread is normally released once it has finished).
    ~IQBatchThread() override;

    // The n-th candidate name of the output of inputPath: "folder/base.suffix" for n = 0, then
    // "folder/base_n.suffix", base up to the first dot of the file name and suffix after the last.
    static QString outputFileName(const QString& outputFolder, const QString& inputPath, int n);

signals:
    // Every photo ends in exactly one of the two lists, each in processing order.
    void batchFinished(QStringList finishedFileList, QStringList errorFileList);
    // The zero-based index of the photo just handled.
    void batchProgress(int index);

protected:
    void run() override;

private:
    // One photo: read, widen to a multiple of 32, denoise, narrow back, write. False when any
    // step fails; nothing is left behind then.
    bool processPhoto(const QString& path) const;
    // Creates the first free candidate name exclusively (a file that exists, or appears while
    // the batch runs, is never opened) and writes the image into it in the format of the input's
    // suffix. A failed write removes the batch's own partial file.
    bool writeUnique(const QImage& image, const QString& inputPath) const;

    QStringList files;
    IQDenoiseParams params;
    QString outputFolder;
};
