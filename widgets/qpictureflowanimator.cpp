#include "qpictureflowanimator.h"

#include "qpictureflowstate.h"

#include <QtGlobal>

namespace {

constexpr int kFrameShift = 16; // the frame is a slide index in 16.16 fixed point
constexpr int kFrameOne = 1 << kFrameShift;
constexpr int kFrameMask = kFrameOne - 1;

// Speed far from the target, and the middle of the slowing curve: 16896 - 16 * 1024 = 512 is the
// speed on the target itself.
constexpr int kTopSpeed = 33264;
constexpr int kMidSpeed = 16896;
constexpr int kSlowingDistance = 2 * kFrameOne - 1; // beyond this, full speed

int frameOf(int slide) {
    return slide * kFrameOne; // a multiplication: the slide may be -1
}

} // namespace

QPictureFlowAnimator::QPictureFlowAnimator() {
    m_tickTimer.setSingleShot(false);
    m_tickTimer.setInterval(kTickInterval);
}

void QPictureFlowAnimator::start(int slide) {
    m_target = slide;
    if (!m_tickTimer.isActive() && m_state) {
        m_step = m_target < m_state->middleSlide.slideIndex ? -1 : 1;
        m_tickTimer.start(kTickInterval);
    }
}

void QPictureFlowAnimator::stop(int slide) {
    m_target = slide;
    m_step = 0;
    m_frame = frameOf(slide);
    m_tickTimer.stop();
}

void QPictureFlowAnimator::advance() {
    if (!m_tickTimer.isActive() || m_step == 0 || !m_state)
        return;
    QPictureFlowState& s = *m_state;

    const qint64 distance = qAbs(qint64(m_frame) - qint64(m_target) * kFrameOne);
    int speed = kTopSpeed;
    if (distance <= kSlowingDistance) {
        const int ia = int(distance - kFrameOne) / 256; // -256 .. 255: a quarter turn each way
        speed = kMidSpeed + 16 * fixedSin(ia);
    }
    m_frame += speed * m_step;

    int index = m_frame >> kFrameShift;
    const int pos = m_frame & kFrameMask;
    const int neg = kFrameOne - pos;
    const int tick = m_step < 0 ? neg : pos;
    const int ftick = tick >> (kFrameShift - kFixedShift);
    if (m_step < 0)
        index += 1;

    if (index != s.centerIndex) {
        s.centerIndex = index;
        m_frame = frameOf(index);
        s.middleSlide.slideIndex = index;
        for (int i = 0; i < s.leftRow.size(); ++i)
            s.leftRow[i].slideIndex = index - 1 - i;
        for (int i = 0; i < s.rightRow.size(); ++i)
            s.rightRow[i].slideIndex = index + 1 + i;
    }

    s.middleSlide.angle = (m_step * tick * s.sideAngle) >> kFrameShift;
    s.middleSlide.cx = -m_step * fixedMul(s.sideOffset, ftick);
    s.middleSlide.cy = fixedMul(s.sideDepth, ftick);

    if (s.centerIndex == m_target) {
        stop(m_target);
        s.layoutSlides();
        return;
    }

    for (int i = 0; i < s.leftRow.size(); ++i) {
        SlidePlacement& slide = s.leftRow[i];
        slide.angle = s.sideAngle;
        slide.cx = -(s.sideOffset + s.sideSpacing * i * kFixedOne + s.sideSpacing * m_step * ftick);
        slide.cy = s.sideDepth;
    }
    for (int i = 0; i < s.rightRow.size(); ++i) {
        SlidePlacement& slide = s.rightRow[i];
        slide.angle = -s.sideAngle;
        slide.cx = s.sideOffset + s.sideSpacing * i * kFixedOne - s.sideSpacing * m_step * ftick;
        slide.cy = s.sideDepth;
    }

    // The neighbour turning in toward the middle.
    if (m_step > 0) {
        const int ftick2 = neg >> (kFrameShift - kFixedShift);
        SlidePlacement& slide = s.rightRow[0];
        slide.angle = (-(neg * s.sideAngle)) >> kFrameShift;
        slide.cx = fixedMul(s.sideOffset, ftick2);
        slide.cy = fixedMul(s.sideDepth, ftick2);
    } else {
        const int ftick2 = pos >> (kFrameShift - kFixedShift);
        SlidePlacement& slide = s.leftRow[0];
        slide.angle = (pos * s.sideAngle) >> kFrameShift;
        slide.cx = -fixedMul(s.sideOffset, ftick2);
        slide.cy = fixedMul(s.sideDepth, ftick2);
    }

    // A target behind the current position reverses the travel.
    if (m_target < index && m_step > 0)
        m_step = -1;
    else if (m_target > index && m_step < 0)
        m_step = 1;

    // Fade the outermost entries in and out as the row slides by.
    const int f = pos >> 9; // 0 .. 127
    const int nl = s.leftRow.size();
    const int nr = s.rightRow.size();
    for (int i = 0; i < nl; ++i) {
        int blend = 256;
        if (i == nl - 1)
            blend = m_step > 0 ? 0 : 128 - f;
        else if (i == nl - 2)
            blend = m_step > 0 ? 128 - f : 256 - f;
        else if (i == nl - 3)
            blend = m_step > 0 ? 256 - f : 256;
        s.leftRow[i].blend = blend;
    }
    for (int i = 0; i < nr; ++i) {
        int blend = 256;
        if (i == nr - 1)
            blend = m_step > 0 ? f : 0;
        else if (i == nr - 2)
            blend = m_step > 0 ? 128 + f : f;
        else if (i == nr - 3)
            blend = m_step > 0 ? 256 : 128 + f;
        s.rightRow[i].blend = blend;
    }
}
