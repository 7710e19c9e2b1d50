#include "iqimagescene.h"

#include <QGraphicsSceneMouseEvent>
#include <QGraphicsView>
#include <QScrollBar>
#include <QtMath>

IQImageScene::IQImageScene(QObject* parent, QGraphicsView* view)
    : QGraphicsScene(parent), view(view) {
    view->setScene(this);
    connect(view->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &IQImageScene::onScrollBarValueChanged);
    connect(view->horizontalScrollBar(), &QScrollBar::valueChanged, this,
            &IQImageScene::onScrollBarValueChanged);
}

IQImageScene::~IQImageScene() {
    // Only views still alive are listed here.
    for (QGraphicsView* v : views()) {
        disconnect(v->horizontalScrollBar(), nullptr, this, nullptr);
        disconnect(v->verticalScrollBar(), nullptr, this, nullptr);
    }
}

void IQImageScene::onScrollBarValueChanged() {
    emit scrollValueChanged(this, view->horizontalScrollBar()->value(),
                            view->verticalScrollBar()->value());
}

void IQImageScene::mousePressEvent(QGraphicsSceneMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragging = true;
        const QPoint p = view->mapFromScene(event->scenePos());
        lastX = p.x();
        lastY = p.y();
    }
    QGraphicsScene::mousePressEvent(event);
}

void IQImageScene::mouseMoveEvent(QGraphicsSceneMouseEvent* event) {
    if (!dragging) {
        QGraphicsScene::mouseMoveEvent(event);
        return;
    }
    const QPoint p = view->mapFromScene(event->scenePos());
    QScrollBar* hbar = view->horizontalScrollBar();
    QScrollBar* vbar = view->verticalScrollBar();

    // Moving the cursor right or down scrolls towards the left or top edge: the picture follows.
    int h = hbar->value();
    const int lx = qRound(lastX);
    if (p.x() > lx)
        h -= DragStep;
    else if (p.x() < lx)
        h += DragStep;
    int v = vbar->value();
    const int ly = qRound(lastY);
    if (p.y() > ly)
        v -= DragStep;
    else if (p.y() < ly)
        v += DragStep;
    if (p.x() != lx)
        lastX = p.x();
    if (p.y() != ly)
        lastY = p.y();

    // The bars clamp to their ranges.
    vbar->setValue(v);
    hbar->setValue(h);
    QGraphicsScene::mouseMoveEvent(event);
}

void IQImageScene::mouseReleaseEvent(QGraphicsSceneMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        dragging = false;
    QGraphicsScene::mouseReleaseEvent(event);
}

void IQImageScene::wheelEvent(QGraphicsSceneWheelEvent* event) {
    QGraphicsScene::wheelEvent(event);
}
