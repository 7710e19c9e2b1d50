#include "iqwaitingdialog.h"
#include "ui_iqwaitingdialog.h"

#include <QCloseEvent>
#include <QKeyEvent>

IQWaitingDialog::IQWaitingDialog(QWidget* parent) : QDialog(parent), ui(new Ui::IQWaitingDialog) {
    ui->setupUi(this);
    ui->progressIndictor->setColor(Qt::white);
    ui->progressIndictor->startAnimation();
    setWindowFlags(Qt::SubWindow | Qt::FramelessWindowHint);
    setModal(true);
}

IQWaitingDialog::~IQWaitingDialog() {
    ui->progressIndictor->stopAnimation();
    delete ui;
}

void IQWaitingDialog::keyPressEvent(QKeyEvent* event) {
    // Escape would reject the dialog while the read it waits for still runs, and let the user
    // start another one on top of it.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void IQWaitingDialog::closeEvent(QCloseEvent* event) {
    // A close that comes from the window system (the title bar's button, Alt+F4) is the user's;
    // the program's own close() sends a close event that is not spontaneous.
    if (event->spontaneous()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
