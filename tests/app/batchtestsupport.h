// Shared pieces of the batch tests: driving modal dialogs from inside their own event loop, a
// photo file whose reader blocks until the test lets it go, and photo fixtures.
#pragma once

#include <QApplication>
#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <cmath>
#include <functional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

// How long a test waits for something that should happen at once; only a guard against hangs.
constexpr int HangGuardMs = 60000;

// Once a visible modal widget of type T is up, runs action on it from inside its modal loop.
// Gives up after the hang guard with a test failure and closes whatever modal widget is up, so a
// test that opens a modal always ends.
template <class T> void onModal(std::function<void(T*)> action) {
    auto* timer = new QTimer();
    auto* clock = new QElapsedTimer();
    clock->start();
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, action]() {
        T* widget = qobject_cast<T*>(QApplication::activeModalWidget());
        if (widget != nullptr && widget->isVisible()) {
            timer->stop();
            timer->deleteLater();
            delete clock;
            action(widget);
            return;
        }
        if (clock->elapsed() > HangGuardMs) {
            timer->stop();
            timer->deleteLater();
            delete clock;
            ADD_FAILURE() << "no modal " << T::staticMetaObject.className() << " came up";
            if (QWidget* other = QApplication::activeModalWidget())
                other->close();
        }
    });
    timer->start();
}

// Picks the named files of folder in an open-files dialog, as if typed, and accepts it.
inline void chooseFiles(QFileDialog* dialog, const QString& folder, const QStringList& names) {
    dialog->setDirectory(folder);
    QStringList quoted;
    for (const QString& name : names)
        quoted.append(QLatin1Char('"') + name + QLatin1Char('"'));
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (edit == nullptr) {
        ADD_FAILURE() << "the file dialog has no name field";
        dialog->reject(); // a dialog left open would hold the test for ever
        return;
    }
    edit->setText(quoted.join(QLatin1Char(' ')));
    static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept, as the Open button does
}

// Picks folder in a folder dialog and accepts it.
inline void chooseFolder(QFileDialog* dialog, const QString& folder) {
    dialog->setDirectory(folder);
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (edit == nullptr) {
        ADD_FAILURE() << "the folder dialog has no name field";
        dialog->reject(); // a dialog left open would hold the test for ever
        return;
    }
    edit->setText(folder);
    static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept, as the Open button does
}

// A photo file whose reader waits inside its read until release(): a regular file in a test image
// format (see heldphotoplugin.cpp) that passes every check made before reading. Holding one as
// the first photo of a list keeps the one-thread pool or the batch thread busy on it for as long
// as a test needs.
class BlockingPhoto {
public:
    // Creates the file; it must not exist yet.
    explicit BlockingPhoto(const QString& path);
    ~BlockingPhoto();
    BlockingPhoto(const BlockingPhoto&) = delete;
    BlockingPhoto& operator=(const BlockingPhoto&) = delete;

    bool isValid() const { return valid; }

    // True while a reader waits inside its read of this photo: past every check made before
    // reading, and not yet released.
    bool readerIsWaiting() const;

    // Hands the waiting reader (or the next one) these bytes as the photo's file content: a
    // picture in a format Qt reads, or nothing for a photo that cannot be read. Later readers
    // get the same bytes at once.
    void release(const QByteArray& bytes);

private:
    int id = 0;
    bool valid = false;
};

// A smooth, colourful picture of the given size (deterministic).
inline QImage testPicture(int width, int height, QRgb tint = qRgb(255, 255, 255)) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int r = (64 + 128 * x / qMax(1, width - 1)) * qRed(tint) / 255;
            const int g = (64 + 128 * y / qMax(1, height - 1)) * qGreen(tint) / 255;
            const int b = (192 - 64 * (x + y) / qMax(1, width + height - 2)) * qBlue(tint) / 255;
            image.setPixel(x, y, qRgb(r, g, b));
        }
    return image;
}

// The picture with seeded Gaussian noise of the given standard deviation on every channel.
inline QImage withNoise(const QImage& clean, double sigma, quint32 seed) {
    QRandomGenerator random(seed);
    QImage noisy = clean.convertToFormat(QImage::Format_RGB32);
    auto gauss = [&random]() {
        // Box-Muller.
        const double u1 = qMax(random.generateDouble(), 1e-12);
        const double u2 = random.generateDouble();
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * M_PI * u2);
    };
    auto noisyChannel = [&](int value) {
        return qBound(0, static_cast<int>(std::lround(value + sigma * gauss())), 255);
    };
    for (int y = 0; y < noisy.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(noisy.scanLine(y));
        for (int x = 0; x < noisy.width(); ++x)
            row[x] = qRgb(noisyChannel(qRed(row[x])), noisyChannel(qGreen(row[x])),
                          noisyChannel(qBlue(row[x])));
    }
    return noisy;
}

// Peak signal-to-noise ratio of two pictures of one size over R, G and B, in dB.
inline double psnr(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double squares = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row);
            const QRgb q = y.pixel(col, row);
            const int dr = qRed(p) - qRed(q), dg = qGreen(p) - qGreen(q), db = qBlue(p) - qBlue(q);
            squares += dr * dr + dg * dg + db * db;
        }
    const double mse = squares / (3.0 * x.width() * x.height());
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

// The whole content of a file (empty when it cannot be read).
inline QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The PNG bytes of an image.
inline QByteArray pngBytes(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}
