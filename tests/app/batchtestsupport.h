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

// A photo path whose reader blocks until release(): a FIFO the test itself holds open, so that
// opening it never blocks but reading waits for the bytes. Holding one as the first photo of a
// list keeps the one-thread pool or the batch thread busy on it for as long as a test needs.
// While a reader waits on it, that reader holds Qt's image-plugin lock: the test must not read or
// write images itself until it has released the photo (prepare the bytes beforehand).
class BlockingPhoto {
public:
    explicit BlockingPhoto(const QString& path) : path(path) {
        const QByteArray name = QFile::encodeName(path);
        if (mkfifo(name.constData(), 0600) == 0)
            fd = ::open(name.constData(), O_RDWR); // reader and writer: no open ever waits
    }
    ~BlockingPhoto() { release(QByteArray()); }
    BlockingPhoto(const BlockingPhoto&) = delete;
    BlockingPhoto& operator=(const BlockingPhoto&) = delete;

    bool isValid() const { return fd >= 0; }

    // True once some other descriptor of this process has the FIFO open: its reader is inside
    // its job, past every check made before reading.
    bool openedByReader() const {
        const QString target = QFileInfo(path).canonicalFilePath();
        int opened = 0;
        const QDir fds(QStringLiteral("/proc/self/fd"));
        for (const QString& entry : fds.entryList(QDir::Files | QDir::System))
            if (QFile::symLinkTarget(fds.filePath(entry)) == target)
                ++opened;
        return opened >= 2; // ours and the reader's
    }

    // Hands the reader these bytes, then the end of the file.
    void release(const QByteArray& bytes) {
        if (fd < 0)
            return;
        const char* data = bytes.constData();
        qint64 left = bytes.size();
        while (left > 0) {
            const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
            if (written <= 0)
                break;
            data += written;
            left -= written;
        }
        ::close(fd);
        fd = -1;
    }

private:
    QString path;
    int fd = -1;
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
