#include "iqbatchdenoiseframe.h"

#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressDialog>

#include "iqbatchthread.h"
#include "iqsettings.h"
#include "ui_iqbatchdenoiseframe.h"

IQBatchDenoiseFrame::IQBatchDenoiseFrame(QWidget* parent)
    : IQFileBrowserFrame(parent), ui(new Ui::IQBatchDenoiseFrame) {
    ui->setupUi(this);
    initUi();
    resetSliders();
}

IQBatchDenoiseFrame::~IQBatchDenoiseFrame() {
    delete ui;
}

void IQBatchDenoiseFrame::initUi() {
    ui->bottomLine->setStyleSheet(QStringLiteral("background-color: black;"));
    ui->rightLine->setStyleSheet(QStringLiteral("background-color: black;"));

    ui->luminanceDescLabel->setText(tr("IDS_LUMINANCE"));
    ui->chrominanceDescLabel->setText(tr("IDS_CHROMINANCE"));
    ui->sharpnessDescLabel->setText(tr("IDS_SHARPNESS"));
    ui->addPhotoButn->setText(tr("IDS_ADD_PHOTOS"));
    ui->removePhotoButn->setText(tr("IDS_REMOVE_PHOTOS"));
    ui->startButn->setText(tr("IDS_START"));

    ui->removePhotoButn->setEnabled(false);
    ui->startButn->setEnabled(false);

    listWidget = ui->tileListView;
    listWidget->setViewMode(QListView::IconMode);
    listWidget->setIconSize(QSize(120, 120));
    listWidget->setStyleSheet(QStringLiteral(
        "QListWidget::Item{padding-top:0px; padding-bottom:0px; }"
        "QListWidget::Item:hover{background:skyblue; }"
        "QListWidget::item:selected:!active{border-width:2px; background:skyblue; }"));
    connect(listWidget, &QListWidget::itemSelectionChanged, this,
            &IQBatchDenoiseFrame::updateButtons);
}

void IQBatchDenoiseFrame::resetSliders() {
    ui->luminanceSlider->setValue(0);
    ui->luminanceValueLabel->setText(QStringLiteral("0"));
    ui->chrominanceSlider->setValue(0);
    ui->chrominanceVauleLabel->setText(QStringLiteral("0"));
    ui->sharpnessSlider->setValue(0);
    ui->sharpnessVauleLabel->setText(QStringLiteral("0"));
}

void IQBatchDenoiseFrame::updateButtons() {
    // While a run is going nothing may change the list or start a second run.
    ui->addPhotoButn->setEnabled(!busy);
    ui->removePhotoButn->setEnabled(!busy && !listWidget->selectedItems().isEmpty());
    ui->startButn->setEnabled(!busy && !paths.isEmpty());
}

void IQBatchDenoiseFrame::on_addPhotoButn_clicked() {
    if (busy)
        return;
    addFiles(lastOpenDir(appSettings()));
    updateButtons();
}

void IQBatchDenoiseFrame::on_removePhotoButn_clicked() {
    if (busy)
        return;
    removeSelectedFiles();
    updateButtons();
}

void IQBatchDenoiseFrame::on_luminanceSlider_valueChanged(int value) {
    params.luminance = value;
    ui->luminanceValueLabel->setText(QString::number(value));
}

void IQBatchDenoiseFrame::on_chrominanceSlider_valueChanged(int value) {
    params.chrominance = value;
    ui->chrominanceVauleLabel->setText(QString::number(value));
}

void IQBatchDenoiseFrame::on_sharpnessSlider_valueChanged(int value) {
    params.sharpness = value;
    ui->sharpnessVauleLabel->setText(QString::number(value));
}

void IQBatchDenoiseFrame::on_startButn_clicked() {
    if (busy || paths.isEmpty())
        return;
    QString folder;
    if (chooseDirectoryDialog(this, &folder, lastBatchDir(appSettings())) != QDialog::Accepted)
        return;
    folder = QDir::cleanPath(folder); // no trailing separator
    setLastBatchDir(appSettings(), folder);
    busy = true;
    updateButtons();

    auto* dialog = new QProgressDialog(tr("IDS_PROCESSING"), QString(), 0, paths.size(), this,
                                       Qt::WindowFlags());
    progressDialog = dialog;
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setCancelButton(nullptr);
    dialog->setMinimumDuration(10);
    dialog->setWindowFlags(dialog->windowFlags() & ~Qt::WindowCloseButtonHint);
    dialog->installEventFilter(this);

    auto* thread = new IQBatchThread(paths, params, folder);
    connect(thread, &IQBatchThread::batchFinished, this, &IQBatchDenoiseFrame::onBatchFinished);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    connect(thread, &QThread::finished, dialog, [this, dialog]() {
        runActive = false;
        dialog->close();
    });
    connect(thread, &IQBatchThread::batchProgress, dialog, &QProgressDialog::setValue);

    runActive = true;
    thread->start(QThread::InheritPriority);
    // Returns once the thread's finished signal has closed the dialog.
    dialog->exec();
}

void IQBatchDenoiseFrame::onBatchFinished(const QStringList& finishedFileList,
                                          const QStringList& errorFileList) {
    QMessageBox::information(
        this, QGuiApplication::applicationDisplayName(),
        tr("IDS_BATCH_FINISHED").arg(finishedFileList.size()).arg(errorFileList.size()),
        QMessageBox::Ok, QMessageBox::NoButton);
    busy = false;
    updateButtons();
}

bool IQBatchDenoiseFrame::eventFilter(QObject* watched, QEvent* event) {
    if (runActive && watched == progressDialog) {
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            return true;
        if (event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
    }
    return IQFileBrowserFrame::eventFilter(watched, event);
}
