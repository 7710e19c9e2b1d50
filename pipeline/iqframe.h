#pragma once

#include <QImage>

#include "nr_engine.h"

class IQBGRData;

// Engine frames of the application and the pixel moves between QImage, IQBGRData and NrFrame.
// Every colour conversion is one libyuv call over the whole image.
//
// Plane layouts (w x h pixels; chroma sizes round up, which is what libyuv reads and writes for
// odd sizes):
//   NR_FORMAT_YUY2  stride 4 x ceil(w / 2)                 block stride x h
//   NR_FORMAT_I420  strides w, ceil(w / 2), ceil(w / 2)    block w x h + 2 x ceil(w / 2) x ceil(h / 2)
//   NR_FORMAT_NV21  strides w, 2 x ceil(w / 2)             block w x h + 2 x ceil(w / 2) x ceil(h / 2)
// All planes of a frame live in one malloc'ed block that starts at planes[0].

// Bytes of the plane block of a frame of this format and size; -1 for an unknown format, a size
// that is not positive, or a block or stride that does not fit the int range.
long long framePlanesByteCount(uint32_t format, int width, int height);

// Allocates the planes of a frame whose format, width and height are set, and sets its strides
// and plane pointers (the block is not cleared). Returns false, with planes and strides cleared,
// for an unknown format, an unusable size or a failed allocation.
bool allocFramePlanes(NrFrame* frame);

// A zero-filled frame record with allocated planes, or null when it cannot be had.
NrFrame* createFrame(uint32_t format, int width, int height);
// A new frame of the same format and size holding a copy of the source's pixels, or null.
NrFrame* duplicateFrame(const NrFrame* source);
// Frees the plane block, then the record. Null is ignored.
void freeFrame(NrFrame* frame);

// Converts a 32-bit ARGB image of at least the frame's size into a YUY2 or I420 frame. Returns
// the frame; other formats are left untouched. Returns null, writing nothing, for a null frame,
// a frame without planes or an image that is not 32-bit or is smaller than the frame.
NrFrame* fillFrameFromImage(const QImage& image, NrFrame* frame);

// Copies bytes 0, 1, 2 (B, G, R) of every pixel of a 32-bit image into a 24-bit buffer, over the
// size both cover; the buffer's row padding is not written. Other images write nothing.
void imageToBgr(const QImage& image, IQBGRData* bgr);

// Copies the pixels of a YUY2 or NV21 frame (with width, height and strides) into a destination
// whose own block is at least as large; other formats, and destinations too small, are skipped.
void copyFrame(const NrFrame* source, NrFrame* destination);

// Converts a 24-bit buffer into a YUY2 frame of at most its size.
void bgrToFrame(const IQBGRData* bgr, NrFrame* frame);

// Converts a YUY2, I420 or NV21 frame into 4 x width x height bytes of ARGB (stride 4 x width).
// A null output or another format writes nothing.
void frameToArgb(uchar* argb, const NrFrame* frame);

// Converts a YUY2, I420 or NV21 frame into a 24-bit buffer (the overlapping size).
void frameToBgr(const NrFrame* frame, IQBGRData* bgr);
