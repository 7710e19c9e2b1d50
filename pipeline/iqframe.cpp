#include "iqframe.h"

#include <libyuv.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "iqbgrdata.h"

// libyuv's ARGB is B, G, R, A in memory, which is QImage::Format_ARGB32 only on little-endian
// machines.
static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "ARGB pixel order assumes a little-endian machine");

namespace {

struct FrameLayout {
    long long strides[3] = {0, 0, 0};
    long long offsets[3] = {0, 0, 0};
    long long size = -1;
};

bool frameLayout(uint32_t format, int width, int height, FrameLayout* layout)
{
    if (width <= 0 || height <= 0)
        return false;
    const long long w = width, h = height;
    const long long chromaWidth = (w + 1) / 2, chromaHeight = (h + 1) / 2;
    FrameLayout l;
    switch (format) {
    case NR_FORMAT_YUY2:
        l.strides[0] = 4 * chromaWidth;
        l.size = l.strides[0] * h;
        break;
    case NR_FORMAT_I420:
        l.strides[0] = w;
        l.strides[1] = l.strides[2] = chromaWidth;
        l.offsets[1] = w * h;
        l.offsets[2] = l.offsets[1] + chromaWidth * chromaHeight;
        l.size = l.offsets[2] + chromaWidth * chromaHeight;
        break;
    case NR_FORMAT_NV21:
        l.strides[0] = w;
        l.strides[1] = 2 * chromaWidth;
        l.offsets[1] = w * h;
        l.size = l.offsets[1] + 2 * chromaWidth * chromaHeight;
        break;
    default:
        return false;
    }
    if (l.size > INT_MAX || l.strides[0] > INT_MAX)
        return false;
    *layout = l;
    return true;
}

// A temporary ARGB buffer of width x height pixels (stride 4 x width), or null.
struct FreeDeleter {
    void operator()(uchar* p) const { free(p); }
};
using ArgbBuffer = std::unique_ptr<uchar, FreeDeleter>;

ArgbBuffer allocArgb(int width, int height)
{
    const long long bytes = 4LL * width * height;
    if (width <= 0 || height <= 0 || bytes > INT_MAX)
        return nullptr;
    return ArgbBuffer(static_cast<uchar*>(malloc(static_cast<size_t>(bytes))));
}

bool hasPlanes(const NrFrame* frame)
{
    return frame && frame->planes[0] && frame->width > 0 && frame->height > 0;
}

} // namespace

long long framePlanesByteCount(uint32_t format, int width, int height)
{
    FrameLayout layout;
    return frameLayout(format, width, height, &layout) ? layout.size : -1;
}

bool allocFramePlanes(NrFrame* frame)
{
    if (!frame)
        return false;
    for (int i = 0; i < 4; ++i) {
        frame->planes[i] = nullptr;
        frame->strides[i] = 0;
    }
    FrameLayout layout;
    if (!frameLayout(frame->format, frame->width, frame->height, &layout))
        return false;
    auto* block = static_cast<uint8_t*>(malloc(static_cast<size_t>(layout.size)));
    if (!block)
        return false;
    const int planeCount = frame->format == NR_FORMAT_YUY2 ? 1 : frame->format == NR_FORMAT_NV21 ? 2 : 3;
    for (int i = 0; i < planeCount; ++i) {
        frame->planes[i] = block + layout.offsets[i];
        frame->strides[i] = static_cast<int32_t>(layout.strides[i]);
    }
    return true;
}

NrFrame* createFrame(uint32_t format, int width, int height)
{
    auto* frame = static_cast<NrFrame*>(calloc(1, sizeof(NrFrame)));
    if (!frame)
        return nullptr;
    frame->format = format;
    frame->width = width;
    frame->height = height;
    if (!allocFramePlanes(frame)) {
        free(frame);
        return nullptr;
    }
    return frame;
}

NrFrame* duplicateFrame(const NrFrame* source)
{
    if (!hasPlanes(source))
        return nullptr;
    NrFrame* copy = createFrame(source->format, source->width, source->height);
    if (copy)
        memcpy(copy->planes[0], source->planes[0],
               static_cast<size_t>(framePlanesByteCount(source->format, source->width, source->height)));
    return copy;
}

void freeFrame(NrFrame* frame)
{
    if (!frame)
        return;
    free(frame->planes[0]);
    free(frame);
}

