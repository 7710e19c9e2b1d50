#include "iqbatchthread.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>

#include <climits>
#include <memory>

#include "iqbgradata.h"
#include "iqdenoiser.h"
#include "iqframe.h"
#include "iqphotoread.h"
#include "iqwritequality.h"

namespace {
struct FrameDeleter {
    void operator()(NrFrame* frame) const { freeFrame(frame); }
};
using FramePtr = std::unique_ptr<NrFrame, FrameDeleter>;

// The format of the output, named by the input's suffix.
QByteArray writerFormat(const QString& inputPath) {
    return QFileInfo(inputPath).suffix().toLower().toLatin1();
}

// The engine works on widths that are a multiple of 32.
constexpr int EngineWidthMultiple = 32;
} // namespace

IQBatchThread::IQBatchThread(const QStringList& files, const IQDenoiseParams& params,
                             const QString& outputFolder)
    : QThread(nullptr), files(files), params(params), outputFolder(outputFolder) {}

IQBatchThread::~IQBatchThread() {
    wait();
}

QString IQBatchThread::outputFileName(const QString& outputFolder, const QString& inputPath,
                                      int n) {
    const QFileInfo input(inputPath);
    if (n == 0)
        return QStringLiteral("%1/%2.%3").arg(outputFolder, input.baseName(), input.suffix());
    return QStringLiteral("%1/%2_%3.%4")
        .arg(outputFolder, input.baseName(), QString::number(n), input.suffix());
}

void IQBatchThread::run() {
    QStringList finishedFileList;
    QStringList errorFileList;
    for (int i = 0; i < files.size(); ++i) {
        const QString& path = files.at(i);
        if (processPhoto(path))
            finishedFileList.append(path);
        else
            errorFileList.append(path);
        emit batchProgress(i);
    }
    emit batchFinished(finishedFileList, errorFileList);
}

bool IQBatchThread::processPhoto(const QString& path) const {
    // The output takes the input's suffix: when no writer knows it (camera RAW, GIF), the photo
    // fails whatever its pixels, so it is not decoded and denoised in vain.
    if (!QImageWriter::supportedImageFormats().contains(writerFormat(path)))
        return false;

    QImageReader reader;
    if (!setUpPhotoReader(&reader, path))
        return false;
    const QImage photo = reader.read();
    if (photo.isNull())
        return false;

    // Stretched, not padded, to the widened width; the height stays.
    const int width = photo.width();
    const int height = photo.height();
    QImage argb = widenedArgb(photo, EngineWidthMultiple);
    if (argb.isNull())
        return false;
    const int engineWidth = argb.width();

    FramePtr source(createFrame(NR_FORMAT_YUY2, engineWidth, height));
    if (!source || !fillFrameFromImage(argb, source.get()))
        return false;
    argb = QImage();
    // The engine leaves the last row of an odd height unwritten: starting the result as a copy
    // of the source keeps real pixels there instead of uncleared memory.
    FramePtr result(duplicateFrame(source.get()));
    if (!result)
        return false;
    {
        // A fresh denoiser per photo: each photo gets its own noise-profile estimate.
        IQDenoiser denoiser;
        denoiser.setChrominance(params.chrominance);
        denoiser.setLuminance(params.luminance);
        denoiser.setSharpness(params.sharpness);
        if (denoiser.process(source.get(), result.get()) != NR_OK)
            return false;
    }
    source.reset();

    IQBGRAData pixels(engineWidth, height);
    if (pixels.data == nullptr)
        return false;
    frameToArgb(pixels.data, result.get());
    result.reset();
    QImage denoised(pixels.data, engineWidth, height, pixels.bytesPerLine, QImage::Format_ARGB32);
    if (engineWidth != width)
        denoised = denoised.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (denoised.isNull())
        return false;
    return writeUnique(denoised, path);
}

bool IQBatchThread::writeUnique(const QImage& image, const QString& inputPath) const {
    const QByteArray format = writerFormat(inputPath);

    for (int n = 0; n < INT_MAX; ++n) {
        const QString name = outputFileName(outputFolder, inputPath, n);
        QFile file(name);
        // Exclusive creation: a name taken by anyone, even since the last look, is skipped.
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            const QFileInfo taken(name);
            if (taken.exists() || taken.isSymLink())
                continue;
            return false; // the folder takes no new file
        }
        QImageWriter writer(&file, format);
        applyWriteQuality(&writer);
        bool written = writer.write(image) && file.flush();
        file.close();
        written = written && file.error() == QFileDevice::NoError;
        if (!written)
            file.remove(); // our own partial file, created above
        return written;
    }
    return false;
}
