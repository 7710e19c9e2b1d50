// Fixed-point helpers, resting layout and the travel of the cover-flow view's animator, stepped
// directly (its timer never fires: these tests run no event loop).
#include "qpictureflowanimator.h"
#include "qpictureflowstate.h"

#include <array>
#include <cmath>
#include <gtest/gtest.h>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Runs the animator until it stops; returns the number of ticks (bounded, so a travel that
// never arrives fails instead of hanging).
int runToEnd(QPictureFlowAnimator& animator, int maxTicks = 1000) {
    int ticks = 0;
    while (animator.isRunning() && ticks < maxTicks) {
        animator.advance();
        ++ticks;
    }
    return ticks;
}

void expectPlacement(const SlidePlacement& p, int index, int angle, int cx, int cy, int blend) {
    EXPECT_EQ(p.slideIndex, index);
    EXPECT_EQ(p.angle, angle);
    EXPECT_EQ(p.cx, cx);
    EXPECT_EQ(p.cy, cy);
    EXPECT_EQ(p.blend, blend);
}

void expectRestingLayout(const QPictureFlowState& s, int center) {
    expectPlacement(s.middleSlide, center, 0, 0, 0, 256);
    ASSERT_EQ(s.leftRow.size(), 6);
    ASSERT_EQ(s.rightRow.size(), 6);
    const int blends[6] = {256, 256, 256, 256, 128, 0};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        const int spread = s.sideOffset + s.sideSpacing * i * 1024;
        expectPlacement(s.leftRow[i], center - 1 - i, s.sideAngle, -spread, s.sideDepth, blends[i]);
        expectPlacement(s.rightRow[i], center + 1 + i, -s.sideAngle, spread, s.sideDepth,
                        blends[i]);
    }
}

// The blend of each of the six slides of the left and of the right row.
void expectBlends(const QPictureFlowState& s, const std::array<int, 6>& left,
                  const std::array<int, 6>& right) {
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(s.leftRow[i].blend, left[i]) << i;
        EXPECT_EQ(s.rightRow[i].blend, right[i]) << i;
    }
}

} // namespace

TEST(PictureFlowFixed, SineAndCosineAtTheWorkedAngles) {
    struct Case {
        int angle, sine, cosine;
    };
    const Case cases[] = {
        {0, 3, 1023},           {199, 961, 347},          {-199, -960, 352},
        {1024 + 199, 961, 347}, {-2048 - 199, -960, 352}, {256, 1023, -4},
        {768, -1024, 3},        {512, -4, -1024},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.angle);
        EXPECT_EQ(fixedSin(c.angle), c.sine);
        EXPECT_EQ(fixedCos(c.angle), c.cosine);
    }
}

TEST(PictureFlowFixed, SineHitsEveryTableEntryAndTruncatesBetweenThem) {
    // The table as published, entry i at angle 16 * i; not a rounded sine (off by up to 4).
    const int table[65] = {
        3,    103,  202,  300,  394,  485,  571,  652,   726,   793,   853,   904,   947,
        980,  1004, 1019, 1023, 1018, 1003, 978,  944,   901,   849,   789,   721,   647,
        566,  479,  388,  294,  196,  97,   -4,   -104,  -203,  -301,  -395,  -486,  -572,
        -653, -727, -794, -854, -905, -948, -981, -1005, -1020, -1024, -1019, -1004, -979,
        -945, -902, -850, -790, -722, -648, -567, -480,  -389,  -295,  -197,  -98,   3,
    };
    for (int i = 0; i <= 64; ++i)
        EXPECT_EQ(fixedSin(16 * i), table[i]) << i;
    struct Case {
        int angle, sine;
    };
    const Case between[] = {
        {8, 53},      // 3 + 100 * 8 / 16
        {276, 1015},  // 1018 + (-15 * 4) / 16: -3.75 truncates to -3, not -4
        {520, -54},   // -4 + (-100 * 8) / 16
        {1000, -148}, // -197 + 99 * 8 / 16: 49.5 truncates to 49
        {-24, -148},  // the same angle a turn earlier
    };
    for (const Case& c : between)
        EXPECT_EQ(fixedSin(c.angle), c.sine) << c.angle;
}

TEST(PictureFlowFixed, SineTableStaysWithinFourOfARoundedSineAndIsNeverZero) {
    for (int i = 0; i <= 64; ++i) {
        SCOPED_TRACE(i);
        const long rounded = std::lround(1024 * std::sin(2 * kPi * i / 64));
        EXPECT_LE(std::abs(fixedSin(16 * i) - rounded), 4);
    }
    for (int angle = -1024; angle < 1024; ++angle) {
        ASSERT_NE(fixedSin(angle), 0) << angle;
        // Between two table entries the value moves monotonically from one to the other.
        const int a = angle & 1023, lo = fixedSin(a & ~15), hi = fixedSin((a & ~15) + 16);
        EXPECT_GE(fixedSin(angle), std::min(lo, hi)) << angle;
        EXPECT_LE(fixedSin(angle), std::max(lo, hi)) << angle;
    }
}

