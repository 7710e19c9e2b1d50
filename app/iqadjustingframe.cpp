#include "iqadjustingframe.h"

#include "iqdenoiseprocessframe.h"
#include "iqeditingframe.h"
#include "iqenginecontroller.h"
#include "ui_iqadjustingframe.h"

#include <QPixmap>

IQAdjustingFrame::IQAdjustingFrame(QWidget* parent) : QFrame(parent), ui(new Ui::IQAdjustingFrame) {
    ui->setupUi(this);
    initUi();
}

IQAdjustingFrame::~IQAdjustingFrame() {
    delete denoiseFrame;
    delete ui;
}

void IQAdjustingFrame::initUi() {
    ui->line->setStyleSheet(QStringLiteral("background-color: black;"));
    ui->line_control->setStyleSheet(QStringLiteral("background-color: black;"));

    denoiseFrame = new IQDenoiseProcessFrame(this);
    denoiseFrame->setAdjustingFrame(this);
    denoiseFrame->hide();
    ui->subFrameLayout->addWidget(denoiseFrame);
    frames.append(denoiseFrame);

    ui->moduleWidget->hide();
    ui->saveButton->setText(tr("IDS_SAVE"));
    ui->imageLine->setStyleSheet(QStringLiteral("background-color: black;"));
    selectFrame(0);
}

void IQAdjustingFrame::selectFrame(int index) {
    if (index < 0 || index >= frames.size())
        return;
    IQProcessingFrame* old = frames.at(currentIndex);
    if (controller)
        controller->switchResult(currentIndex, index);
    currentIndex = index;
    old->hide();
    old->deactivate();
    frames.at(index)->activate();
    frames.at(index)->show();
}

void IQAdjustingFrame::on_saveButton_clicked() {
    if (editingFrame)
        editingFrame->save();
}

void IQAdjustingFrame::on_retuchGroup_toggled(int id, bool status) {
    if (status)
        selectFrame(id);
}

void IQAdjustingFrame::setImage(const QImage* image, IQEngineController* controller) {
    this->controller = controller;
    const QSize labelSize = ui->imageThumbLabel->size();
    const bool hasImage = image && !image->isNull();
    if (!hasImage) {
        QImage blank(labelSize, QImage::Format_RGBA8888);
        blank.fill(Qt::transparent);
        ui->imageThumbLabel->setPixmap(QPixmap::fromImage(blank));
    } else {
        ui->imageThumbLabel->setPixmap(QPixmap::fromImage(
            image->scaled(labelSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        ui->imageThumbLabel->setAlignment(Qt::AlignCenter);
    }
    for (IQProcessingFrame* frame : qAsConst(frames)) {
        frame->reset();
        frame->setImage(image, controller);
    }
    ui->saveButton->setEnabled(hasImage);
    fitPanels();
}

void IQAdjustingFrame::fitPanels() {
    // Below the panels: the Save button with its margins. The line under the thumbnail and the
    // spacings of the column count too: a panel asking for them as well would make the side panel
    // taller than it is, its window would grow to fit, and every growth would ask for more.
    const QMargins m = ui->saveLayout->contentsMargins();
    const int controlsHeight = ui->saveButton->height() + m.top() + m.bottom() +
                               ui->imageLine->height() + ui->verticalLayout_4->spacing() +
                               ui->controlLayout->spacing();
    for (IQProcessingFrame* frame : qAsConst(frames))
        frame->fitHeight(height(), ui->imageThumbLabel->height(), controlsHeight);
}

void IQAdjustingFrame::resizeEvent(QResizeEvent*) {
    fitPanels();
}
