#ifndef QPICTUREFLOWSTATE_H
#define QPICTUREFLOWSTATE_H

#include <QImage>
#include <QVector>
#include <QtGlobal>

// Integer fixed-point arithmetic of the cover-flow view. A "fixed" number is an int holding
// x * 1024; an angle is an int in steps of 1/1024 of a full turn (256 is a right angle).
constexpr int kFixedShift = 10;
constexpr int kFixedOne = 1 << kFixedShift;

// (a * b) >> 10, multiplied in 64 bits.
inline int fixedMul(qint64 a, qint64 b) {
    return int((a * b) >> kFixedShift);
}

// (num << 20) / den >> 10, in 64 bits, the division truncating toward zero. The numerator may be
// a 64-bit product; den must not be 0.
inline int fixedDiv(qint64 num, qint64 den) {
    return int((num * (qint64(1) << (2 * kFixedShift))) / den >> kFixedShift);
}

// Sine of an angle, about 1024 at a right angle, linearly interpolated in a 64-step table.
// Never 0: the table is offset by a few units from a rounded sine.
int fixedSin(int angle);
inline int fixedCos(int angle) {
    return fixedSin(angle + 256);
}

enum ReflectionKind {
    ReflectionNone = 0,
    ReflectionPlain = 1,
    ReflectionBlurred = 2,
};

// Where one slide stands.
struct SlidePlacement {
    int slideIndex = 0; // may lie outside the slide list: then nothing is drawn
    int angle = 0;      // about the vertical axis; positive turns the right edge away
    int cx = 0;         // centre relative to the view's centre, fixed
    int cy = 0;         // depth behind the centre plane, fixed
    int blend = 256;    // 0 (invisible) .. 256 (opaque)
};

// The layout shared by the view, its animator and its renderer. Owns the slide images.
struct QPictureFlowState {
    static constexpr int kSideSlides = 6; // placements kept on each side of the middle

    QPictureFlowState();
    ~QPictureFlowState();
    QPictureFlowState(const QPictureFlowState&) = delete;
    QPictureFlowState& operator=(const QPictureFlowState&) = delete;

    // Side angle, spacing, offset and depth for the current slide width.
    void computeGeometry();
    // The resting layout around centerIndex.
    void layoutSlides();

    QRgb backgroundColor = 0;
    int slideWidth = 150;
    int slideHeight = 200;
    ReflectionKind reflection = ReflectionBlurred;
    QVector<QImage*> slideList; // owned; an entry may be null

    int sideAngle = 199;
    int sideSpacing = 40;
    int sideOffset = 0; // fixed
    int sideDepth = 0;  // fixed

    SlidePlacement middleSlide;
    QVector<SlidePlacement> leftRow;  // nearest first
    QVector<SlidePlacement> rightRow; // nearest first
    int centerIndex = 0;
};

#endif // QPICTUREFLOWSTATE_H
