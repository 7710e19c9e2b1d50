// The start-up guide: an (empty) content area, a "Don't show again" check box whose state goes
// straight into the settings file, and a Close button.
#ifndef IQGUIDEDIALOG_H
#define IQGUIDEDIALOG_H

#include <QDialog>

namespace Ui {
class IQGuideDialog;
}

class IQGuideDialog : public QDialog {
    Q_OBJECT

public:
    explicit IQGuideDialog(QWidget* parent = nullptr);
    ~IQGuideDialog() override;

private slots:
    void on_okButn_clicked();
    // Stores the check box's state (0 unchecked, 2 checked) under "/app/showGuide".
    void on_showAgainChckButn_stateChanged(int arg1);

private:
    Ui::IQGuideDialog* ui;
};

#endif // IQGUIDEDIALOG_H
