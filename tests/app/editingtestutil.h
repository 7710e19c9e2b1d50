// Helpers of the editing page's tests: photo-like images and a user's drag on a slider.
#pragma once

#include "iqbgradata.h"
#include "iqbgrdata.h"

#include <QImage>
#include <QMetaType>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <random>

// The engine controller's result signals carry these; the spies store them.
Q_DECLARE_METATYPE(const IQBGRData*)
Q_DECLARE_METATYPE(const IQBGRAData*)
Q_DECLARE_METATYPE(const QImage*)

namespace editingtest {

inline void registerResultTypes() {
    qRegisterMetaType<const IQBGRData*>();
    qRegisterMetaType<const IQBGRAData*>();
    qRegisterMetaType<const QImage*>();
}

// A 32-bit photo-like image: smooth gradients plus seeded Gaussian noise.
inline QImage noisyImage(int width, int height, unsigned seed = 1, double sigma = 14.0) {
    QImage image(width, height, QImage::Format_ARGB32);
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, sigma);
    auto clamp = [](double v) { return int(v < 0 ? 0 : v > 255 ? 255 : v + 0.5); };
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const double r = 40 + 160.0 * x / width, g = 60 + 120.0 * y / height,
                         b = 120 + 60.0 * (x + y) / (width + height);
            row[x] =
                qRgb(clamp(r + noise(random)), clamp(g + noise(random)), clamp(b + noise(random)));
        }
    }
    return image;
}

inline QRect sliderHandleRect(const QSlider& s) {
    QStyleOptionSlider opt;
    opt.initFrom(&s);
    opt.orientation = s.orientation();
    opt.minimum = s.minimum();
    opt.maximum = s.maximum();
    opt.sliderPosition = s.sliderPosition();
    opt.sliderValue = s.value();
    opt.singleStep = s.singleStep();
    opt.pageStep = s.pageStep();
    opt.upsideDown = s.invertedAppearance();
    opt.direction = s.layoutDirection();
    return s.style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, &s);
}

// Presses the handle, drags it dx pixels in a few moves and releases it, as a user would.
inline void dragSlider(QSlider* slider, int dx) {
    QPoint at = sliderHandleRect(*slider).center();
    QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, at);
    for (int i = 1; i <= 4; ++i)
        QTest::mouseMove(slider, at + QPoint(dx * i / 4, 0));
    QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, at + QPoint(dx, 0));
}

// The largest difference of any colour channel between two images of one size.
inline int maxChannelDifference(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    int worst = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            worst = std::max({worst, std::abs(qRed(p[col]) - qRed(q[col])),
                              std::abs(qGreen(p[col]) - qGreen(q[col])),
                              std::abs(qBlue(p[col]) - qBlue(q[col]))});
        }
    }
    return worst;
}

} // namespace editingtest
