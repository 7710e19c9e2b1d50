// Photo files that make readers misbehave, and the JPEG segment reading the tests check writers
// with; shared by the pipeline and application suites.
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QSize>
#include <QString>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace photofixtures {

// The offset of the first segment with this marker among the segments before the image data,
// or -1. Markers are FF xx; every segment but the start of image carries a 2-byte big-endian
// length that counts itself.
inline int jpegSegment(const QByteArray& jpeg, uchar marker, int from = 2) {
    int at = from;
    while (at + 4 <= jpeg.size() && uchar(jpeg[at]) == 0xFF) {
        const uchar found = uchar(jpeg[at + 1]);
        if (found == marker)
            return at;
        if (found == 0xDA) // start of scan: the entropy-coded data follows
            return -1;
        at += 2 + ((uchar(jpeg[at + 2]) << 8) | uchar(jpeg[at + 3]));
    }
    return -1;
}

// A small real JPEG written by Qt at the given quality.
inline QByteArray smallJpeg(int quality = -1) {
    QImage picture(16, 16, QImage::Format_RGB32);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            picture.setPixel(x, y, qRgb(16 * x, 16 * y, 120));
    QByteArray jpeg;
    QBuffer out(&jpeg);
    out.open(QIODevice::WriteOnly);
    picture.save(&out, "JPEG", quality);
    return jpeg;
}

// A real JPEG of 16 x 16 pixels whose baseline frame header (SOF0: length, precision, height,
// width) claims this size instead. A decoder that trusts the header allocates the claimed
// picture before it finds the data too short for it.
inline QByteArray jpegClaiming(QSize claimed) {
    QByteArray jpeg = smallJpeg();
    const int sof = jpegSegment(jpeg, 0xC0);
    if (sof < 0)
        return QByteArray();
    jpeg[sof + 5] = char(claimed.height() >> 8);
    jpeg[sof + 6] = char(claimed.height() & 0xFF);
    jpeg[sof + 7] = char(claimed.width() >> 8);
    jpeg[sof + 8] = char(claimed.width() & 0xFF);
    return jpeg;
}

// The quantisation tables of a JPEG: the payloads of all its DQT segments, in file order. They
// depend only on the quality the file was written at.
inline QByteArray quantisationTables(const QByteArray& jpeg) {
    QByteArray tables;
    int at = jpegSegment(jpeg, 0xDB);
    while (at >= 0) {
        const int length = (uchar(jpeg[at + 2]) << 8) | uchar(jpeg[at + 3]);
        tables += jpeg.mid(at + 4, length - 2);
        at = jpegSegment(jpeg, 0xDB, at + 2 + length);
    }
    return tables;
}

// A Unix-domain socket file at path, as a server leaves it; false when it cannot be made.
inline bool makeSocketFile(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    if (name.size() >= int(sizeof(address.sun_path)))
        return false;
    address.sun_family = AF_UNIX;
    memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    const bool bound =
        ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd); // the file stays
    return bound;
}

// A FIFO named like a photo that nobody writes to: a reader that opens it waits in open() (and
// then in read()) for ever. A guard thread catches any such reader at once: it opens the write
// end without waiting, which only succeeds while someone has the FIFO open for reading, notes
// the catch and closes it again, so the reader sees an empty file and the test ends with a
// failure instead of hanging.
class UnwrittenFifo {
public:
    explicit UnwrittenFifo(const QString& path) : name(QFile::encodeName(path)) {
        valid = ::mkfifo(name.constData(), 0600) == 0;
        if (valid)
            guard = std::thread([this] { watch(); });
    }
    ~UnwrittenFifo() {
        stop = true;
        if (guard.joinable())
            guard.join();
        letReadersGo();
    }
    UnwrittenFifo(const UnwrittenFifo&) = delete;
    UnwrittenFifo& operator=(const UnwrittenFifo&) = delete;

    bool isValid() const { return valid; }
    // True once some reader has opened the FIFO.
    bool wasOpened() const { return caught; }

private:
    void watch() {
        while (!stop) {
            letReadersGo();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    void letReadersGo() {
        const int fd = ::open(name.constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) {
            caught = true;
            ::close(fd);
        }
    }

    QByteArray name;
    bool valid = false;
    std::atomic<bool> stop{false};
    std::atomic<bool> caught{false};
    std::thread guard;
};

} // namespace photofixtures
