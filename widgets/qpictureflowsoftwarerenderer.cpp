#include "qpictureflowsoftwarerenderer.h"

#include "qpictureflow.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPen>

#include <climits>
#include <utility>

namespace {

// fixedDiv without the final narrowing to int, for the per-column perspective arithmetic whose
// intermediate values may leave the int range on views and slides of unusual sizes.
qint64 fixedDivWide(qint64 num, qint64 den) {
    return (num * (qint64(1) << (2 * kFixedShift))) / den >> kFixedShift;
}

// One pass of exponential smoothing along `count` pixels `stride` pixels apart: each colour
// channel moves halfway from its running value toward the pixel's own, in 4 extra bits.
void smoothLine(QRgb* p, qptrdiff stride, int count) {
    if (count <= 0)
        return;
    int accR = qRed(*p) << 4;
    int accG = qGreen(*p) << 4;
    int accB = qBlue(*p) << 4;
    for (int i = 1; i < count; ++i) {
        p += stride;
        accR += ((qRed(*p) << 4) - accR) >> 1;
        accG += ((qGreen(*p) << 4) - accG) >> 1;
        accB += ((qBlue(*p) << 4) - accB) >> 1;
        *p =
            (*p & 0xff000000u) | (QRgb(accR >> 4) << 16) | (QRgb(accG >> 4) << 8) | QRgb(accB >> 4);
    }
}

// Copies the slide (w x h, 32-bit) transposed into the surface: slide pixel (x, y) to surface
// pixel (hofs + y, x).
void copyTransposed(const QImage& slide, QImage& surface, int hofs) {
    QRgb* column = reinterpret_cast<QRgb*>(surface.bits()) + hofs;
    const qptrdiff stride = surface.bytesPerLine() / qptrdiff(sizeof(QRgb));
    for (int y = 0; y < slide.height(); ++y, ++column) {
        const QRgb* src = reinterpret_cast<const QRgb*>(slide.constScanLine(y));
        for (int x = 0; x < slide.width(); ++x)
            column[x * stride] = src[x] | 0xff000000u;
    }
}

} // namespace

QPictureFlowSoftwareRenderer::QPictureFlowSoftwareRenderer() {
    m_preparedSurfaces.setMaxCost(kMaxPreparedSurfaces);
}

QPictureFlowSoftwareRenderer::~QPictureFlowSoftwareRenderer() = default;

QRgb QPictureFlowSoftwareRenderer::blendRgb(QRgb c1, QRgb c2, int blend) {
    const int rest = 256 - blend;
    const int r = qRed(c1) * blend / 256 + qRed(c2) * rest / 256;
    const int g = qGreen(c1) * blend / 256 + qGreen(c2) * rest / 256;
    const int b = qBlue(c1) * blend / 256 + qBlue(c2) * rest / 256;
    return qRgb(r, g, b);
}

QImage QPictureFlowSoftwareRenderer::prepareSlideSurface(const QImage& image, int w, int h,
                                                         QRgb background, int effect) {
    if (w <= 0 || h <= 0 || image.isNull())
        return QImage();
    // Unpremultiplied 32-bit pixels: the colour channels as QImage::pixel() would give them.
    const QImage img = image.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                           .convertToFormat(QImage::Format_ARGB32);
    const int hofs = h / 3;
    QImage result(2 * h, w, QImage::Format_RGB32);
    if (result.isNull() || img.size() != QSize(w, h))
        return result;
    result.fill(background);
    copyTransposed(img, result, hofs);

    if (effect == ReflectionNone)
        return result;

    // The reflection: the slide upside down below it, from half strength to nothing.
    const int ht = h - hofs;
    QRgb* column = reinterpret_cast<QRgb*>(result.bits()) + h + hofs;
    const qptrdiff stride = result.bytesPerLine() / qptrdiff(sizeof(QRgb));
    for (int y = 0; y < ht; ++y, ++column) {
        const QRgb* src = reinterpret_cast<const QRgb*>(img.constScanLine(h - y - 1));
        const int blend = 128 * (ht - y) / ht;
        for (int x = 0; x < w; ++x)
            column[x * stride] = blendRgb(src[x], background, blend);
    }

    if (effect == ReflectionBlurred) {
        // Smooth the lower part of the surface back and forth along both axes, twice; the
        // slide is copied over again afterwards so that only its reflection stays blurred.
        const QRect area = QRect(h, 0, h, w).intersected(result.rect());
        if (!area.isEmpty()) {
            QRgb* bits = reinterpret_cast<QRgb*>(result.bits());
            const int r1 = area.top(), r2 = area.bottom();
            const int c1 = area.left(), c2 = area.right();
            const int rows = area.height(), columns = area.width();
            for (int round = 0; round < 2; ++round) {
                for (int c = c1; c <= c2; ++c)
                    smoothLine(bits + r1 * stride + c, stride, rows);
                for (int r = r1; r <= r2; ++r)
                    smoothLine(bits + r * stride + c1, 1, columns);
                for (int c = c1; c <= c2; ++c)
                    smoothLine(bits + r2 * stride + c, -stride, rows);
                for (int r = r1; r <= r2; ++r)
                    smoothLine(bits + r * stride + c2, -1, columns);
            }
            copyTransposed(img, result, hofs);
        }
    }
    return result;
}

