// A small translucent, frameless, modal box with a white busy spinner, shown while a photo is
// being read. The user cannot dismiss it: only the program closes it, with close(), once the
// work it waits for has ended.
#ifndef IQWAITINGDIALOG_H
#define IQWAITINGDIALOG_H

#include <QDialog>

namespace Ui {
class IQWaitingDialog;
}

class IQWaitingDialog : public QDialog {
    Q_OBJECT

public:
    // Builds the dialog and starts the spinner.
    explicit IQWaitingDialog(QWidget* parent = nullptr);
    ~IQWaitingDialog() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    Ui::IQWaitingDialog* ui;
};

#endif // IQWAITINGDIALOG_H