NrFrame* fillFrameFromImage(const QImage& image, NrFrame* frame)
{
    if (!hasPlanes(frame) || image.depth() != 32 || image.width() < frame->width || image.height() < frame->height)
        return nullptr;
    const uchar* argb = image.constBits();
    const int argbStride = image.bytesPerLine();
    switch (frame->format) {
    case NR_FORMAT_YUY2:
        libyuv::ARGBToYUY2(argb, argbStride, frame->planes[0], frame->strides[0], frame->width, frame->height);
        break;
    case NR_FORMAT_I420:
        libyuv::ARGBToI420(argb, argbStride, frame->planes[0], frame->strides[0], frame->planes[1], frame->strides[1],
                           frame->planes[2], frame->strides[2], frame->width, frame->height);
        break;
    default:
        break;
    }
    return frame;
}

void imageToBgr(const QImage& image, IQBGRData* bgr)
{
    if (!bgr || !bgr->data || image.isNull() || image.depth() != 32)
        return;
    libyuv::ARGBToRGB24(image.constBits(), image.bytesPerLine(), bgr->data, bgr->bytesPerLine,
                        std::min(bgr->width, image.width()), std::min(bgr->height, image.height()));
}

void copyFrame(const NrFrame* source, NrFrame* destination)
{
    if (!hasPlanes(source) || !destination || !destination->planes[0])
        return;
    if (source->format != NR_FORMAT_YUY2 && source->format != NR_FORMAT_NV21)
        return;
    const long long bytes = framePlanesByteCount(source->format, source->width, source->height);
    const long long capacity = framePlanesByteCount(destination->format, destination->width, destination->height);
    if (bytes < 0 || capacity < bytes)
        return;
    destination->width = source->width;
    destination->height = source->height;
    destination->strides[0] = source->strides[0];
    if (source->format == NR_FORMAT_NV21)
        destination->strides[1] = source->strides[1];
    memcpy(destination->planes[0], source->planes[0], static_cast<size_t>(bytes));
    if (source->format == NR_FORMAT_NV21)
        destination->planes[1] = destination->planes[0] + (source->planes[1] - source->planes[0]);
}

void bgrToFrame(const IQBGRData* bgr, NrFrame* frame)
{
    if (!bgr || !bgr->data || !hasPlanes(frame) || frame->format != NR_FORMAT_YUY2 || bgr->width < frame->width ||
        bgr->height < frame->height)
        return;
    ArgbBuffer argb = allocArgb(bgr->width, bgr->height);
    if (!argb)
        return;
    const int argbStride = 4 * bgr->width;
    libyuv::RGB24ToARGB(bgr->data, bgr->bytesPerLine, argb.get(), argbStride, bgr->width, bgr->height);
    libyuv::ARGBToYUY2(argb.get(), argbStride, frame->planes[0], frame->strides[0], frame->width, frame->height);
}

void frameToArgb(uchar* argb, const NrFrame* frame)
{
    if (!argb || !hasPlanes(frame))
        return;
    const int w = frame->width, h = frame->height, argbStride = 4 * w;
    switch (frame->format) {
    case NR_FORMAT_YUY2:
        libyuv::YUY2ToARGB(frame->planes[0], frame->strides[0], argb, argbStride, w, h);
        break;
    case NR_FORMAT_I420:
        libyuv::I420ToARGB(frame->planes[0], frame->strides[0], frame->planes[1], frame->strides[1], frame->planes[2],
                           frame->strides[2], argb, argbStride, w, h);
        break;
    case NR_FORMAT_NV21:
        libyuv::NV21ToARGB(frame->planes[0], frame->strides[0], frame->planes[1], frame->strides[1], argb, argbStride,
                           w, h);
        break;
    default:
        break;
    }
}

void frameToBgr(const NrFrame* frame, IQBGRData* bgr)
{
    if (!hasPlanes(frame) || !bgr || !bgr->data)
        return;
    if (frame->format != NR_FORMAT_YUY2 && frame->format != NR_FORMAT_I420 && frame->format != NR_FORMAT_NV21)
        return;
    ArgbBuffer argb = allocArgb(frame->width, frame->height);
    if (!argb)
        return;
    frameToArgb(argb.get(), frame);
    libyuv::ARGBToRGB24(argb.get(), 4 * frame->width, bgr->data, bgr->bytesPerLine, std::min(bgr->width, frame->width),
                        std::min(bgr->height, frame->height));
}
