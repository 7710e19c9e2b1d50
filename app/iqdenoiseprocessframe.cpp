#include "iqdenoiseprocessframe.h"

#include "iqdenoiser.h"
#include "iqenginecontroller.h"
#include "ui_iqdenoiseprocessframe.h"

#include <algorithm>

IQDenoiseProcessFrame::IQDenoiseProcessFrame(QWidget* parent)
    : IQProcessingFrame(parent), ui(new Ui::IQDenoiseProcessFrame) {
    params.reset();
    ui->setupUi(this);
    retranslateTexts();
    resetControls();
}

IQDenoiseProcessFrame::~IQDenoiseProcessFrame() {
    delete ui;
}

void IQDenoiseProcessFrame::retranslateTexts() {
    ui->luminanceDescLabel->setText(tr("IDS_LUMINANCE"));
    ui->chrominanceDescLabel->setText(tr("IDS_CHROMINANCE"));
    ui->sharpnessDescLabel->setText(tr("IDS_SHARPNESS"));
    ui->restoreButton->setText(tr("IDS_RESTORE"));
}

void IQDenoiseProcessFrame::resetControls() {
    ui->luminanceSlider->setValue(0, true);
    ui->luminanceValueLabel->setNum(0);
    ui->chrominanceSlider->setValue(0, true);
    ui->chrominanceVauleLabel->setNum(0);
    ui->sharpnessSlider->setValue(0, true);
    ui->sharpnessVauleLabel->setNum(0);
}

void IQDenoiseProcessFrame::setControlsEnabled(bool enabled) {
    ui->luminanceSlider->setEnabled(enabled);
    ui->chrominanceSlider->setEnabled(enabled);
    ui->sharpnessSlider->setEnabled(enabled);
    ui->restoreButton->setEnabled(enabled);
}

void IQDenoiseProcessFrame::updateRestoreButton() {
    ui->restoreButton->setEnabled(!params.isDefault());
}

void IQDenoiseProcessFrame::setImage(const QImage* image, IQEngineController* controller) {
    IQProcessingFrame::setImage(image, controller);
    setControlsEnabled(image && !image->isNull());
    params.reset();
    resetControls();
    updateRestoreButton();
}

void IQDenoiseProcessFrame::fitHeight(int frameHeight, int thumbHeight, int controlsHeight) {
    setMinimumHeight(std::max(0, frameHeight - thumbHeight - controlsHeight));
}

void IQDenoiseProcessFrame::sendZeros() {
    IQDenoiser* denoiser = controller->denoiser();
    denoiser->setSharpness(0);
    denoiser->setChrominance(0);
    denoiser->setLuminance(0);
}

void IQDenoiseProcessFrame::deactivate() {
    params.reset();
    if (!controller)
        return;
    sendZeros();
    resetControls();
    updateRestoreButton();
}

void IQDenoiseProcessFrame::on_luminanceSlider_valueChanged(int value) {
    if (value == params.luminance)
        return;
    params.luminance = value;
    ui->luminanceValueLabel->setNum(value);
    if (controller) {
        controller->denoiser()->setLuminance(value);
        controller->startOperation(IQEngineController::DenoiseOperation);
    }
    updateRestoreButton();
}

void IQDenoiseProcessFrame::on_chrominanceSlider_valueChanged(int value) {
    if (value == params.chrominance)
        return;
    params.chrominance = value;
    ui->chrominanceVauleLabel->setNum(value);
    if (controller) {
        controller->denoiser()->setChrominance(value);
        controller->startOperation(IQEngineController::DenoiseOperation);
    }
    updateRestoreButton();
}

void IQDenoiseProcessFrame::on_sharpnessSlider_valueChanged(int value) {
    if (value == params.sharpness)
        return;
    params.sharpness = value;
    ui->sharpnessVauleLabel->setNum(value);
    if (controller) {
        controller->denoiser()->setSharpness(value);
        controller->startOperation(IQEngineController::DenoiseOperation);
    }
    updateRestoreButton();
}

void IQDenoiseProcessFrame::on_restoreButton_clicked() {
    params.reset();
    if (controller) {
        sendZeros();
        controller->startOperation(IQEngineController::DenoiseOperation);
    }
    resetControls();
    updateRestoreButton();
}
