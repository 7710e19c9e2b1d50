#include "iqprocessingframe.h"

IQProcessingFrame::IQProcessingFrame(QWidget* parent) : QFrame(parent) {}

void IQProcessingFrame::setAdjustingFrame(IQAdjustingFrame* frame) {
    adjustingFrame = frame;
}

void IQProcessingFrame::setImage(const QImage* image, IQEngineController* controller) {
    // A QImage copy shares the pixels; it stays valid after the caller's image is gone.
    this->image = image ? *image : QImage();
    this->controller = controller;
}

void IQProcessingFrame::fitHeight(int, int, int) {}

void IQProcessingFrame::reset() {}

void IQProcessingFrame::activate() {}

void IQProcessingFrame::deactivate() {}