void QPictureFlowSoftwareRenderer::init() {
    if (!widget)
        return;
    m_preparedSurfaces.clear();
    m_placeholderSurface.reset();

    m_bufferSize = widget->size();
    const int ww = m_bufferSize.width();
    const int wh = m_bufferSize.height();
    m_frameBuffer = QImage(ww, wh, QImage::Format_RGB32);
    m_frameBuffer.fill(m_cachedBackground);

    // Slopes measured from the middle between the two centre columns; a view without rows
    // draws nothing, the divisor only keeps the rays defined.
    const int hw = (ww + 1) / 2;
    const int hh = (wh + 1) / 2;
    const int divisor = 2 * qMax(hh, 1);
    m_columnRays.resize(2 * hw);
    for (int i = 0; i < hw; ++i) {
        const int g = (512 + kFixedOne * i) / divisor;
        m_columnRays[hw - 1 - i] = -g;
        m_columnRays[hw + i] = g;
    }
    dirty = true;
}

void QPictureFlowSoftwareRenderer::updateFrame() {
    if (!widget)
        return;
    if (widget->size() != m_bufferSize)
        init();
    if (!state)
        return;
    if (state->backgroundColor != m_cachedBackground) {
        m_cachedBackground = state->backgroundColor;
        m_preparedSurfaces.clear();
    }
    if (state->reflection != m_cachedEffect) {
        m_cachedEffect = state->reflection;
        m_preparedSurfaces.clear();
    }
    if (dirty) {
        m_frameBuffer.fill(state->backgroundColor);
        renderAllSlides();
        dirty = false;
    }
}

void QPictureFlowSoftwareRenderer::paint() {
    if (!widget)
        return;
    updateFrame();
    QPainter painter(widget);
    painter.drawImage(QPoint(0, 0), m_frameBuffer);
}

void QPictureFlowSoftwareRenderer::forgetSlide(int index) {
    m_preparedSurfaces.remove(index);
    m_sourceImages.remove(index);
}

void QPictureFlowSoftwareRenderer::forgetAllSlides() {
    m_preparedSurfaces.clear();
    m_sourceImages.clear();
}

void QPictureFlowSoftwareRenderer::renderAllSlides() {
    // The middle slide first; then each side outward, every slide limited to the columns the
    // nearer ones left free: left of c1 and right of c2. With nothing in the middle, every
    // column is free to both sides; once a side reaches the edge of the frame, none is left.
    const int w = m_frameBuffer.width();
    const QRect r = renderSlideColumns(state->middleSlide, -1, -1);
    int c1 = r.isEmpty() ? w : r.left();
    int c2 = r.isEmpty() ? -1 : r.right();

    for (const SlidePlacement& slide : qAsConst(state->leftRow)) {
        if (c1 <= 0)
            break;
        const QRect rs = renderSlideColumns(slide, 0, c1 - 1);
        if (!rs.isEmpty())
            c1 = rs.left();
    }
    for (const SlidePlacement& slide : qAsConst(state->rightRow)) {
        if (c2 >= w - 1)
            break;
        const QRect rs = renderSlideColumns(slide, c2 + 1, w);
        if (!rs.isEmpty())
            c2 = rs.right();
    }
}