TEST(PictureFlowFixed, MultiplyAndDivideInSixtyFourBitsWithTheirRounding) {
    EXPECT_EQ(fixedMul(3 * 1024, 2 * 1024), 6 * 1024);
    EXPECT_EQ(fixedMul(-1, 1), -1);                // arithmetic shift: rounds toward minus infinity
    EXPECT_EQ(fixedMul(1 << 30, 1 << 8), 1 << 28); // the product needs 38 bits
    EXPECT_EQ(fixedMul(204375, 264), 52690);

    EXPECT_EQ(fixedDiv(1024, 2048), 512);
    EXPECT_EQ(fixedDiv(3 * 1024, 1024), 3 * 1024);
    EXPECT_EQ(fixedDiv(-1, 3), -342); // truncated quotient, then an arithmetic shift
    EXPECT_EQ(fixedDiv(7, -2), -3584);
    EXPECT_EQ(fixedDiv(1 << 30, 1 << 20), 1 << 20);
    EXPECT_EQ(fixedDiv(qint64(3000000) * 1100, 1024 * 1100), 3000000);
}

TEST(PictureFlowGeometry, SideOffsetAndDepthFollowTheSlideWidth) {
    struct Case {
        int width, offset, depth;
    };
    const Case cases[] = {{150, 204375, 110475}, {151, 205399, 110731}, {1, 1024, 256}, {0, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        QPictureFlowState s;
        s.slideWidth = c.width;
        s.sideAngle = 0;
        s.sideSpacing = 0;
        s.computeGeometry();
        EXPECT_EQ(s.sideAngle, 199);
        EXPECT_EQ(s.sideSpacing, 40);
        EXPECT_EQ(s.sideOffset, c.offset);
        EXPECT_EQ(s.sideDepth, c.depth);
    }
}

TEST(PictureFlowGeometry, NewStateHasItsInitialValuesAndTheRestingLayoutAroundZero) {
    QPictureFlowState s;
    EXPECT_EQ(s.backgroundColor, 0u);
    EXPECT_EQ(s.slideWidth, 150);
    EXPECT_EQ(s.slideHeight, 200);
    EXPECT_EQ(s.reflection, ReflectionBlurred);
    EXPECT_TRUE(s.slideList.isEmpty());
    EXPECT_EQ(s.centerIndex, 0);
    EXPECT_EQ(s.sideOffset, 204375);
    EXPECT_EQ(s.sideDepth, 110475);
    expectRestingLayout(s, 0);
}

TEST(PictureFlowGeometry, RestingLayoutAroundTheCentre) {
    QPictureFlowState s;
    s.centerIndex = 3;
    s.layoutSlides();
    expectRestingLayout(s, 3);
    EXPECT_EQ(s.rightRow[2].cx, 204375 + 2 * 40 * 1024);
    EXPECT_EQ(s.leftRow[5].slideIndex, -3);
}

TEST(PictureFlowAnimator, FirstTickTowardTheNextSlide) {
    QPictureFlowState s;
    QPictureFlowAnimator a;
    a.setState(&s);
    a.start(1);
    EXPECT_TRUE(a.isRunning());
    EXPECT_EQ(a.step(), 1);
    a.advance();

    // One slide away: speed 16896 + 16 * sin(0) = 16944.
    EXPECT_EQ(a.frame(), 16944);
    EXPECT_EQ(s.centerIndex, 0);
    expectPlacement(s.middleSlide, 0, 51, -52690, 28481, 256);
    expectPlacement(s.rightRow[0], 1, -148, 151484, 81885, 256);
    const int shift = 40 * 264; // side spacing times the fraction travelled
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(s.leftRow[i].cx, -(204375 + 40960 * i + shift));
        EXPECT_EQ(s.leftRow[i].angle, 199);
        if (i > 0) {
            EXPECT_EQ(s.rightRow[i].cx, 204375 + 40960 * i - shift);
            EXPECT_EQ(s.rightRow[i].angle, -199);
        }
    }
    // f = 16944 >> 9 = 33 fades the outer entries.
    expectBlends(s, {256, 256, 256, 223, 95, 0}, {256, 256, 256, 256, 161, 33});
}

