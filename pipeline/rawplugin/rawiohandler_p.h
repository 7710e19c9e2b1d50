// Internals of RawIOHandler, visible to the tests.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

class LibRaw;
class LibRaw_buffer_datastream;
class QIODevice;
class RawIOHandler;

class RawIOHandlerPrivate {
public:
    explicit RawIOHandlerPrivate(RawIOHandler* handler) : q(handler) {}
    ~RawIOHandlerPrivate();
    RawIOHandlerPrivate(const RawIOHandlerPrivate&) = delete;
    RawIOHandlerPrivate& operator=(const RawIOHandlerPrivate&) = delete;

    // Opens the file on device in LibRaw once; later calls only rewind the device. On failure the
    // device goes back to where it was and nothing stays allocated.
    bool load(QIODevice* device);

    LibRaw* raw = nullptr;
    LibRaw_buffer_datastream* stream = nullptr;
    QByteArray data; // the whole file; stream points into it
    QSize defaultSize{-1, -1};
    QSize scaledSize{-1, -1};
    RawIOHandler* q;
};

namespace RawImage {

// The 8-bit RGB32 picture of a LibRaw bitmap of width x height pixels, each of colors samples of
// bits (8 or 16) bits in native byte order; 16-bit samples keep their high byte. One colour gives
// grey, three give RGB, any other count takes the first sample as grey. A null image when the
// description is not one of these or promises more bytes than dataSize.
QImage fromBitmap(int width, int height, int colors, int bits, const uchar* data, quint64 dataSize);

// The image turned upright for LibRaw's flip code: 3 half a turn, 5 a quarter turn to the left,
// 6 a quarter turn to the right; other codes leave it as it is.
QImage turnedUpright(const QImage& image, int flip);

} // namespace RawImage
