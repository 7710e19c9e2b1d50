#pragma once

#include <QImage>
#include <QSize>
#include <QString>

class QImageReader;

// Reading photo files for the engine: the checks a file passes before anything opens or decodes
// it, shared by every reader of the program (the editing page's read job, both thumbnail jobs and
// the batch), and the widening of a decoded photo to the widths the engine works on.

// The largest picture any reader of the program decodes, in pixels (256 megapixels). A file's
// header may claim any size: a decode allocates for the claim before it reads a pixel, so a tiny
// file could otherwise cost gigabytes. 20000 x 12000 (240 megapixels) is within it.
constexpr qint64 MaxPhotoPixels = 256LL * 1000 * 1000;

// True when path names a regular file or a symbolic link to one. FIFOs, sockets, devices,
// folders and missing paths are not photos; opening a FIFO (or finding its content type) would
// wait for a writer for ever, so this test must come before anything opens the path.
bool isRegularFile(const QString& path);

// True when a picture of this size is within MaxPhotoPixels. A size the reader cannot tell (not
// valid) passes: only a size it reports can be held against the file.
bool isWithinPixelLimit(const QSize& size);

// Points reader at path with the orientation stored in the file applied (auto-transform on), and
// tells whether its picture may be decoded: the path is a regular file (tested before the reader
// touches it) and the size the reader reports is within MaxPhotoPixels. On false the caller
// reads nothing and treats the photo as unreadable.
bool setUpPhotoReader(QImageReader* reader, const QString& path);

// The photo in straight (not premultiplied) 32-bit ARGB, stretched by smooth scaling to the
// smallest width that is a multiple of `multiple` (the height stays); when the width already is
// one, only the format changes. Null for a null photo or when the pixels cannot be had.
QImage widenedArgb(const QImage& photo, int multiple);