TEST(PictureFlowAnimator, FirstTickTowardAFarSlideOnTheLeft) {
    QPictureFlowState s;
    s.centerIndex = 3;
    s.layoutSlides();
    QPictureFlowAnimator a;
    a.setState(&s);
    a.stop(3);
    a.start(0);
    EXPECT_EQ(a.step(), -1);
    a.advance();

    EXPECT_EQ(a.frame(), 3 * 65536 - 33264); // full speed beyond two slides
    EXPECT_EQ(s.centerIndex, 3);
    expectPlacement(s.middleSlide, 3, -102, 103584, 55992, 256);
    expectPlacement(s.leftRow[0], 2, 97, -100590, 54374, 256);
    const int shift = 40 * 519;
    for (int i = 1; i < 6; ++i)
        EXPECT_EQ(s.leftRow[i].cx, -(204375 + 40960 * i - shift)) << i;
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(s.rightRow[i].cx, 204375 + 40960 * i + shift) << i;
    expectBlends(s, {256, 256, 256, 256, 193, 65}, {256, 256, 256, 191, 63, 0});
}

TEST(PictureFlowAnimator, ReachesItsTargetAndRestsThere) {
    struct Case {
        int from, to;
    };
    const Case cases[] = {{0, 1}, {0, 7}, {7, 0}, {4, 3}, {0, -1}, {2, 40}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << " -> " << c.to);
        QPictureFlowState s;
        s.centerIndex = c.from;
        s.layoutSlides();
        QPictureFlowAnimator a;
        a.setState(&s);
        a.stop(c.from);
        a.start(c.to);

        int crossings = 0, last = c.from;
        int ticks = 0;
        while (a.isRunning() && ticks < 1000) {
            a.advance();
            ++ticks;
            if (s.centerIndex != last) {
                EXPECT_EQ(std::abs(s.centerIndex - last), 1); // one slide at a time
                last = s.centerIndex;
                ++crossings;
            }
        }
        EXPECT_FALSE(a.isRunning());
        EXPECT_EQ(a.step(), 0);
        EXPECT_EQ(s.centerIndex, c.to);
        EXPECT_EQ(a.frame(), c.to * 65536);
        EXPECT_EQ(crossings, std::abs(c.to - c.from));
        // At least half a slide per tick far away, never more than one slide per tick.
        EXPECT_GE(ticks, std::abs(c.to - c.from));
        EXPECT_LE(ticks, 3 * std::abs(c.to - c.from) + 140);
        expectRestingLayout(s, c.to);
    }
}

TEST(PictureFlowAnimator, SlowsDownNearTheTarget) {
    QPictureFlowState s;
    QPictureFlowAnimator a;
    a.setState(&s);
    a.start(10);
    int previous = a.frame();
    QVector<int> speeds;
    while (a.isRunning()) {
        a.advance();
        // The frame snaps back to the slide boundary on each crossing: measure within a slide.
        if (a.isRunning() && (a.frame() >> 16) == (previous >> 16))
            speeds.append(a.frame() - previous);
        previous = a.frame();
    }
    ASSERT_GE(speeds.size(), 3);
    EXPECT_EQ(speeds.first(), 33264);
    EXPECT_LT(speeds.last(), speeds.first());
    EXPECT_GE(speeds.last(), 512);
}

TEST(PictureFlowAnimator, StepIsIdleAndStopJumpsToTheSlide) {
    QPictureFlowState s;
    QPictureFlowAnimator a;
    a.advance(); // no state, not running: nothing
    a.setState(&s);
    a.advance();
    EXPECT_EQ(a.frame(), 0);
    a.start(5);
    a.advance();
    a.stop(2);
    EXPECT_FALSE(a.isRunning());
    EXPECT_EQ(a.target(), 2);
    EXPECT_EQ(a.step(), 0);
    EXPECT_EQ(a.frame(), 2 * 65536);
    const int before = s.middleSlide.angle;
    a.advance();
    EXPECT_EQ(s.middleSlide.angle, before);
}

TEST(PictureFlowAnimator, RetargetingBehindTheTravelTurnsItAround) {
    QPictureFlowState s;
    s.centerIndex = 2;
    s.layoutSlides();
    QPictureFlowAnimator a;
    a.setState(&s);
    a.stop(2);
    a.start(6);
    while (s.centerIndex < 4)
        a.advance();
    a.start(1); // running: only the target moves
    EXPECT_EQ(a.step(), 1);
    EXPECT_EQ(a.target(), 1);
    a.advance();
    EXPECT_EQ(a.step(), -1);
    EXPECT_GT(runToEnd(a), 0);
    EXPECT_EQ(s.centerIndex, 1);
    expectRestingLayout(s, 1);
}
