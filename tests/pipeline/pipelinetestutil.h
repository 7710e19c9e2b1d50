#pragma once

#include <QImage>

#include <cstdint>
#include <memory>
#include <random>

#include "iqframe.h"

namespace pipelinetest {

// A 32-bit photo-like test image: smooth gradients plus seeded Gaussian noise.
inline QImage noisyImage(int width, int height, unsigned seed = 1, double sigma = 12.0)
{
    QImage image(width, height, QImage::Format_ARGB32);
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, sigma);
    auto clamp = [](double v) { return static_cast<int>(v < 0 ? 0 : v > 255 ? 255 : v + 0.5); };
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const double r = 40 + 160.0 * x / width, g = 60 + 120.0 * y / height, b = 120 + 60.0 * (x + y) / (width + height);
            row[x] = qRgb(clamp(r + noise(random)), clamp(g + noise(random)), clamp(b + noise(random)));
        }
    }
    return image;
}

inline QImage flatImage(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

struct FrameDeleter {
    void operator()(NrFrame* frame) const { freeFrame(frame); }
};
using FramePtr = std::unique_ptr<NrFrame, FrameDeleter>;

inline FramePtr frameFromImage(const QImage& image, uint32_t format = NR_FORMAT_YUY2)
{
    FramePtr frame(createFrame(format, image.width(), image.height()));
    if (frame)
        fillFrameFromImage(image, frame.get());
    return frame;
}

} // namespace pipelinetest
