#include "qprogressindicator.h"

#include <QPainter>

namespace {
constexpr int kCapsuleCount = 12;
constexpr int kAngleStep = 360 / kCapsuleCount; // degrees between two capsules, and per tick
} // namespace

QProgressIndicator::Geometry QProgressIndicator::geometryForSide(int side) {
    // The inner radius comes from the untruncated half side (side 28: 5, not int(13 * 0.38) = 4).
    const double half = (side - 1) * 0.5;
    Geometry g;
    g.outerRadius = int(half);
    g.innerRadius = int(half * 0.38);
    g.capsuleHeight = g.outerRadius - g.innerRadius;
    g.capsuleWidth = side > 32 ? int(g.capsuleHeight * 0.23) : int(g.capsuleHeight * 0.35);
    g.cornerRadius = g.capsuleWidth / 2;
    return g;
}

QProgressIndicator::QProgressIndicator(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus);
}

bool QProgressIndicator::isAnimated() const {
    return m_timerId != -1;
}

bool QProgressIndicator::isDisplayedWhenStopped() const {
    return m_displayedWhenStopped;
}

QSize QProgressIndicator::sizeHint() const {
    return QSize(20, 20);
}

int QProgressIndicator::heightForWidth(int w) const {
    return w;
}

void QProgressIndicator::startAnimation() {
    m_angle = 0;
    if (m_timerId == -1)
        m_timerId = startTimer(m_delay);
}

void QProgressIndicator::stopAnimation() {
    if (m_timerId != -1)
        killTimer(m_timerId);
    m_timerId = -1;
    update();
}

void QProgressIndicator::setAnimationDelay(int delay) {
    const bool running = m_timerId != -1;
    if (running)
        killTimer(m_timerId);
    m_delay = delay;
    if (running)
        m_timerId = startTimer(m_delay);
}

void QProgressIndicator::setDisplayedWhenStopped(bool state) {
    m_displayedWhenStopped = state;
    update();
}

void QProgressIndicator::setColor(const QColor& color) {
    m_color = color;
    update();
}

void QProgressIndicator::timerEvent(QTimerEvent* /*event*/) {
    m_angle = (m_angle + kAngleStep) % 360;
    update();
}

void QProgressIndicator::paintEvent(QPaintEvent* /*event*/) {
    if (!m_displayedWhenStopped && !isAnimated())
        return;

    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);

    const Geometry g = geometryForSide(qMin(width(), height()));
    const QPointF centre((width() - 1) / 2, (height() - 1) / 2);
    const QRectF capsule(-(g.capsuleWidth / 2), -g.outerRadius, g.capsuleWidth, g.capsuleHeight);

    for (int i = 0; i < kCapsuleCount; ++i) {
        QColor c = m_color;
        c.setAlphaF(1.0f - float(i) / float(kCapsuleCount));
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.save();
        p.translate(centre);
        p.rotate(float(m_angle) - float(kAngleStep * i));
        p.drawRoundedRect(capsule, g.cornerRadius, g.cornerRadius, Qt::AbsoluteSize);
        p.restore();
    }
}
