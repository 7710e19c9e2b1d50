#include "qpictureflow.h"

#include "qpictureflowanimator.h"
#include "qpictureflowsoftwarerenderer.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>

class QPictureFlowPrivate {
public:
    QPictureFlowState* state = nullptr;
    QPictureFlowAnimator* animator = nullptr;
    QPictureFlowAbstractRenderer* renderer = nullptr;
    QTimer renderTimer;
};

QPictureFlow::QPictureFlow(QWidget* parent) : QWidget(parent), d(new QPictureFlowPrivate) {
    d->state = new QPictureFlowState; // with its geometry and resting layout

    d->renderer = new QPictureFlowSoftwareRenderer;
    d->renderer->state = d->state;
    d->renderer->widget = this;
    d->renderer->init();

    d->animator = new QPictureFlowAnimator;
    d->animator->setState(d->state);

    connect(d->animator->tickTimer(), &QTimer::timeout, this, &QPictureFlow::updateAnimation);
    connect(&d->renderTimer, &QTimer::timeout, this, &QPictureFlow::render);

    setAttribute(Qt::WA_StaticContents, true);
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    setAttribute(Qt::WA_NoSystemBackground, true);
}

QPictureFlow::~QPictureFlow() {
    delete d->renderer;
    delete d->animator;
    delete d->state;
    delete d;
}

QColor QPictureFlow::backgroundColor() const {
    return QColor(d->state->backgroundColor); // always opaque
}

void QPictureFlow::setBackgroundColor(const QColor& c) {
    d->state->backgroundColor = c.rgb();
    triggerRender();
}

QSize QPictureFlow::slideSize() const {
    return QSize(d->state->slideWidth, d->state->slideHeight);
}

void QPictureFlow::setSlideSize(QSize size) {
    d->state->slideWidth = size.width();
    d->state->slideHeight = size.height();
    d->state->computeGeometry();
    triggerRender();
}

int QPictureFlow::slideCount() const {
    return d->state->slideList.size();
}

int QPictureFlow::centerIndex() const {
    return d->state->centerIndex;
}

QImage QPictureFlow::slide(int index) const {
    const QVector<QImage*>& slides = d->state->slideList;
    if (index < 0 || index >= slides.size() || !slides[index])
        return QImage();
    return *slides[index];
}

ReflectionKind QPictureFlow::reflection() const {
    return d->state->reflection;
}

void QPictureFlow::setReflection(ReflectionKind kind) {
    d->state->reflection = kind;
    triggerRender();
}

void QPictureFlow::addSlide(const QImage& image) {
    d->state->slideList.append(new QImage(image));
    triggerRender();
}

void QPictureFlow::addSlide(const QPixmap& pixmap) {
    addSlide(pixmap.toImage());
}

void QPictureFlow::setSlide(int index, const QImage& image) {
    QVector<QImage*>& slides = d->state->slideList;
    if (index < 0 || index >= slides.size())
        return;
    QImage* old = slides[index];
    slides[index] = image.isNull() ? nullptr : new QImage(image);
    delete old;
    // The surface made from the old image goes too: a later image could take its address.
    d->renderer->forgetSlide(index);
    triggerRender();
}

void QPictureFlow::setSlide(int index, const QPixmap& pixmap) {
    setSlide(index, pixmap.toImage());
}

void QPictureFlow::setCenterIndex(int index) {
    index = qMax(qMin(index, slideCount() - 1), 0);
    d->state->centerIndex = index;
    d->state->layoutSlides();
    d->animator->stop(index);
    triggerRender();
}

void QPictureFlow::clear() {
    qDeleteAll(d->state->slideList);
    d->state->slideList.clear();
    d->renderer->forgetAllSlides();
    d->state->layoutSlides();
    triggerRender();
}

void QPictureFlow::showPrevious() {
    const int step = d->animator->step();
    const int center = d->state->centerIndex;
    if (step > 0)
        d->animator->start(center); // turn back to the slide being left
    else if (step == 0) {
        if (center > 0)
            d->animator->start(center - 1);
    } else
        d->animator->setTarget(qMax(0, center - 2));
}

void QPictureFlow::showNext() {
    const int step = d->animator->step();
    const int center = d->state->centerIndex;
    if (step < 0)
        d->animator->start(center);
    else if (step == 0) {
        if (center < slideCount() - 1)
            d->animator->start(center + 1);
    } else
        d->animator->setTarget(qMin(center + 2, slideCount() - 1));
}

void QPictureFlow::showSlide(int index) {
    index = qMin(slideCount() - 1, qMax(index, 0));
    if (index != d->state->middleSlide.slideIndex)
        d->animator->start(index);
}

void QPictureFlow::render() {
    d->renderer->dirty = true;
    update();
}

void QPictureFlow::triggerRender() {
    d->renderTimer.setSingleShot(true);
    d->renderTimer.start(0);
}

void QPictureFlow::updateAnimation() {
    const int oldCenter = d->state->centerIndex;
    d->animator->advance();
    triggerRender();
    if (d->state->centerIndex != oldCenter)
        emit centerIndexChanged(d->state->centerIndex);
}

void QPictureFlow::mousePressEvent(QMouseEvent* event) {
    if (event->pos().x() > width() / 2)
        showNext();
    else
        showPrevious();
}

void QPictureFlow::keyPressEvent(QKeyEvent* event) {
    const bool ctrlOnly = event->modifiers() == Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Left:
        if (ctrlOnly)
            showSlide(centerIndex() - 10);
        else
            showPrevious();
        event->accept();
        return;
    case Qt::Key_Right:
        if (ctrlOnly)
            showSlide(centerIndex() + 10);
        else
            showNext();
        event->accept();
        return;
    default:
        event->ignore();
    }
}

void QPictureFlow::paintEvent(QPaintEvent* /*event*/) {
    d->renderer->paint();
}

void QPictureFlow::resizeEvent(QResizeEvent* event) {
    triggerRender();
    QWidget::resizeEvent(event);
}
