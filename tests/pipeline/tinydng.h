// Writes small but complete DNG files for the RAW decoding tests: a Bayer (RGGB) sensor image made
// from a picture, an optional 8-bit RGB or JPEG preview and an Orientation tag. No Debian package
// carries a camera file with real pixels, so the tests make their own.
#pragma once

#include <QByteArray>
#include <QImage>

struct TinyDng {
    enum class Preview { None, Rgb, Jpeg };

    // What the sensor saw, in sensor orientation; its size is the raw size (both sides even).
    QImage scene;
    // The embedded preview, stored in sensor orientation like the raw data.
    Preview previewKind = Preview::None;
    QImage preview;
    // Bytes of the encoded preview kept in the file (its strip byte count says the same); -1 keeps
    // all of it. A smaller value makes a cut-off, corrupt preview.
    int previewBytesKept = -1;
    // TIFF Orientation: 1 normal, 3 upside down, 6 turned right, 8 turned left.
    int orientation = 1;
};

// The whole file, ready to be written or read through a QBuffer.
QByteArray makeTinyDng(const TinyDng& dng);
