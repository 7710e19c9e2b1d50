// The start page: an Import button above the two lines "Or" and "Drag your photos here". The
// button only announces the wish to open photos; the main window answers it with its Open dialog
// and handles drops on this page itself.
#ifndef IQWIZARDFRAME_H
#define IQWIZARDFRAME_H

#include <QFrame>

namespace Ui {
class IQWizardFrame;
}

class IQWizardFrame : public QFrame {
    Q_OBJECT

public:
    explicit IQWizardFrame(QWidget* parent = nullptr);
    ~IQWizardFrame() override;

signals:
    // The user pressed Import.
    void select_file();

private slots:
    void on_importButn_clicked();

private:
    Ui::IQWizardFrame* ui;
};

#endif // IQWIZARDFRAME_H
