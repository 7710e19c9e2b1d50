#include "qpictureflowstate.h"

namespace {

// One period of the sine, 64 steps of 16 angle units, scaled to about 1024; the last entry
// repeats the first so that interpolation never reads past the end.
constexpr int kSineTable[65] = {
    3,    103,  202,  300,  394,  485,  571,  652,   726,   793,   853,   904,   947,
    980,  1004, 1019, 1023, 1018, 1003, 978,  944,   901,   849,   789,   721,   647,
    566,  479,  388,  294,  196,  97,   -4,   -104,  -203,  -301,  -395,  -486,  -572,
    -653, -727, -794, -854, -905, -948, -981, -1005, -1020, -1024, -1019, -1004, -979,
    -945, -902, -850, -790, -722, -648, -567, -480,  -389,  -295,  -197,  -98,   3,
};

constexpr int kSineStep = 16; // angle units between two table entries

// 1024 - fixedCos(199) and fixedSin(199): the side slides' turn, precomputed for the geometry.
constexpr int kSideCosComplement = 677;
constexpr int kSideSin = 961;

} // namespace

int fixedSin(int angle) {
    // The mask keeps the angle in one turn for negative angles as well (two's complement).
    const int a = angle & 1023;
    const int i = a / kSineStep;
    return kSineTable[i] + (kSineTable[i + 1] - kSineTable[i]) * (a - kSineStep * i) / kSineStep;
}

QPictureFlowState::QPictureFlowState() {
    computeGeometry();
    layoutSlides();
}

QPictureFlowState::~QPictureFlowState() {
    qDeleteAll(slideList);
}

void QPictureFlowState::computeGeometry() {
    const int w = slideWidth;
    sideAngle = 199; // about 70 degrees
    sideSpacing = 40;
    sideOffset = w * kFixedOne + (w / 2) * kSideCosComplement;
    sideDepth = w * 256 + (w / 2) * kSideSin;
}

void QPictureFlowState::layoutSlides() {
    middleSlide.slideIndex = centerIndex;
    middleSlide.angle = 0;
    middleSlide.cx = 0;
    middleSlide.cy = 0;
    middleSlide.blend = 256;

    leftRow.resize(kSideSlides);
    rightRow.resize(kSideSlides);
    for (int i = 0; i < kSideSlides; ++i) {
        // The outermost two fade out: half strength, then invisible.
        const int blend = i == kSideSlides - 1 ? 0 : i == kSideSlides - 2 ? 128 : 256;
        const int spread = sideOffset + sideSpacing * i * kFixedOne;

        SlidePlacement& left = leftRow[i];
        left.slideIndex = centerIndex - 1 - i;
        left.angle = sideAngle;
        left.cx = -spread;
        left.cy = sideDepth;
        left.blend = blend;

        SlidePlacement& right = rightRow[i];
        right.slideIndex = centerIndex + 1 + i;
        right.angle = -sideAngle;
        right.cx = spread;
        right.cy = sideDepth;
        right.blend = blend;
    }
}