QRect QPictureFlowSoftwareRenderer::renderSlideColumns(const SlidePlacement& slide, int col1,
                                                       int col2) {
    if (slide.blend == 0)
        return QRect();
    const QImage* src = slideSurface(slide.slideIndex);
    if (!src)
        return QRect();

    const int sw = src->height(); // the slide width the surface was made for
    const int sh = src->width();
    const int h = m_frameBuffer.height();
    const int w = m_frameBuffer.width();
    if (h <= 0 || w <= 0)
        return QRect();

    if (col1 > col2)
        std::swap(col1, col2);
    col1 = qMin(col1 >= 0 ? col1 : 0, w - 1);
    col2 = qMin(col2 >= 0 ? col2 : w - 1, w - 1);

    // The slide's left edge, and the first screen column it can reach.
    const int sdx = fixedCos(slide.angle);
    const int sdy = fixedSin(slide.angle); // never 0
    const qint64 xs = slide.cx - qint64(state->slideWidth) * sdx / 2;
    const qint64 ys = slide.cy - qint64(state->slideWidth) * sdy / 2;
    int xi = 0;
    const qint64 edgeDistance = qint64(h) * kFixedOne + ys;
    if (edgeDistance > 0) {
        const qint64 first = (qint64(w) * 512 + fixedDivWide(xs * h, edgeDistance)) >> kFixedShift;
        xi = int(qBound<qint64>(0, first, w));
    }
    // Otherwise the edge lies at or behind the eye: each column finds out for itself below.
    if (xi >= w)
        return QRect();

    int left = xi;
    int right = -1;
    const qint64 slope = fixedDivWide(sdx, sdy);
    const qint64 offset = -qint64(slide.cx) + qint64(sdx) * slide.cy / sdy;
    const int centre = (sh / 2) * kFixedOne;
    const QRgb background = m_cachedBackground;
    const bool opaque = slide.blend == 256;
    QRgb* frame = reinterpret_cast<QRgb*>(m_frameBuffer.bits());
    const qptrdiff stride = m_frameBuffer.bytesPerLine() / qptrdiff(sizeof(QRgb));

    for (int x = qMax(col1, xi); x <= col2; ++x) {
        // Where this column's line of sight meets the slide's plane.
        const qint64 ray = m_columnRays[x];
        const qint64 fk = ray - slope;
        if (fk == 0)
            continue;
        const qint64 hity = -fixedDivWide(ray * h + offset, fk);
        const qint64 dist = qint64(h) * kFixedOne + hity;
        if (dist < 0 || dist > INT_MAX) // behind the eye, or too far to show a pixel
            continue;
        const qint64 hitx = (dist * ray) >> kFixedShift;
        const qint64 column = sw / 2 + (fixedDivWide(hitx - slide.cx, sdx) >> kFixedShift);
        if (column >= sw)
            break;
        if (column < 0)
            continue;
        if (right < left)
            left = x;
        right = x;

        // From the horizon outward: upward through the slide, downward through its reflection.
        const QRgb* row = reinterpret_cast<const QRgb*>(src->constScanLine(int(column)));
        const qint64 dy = dist / h;
        qint64 p1 = centre - dy / 2;
        qint64 p2 = centre + dy / 2;
        int y1 = h / 2;
        int y2 = y1 + 1;
        while (y1 >= 0 && y2 < h && p1 >= 0 && (p2 >> kFixedShift) < sh) {
            QRgb upper = row[p1 >> kFixedShift];
            QRgb lower = row[p2 >> kFixedShift];
            if (!opaque) {
                upper = blendRgb(upper, background, slide.blend);
                lower = blendRgb(lower, background, slide.blend);
            }
            frame[y1 * stride + x] = upper;
            frame[y2 * stride + x] = lower;
            p1 -= dy;
            p2 += dy;
            --y1;
            ++y2;
        }
    }
    return QRect(QPoint(left, 0), QPoint(right, h - 1));
}

const QImage* QPictureFlowSoftwareRenderer::slideSurface(int index) {
    if (!state || index < 0 || index >= state->slideList.size())
        return nullptr;
    const QImage* img = state->slideList[index];
    if (!img || img->isNull()) {
        forgetSlide(index);
        if (!m_placeholderSurface)
            buildPlaceholderSurface();
        return m_placeholderSurface.get();
    }
    if (m_sourceImages.value(index) == img) {
        if (QImage* surface = m_preparedSurfaces.object(index))
            return surface;
    }
    QImage* surface = new QImage(prepareSlideSurface(*img, state->slideWidth, state->slideHeight,
                                                     m_cachedBackground, state->reflection));
    m_preparedSurfaces.insert(index, surface, 1);
    m_sourceImages.insert(index, img);
    return surface;
}

void QPictureFlowSoftwareRenderer::buildPlaceholderSurface() {
    // A black-to-white diagonal gradient in a grey frame.
    const int sw = state->slideWidth;
    const int sh = state->slideHeight;
    QImage blank(sw, sh, QImage::Format_RGB32);
    if (!blank.isNull()) {
        QPainter painter(&blank);
        QLinearGradient gradient(sw * 4 / 10, 0, sw * 6 / 10, sh);
        gradient.setColorAt(0, Qt::black);
        gradient.setColorAt(1, Qt::white);
        painter.fillRect(0, 0, sw, sh, gradient);
        painter.setPen(QPen(QColor(64, 64, 64), 4, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(2, 2, sw - 3, sh - 3);
        painter.end();
    }
    m_placeholderSurface = std::make_unique<QImage>(
        prepareSlideSurface(blank, sw, sh, m_cachedBackground, state->reflection));
}
