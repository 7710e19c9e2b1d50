#pragma once

#include "iqdenoiseparams.h"
#include "iqprocessingframe.h"

namespace Ui {
class IQDenoiseProcessFrame;
}

// The denoise panel: luminance, chrominance and sharpness sliders (0 to 100) with their value
// labels and a Restore button. A released slider sends its value to the photo's denoiser and runs
// one denoise on the engine controller; the page shows the result when the controller reports it.
class IQDenoiseProcessFrame : public IQProcessingFrame {
    Q_OBJECT

public:
    explicit IQDenoiseProcessFrame(QWidget* parent);
    ~IQDenoiseProcessFrame() override;

    void setImage(const QImage* image, IQEngineController* controller) override;
    void fitHeight(int frameHeight, int thumbHeight, int controlsHeight) override;
    void deactivate() override;

    // The values last sent.
    const IQDenoiseParams& denoiseParams() const { return params; }

private slots:
    void on_luminanceSlider_valueChanged(int value);
    void on_chrominanceSlider_valueChanged(int value);
    void on_sharpnessSlider_valueChanged(int value);
    void on_restoreButton_clicked();

private:
    void retranslateTexts();
    // All three sliders and labels at 0, without any slider signal.
    void resetControls();
    void setControlsEnabled(bool enabled);
    void updateRestoreButton();
    // Sends zeros to the denoiser: sharpness, chrominance, luminance.
    void sendZeros();

    Ui::IQDenoiseProcessFrame* ui;
    IQDenoiseParams params;
};
