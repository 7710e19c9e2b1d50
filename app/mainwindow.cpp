#include "mainwindow.h"

#include "iqbatchdenoisedialog.h"
#include "iqeditingframe.h"
#include "iqguidedialog.h"
#include "iqsettings.h"
#include "iqwizardframe.h"
#include "productinfo.h"
#include "productlinks.h"
#include "startup.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGraphicsView>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <QUrl>

// The window's own form: the central widget and the two layouts that hold the pages.
struct Ui_MainWindow {
    QWidget* centralWidget = nullptr;
    QHBoxLayout* horizontalLayout_3 = nullptr;
    QHBoxLayout* horizontalLayout = nullptr;

    void setupUi(QMainWindow* window) {
        if (window->objectName().isEmpty())
            window->setObjectName(QStringLiteral("MainWindow"));
        window->resize(1171, 644);
        window->setMinimumSize(800, 560);
        centralWidget = new QWidget(window);
        centralWidget->setObjectName(QStringLiteral("centralWidget"));
        horizontalLayout_3 = new QHBoxLayout(centralWidget);
        horizontalLayout_3->setSpacing(6);
        horizontalLayout_3->setContentsMargins(0, 0, 0, 0);
        horizontalLayout_3->setObjectName(QStringLiteral("horizontalLayout_3"));
        horizontalLayout = new QHBoxLayout();
        horizontalLayout->setSpacing(6);
        horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));
        horizontalLayout->setSizeConstraint(QLayout::SetMinimumSize);
        horizontalLayout_3->addLayout(horizontalLayout);
        window->setCentralWidget(centralWidget);
        window->setWindowTitle(QString());
        QMetaObject::connectSlotsByName(window);
    }
};

namespace {

// The local files among the dropped URLs that are photos the program can import, in drop order.
// A URL without a local file (a web link) gives an empty path, which is not a photo.
QStringList supportedLocalFiles(const QList<QUrl>& urls) {
    QStringList paths;
    for (const QUrl& url : urls) {
        const QString path = url.toLocalFile();
        if (!path.isEmpty() && isSupportedImageFile(path))
            paths.append(path);
    }
    return paths;
}

} // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), ui(new Ui_MainWindow) {
    loadStyleSheet();
    ui->setupUi(this);

    wizardFrame = new IQWizardFrame(this);
    ui->horizontalLayout->addWidget(wizardFrame);
    connect(wizardFrame, &IQWizardFrame::select_file, this, &MainWindow::openImageFile);

    editingFrame = new IQEditingFrame(this);
    ui->horizontalLayout->addWidget(editingFrame);
    editingFrame->hide();
    // Graphics views take every drag for their scenes, and these scenes hold nothing that takes a
    // drop, so photos dropped on the image would be refused: let the window take them there too.
    for (QGraphicsView* view : editingFrame->findChildren<QGraphicsView*>()) {
        view->setAcceptDrops(false);
        view->viewport()->setAcceptDrops(false);
    }
    connect(editingFrame, &IQEditingFrame::imageChanged, this, &MainWindow::imageChanged);
    connect(editingFrame, &IQEditingFrame::zoomChanged, this, &MainWindow::zoomChanged);

    mode = 0;
    createMenus();
    setAcceptDrops(true);
    setWindowTitle(QGuiApplication::applicationDisplayName());
    updateActions();
}

MainWindow::~MainWindow() {
    delete ui;
    delete editingFrame;
    delete wizardFrame;
}

void MainWindow::createMenus() {
    // Each entry: text, then its slot, then its shortcut. Text shortcuts go through tr() too, so a
    // translation may move them.
    auto add = [this](QMenu* menu, const QString& text, void (MainWindow::*slot)(),
                      const QKeySequence& shortcut, const char* name) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, slot);
        action->setShortcut(shortcut);
        return action;
    };
    auto keys = [](const QString& text) { return QKeySequence(text, QKeySequence::NativeText); };

    QMenu* fileMenu = menuBar()->addMenu(tr("IDS_FILE"));
    openAction = add(fileMenu, tr("IDS_OPEN"), &MainWindow::open, QKeySequence::Open, "openAction");
    saveAsAction =
        add(fileMenu, tr("IDS_SAVEAS"), &MainWindow::save, QKeySequence::Save, "saveAsAction");
    fileMenu->addSeparator();
    batchAction = add(fileMenu, tr("IDS_BATCH"), &MainWindow::batch, QKeySequence(), "batchAction");
    fileMenu->addSeparator();
    QAction* exitAction = fileMenu->addAction(tr("E&xit"));
    exitAction->setObjectName(QStringLiteral("exitAction"));
    connect(exitAction, &QAction::triggered, this, &QWidget::close);
    exitAction->setShortcut(keys(tr("Ctrl+Q")));

    QMenu* viewMenu = menuBar()->addMenu(tr("IDS_VIEW"));
    actualSizeAction = add(viewMenu, tr("IDS_MENU_ACTUALSIZE"), &MainWindow::zoomActual,
                           keys(tr("Ctrl+0")), "actualSizeAction");
    fitInAction = add(viewMenu, tr("IDS_MENU_FITIN"), &MainWindow::zoomFit, keys(tr("Ctrl+9")),
                      "fitInAction");
    zoomInAction = add(viewMenu, tr("IDS_MENU_ZOOMIN"), &MainWindow::zoomIn, QKeySequence::ZoomIn,
                       "zoomInAction");
    zoomInAction->setAutoRepeat(true);
    zoomOutAction = add(viewMenu, tr("IDS_MENU_ZOOMOUT"), &MainWindow::zoomOut,
                        QKeySequence::ZoomOut, "zoomOutAction");
    zoomOutAction->setAutoRepeat(true);
    viewMenu->addSeparator();
    beforeAfterAction = add(viewMenu, tr("IDS_BEFORE_AFTER"), &MainWindow::beforeAfter,
                            keys(tr("Ctrl+B")), "beforeAfterAction");

    QMenu* helpMenu = menuBar()->addMenu(tr("IDS_HELP"));
    add(helpMenu, tr("IDS_MENU_ONLINE_HELP"), &MainWindow::onlineHelp, keys(tr("Ctrl+H")),
        "onlineHelpAction");
    add(helpMenu, tr("IDS_MENU_FAQ"), &MainWindow::faq, QKeySequence(), "faqAction");
    add(helpMenu, tr("IDS_MENU_CCS"), &MainWindow::ccs, QKeySequence(), "ccsAction");
    helpMenu->addSeparator();
    add(helpMenu, tr("IDS_ABOUT"), &MainWindow::about, QKeySequence(), "aboutAction");
}

void MainWindow::updateActions() {
    const QImage* image = mode == 1 ? editingFrame->currentImage() : nullptr;
    if (!image || image->isNull()) {
        for (QAction* action : {saveAsAction, actualSizeAction, fitInAction, zoomInAction,
                                zoomOutAction, beforeAfterAction})
            action->setEnabled(false);
        return;
    }
    const int zoom = editingFrame->zoomMode();
    saveAsAction->setEnabled(true);
    beforeAfterAction->setEnabled(true);
    fitInAction->setEnabled(zoom != 0);
    actualSizeAction->setEnabled(zoom != 1);
    zoomInAction->setEnabled(zoom != 3);
    zoomOutAction->setEnabled(zoom != 0);
}

void MainWindow::showEditingPage() {
    wizardFrame->close();
    editingFrame->show();
}

void MainWindow::open() {
    openImageFile();
}

void MainWindow::openImageFile() {
    QSettings* settings = appSettings();
    const QString start = lastOpenDir(settings);
    QStringList chosen;
    if (openImageFilesDialog(this, &chosen, start, QFileDialog::ExistingFiles) != QDialog::Accepted)
        return;
    QStringList paths;
    for (const QString& path : qAsConst(chosen)) {
        if (isSupportedImageFile(path))
            paths.append(path);
    }
    if (paths.isEmpty())
        return;
    showEditingPage();
    editingFrame->addFiles(paths);
    setLastOpenDir(settings, QFileInfo(paths.first()).path());
    mode = 1;
    updateActions();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QMimeData* data = event->mimeData();
    if (!data->hasUrls())
        return;
    const QStringList paths = supportedLocalFiles(data->urls());
    if (paths.isEmpty())
        return;
    showEditingPage();
    mode = 1;
    updateActions();
    // Adding the first photo reads it behind a modal waiting dialog; running that loop inside the
    // drop would keep the drag source waiting for the drop to end, so the files are added once the
    // drop has returned.
    QTimer::singleShot(0, this, [this, paths]() {
        editingFrame->addFiles(paths);
        updateActions();
    });
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!editingFrame || !editingFrame->isModified()) {
        event->accept();
        return;
    }
    // Three text buttons, Save the default and none for Escape: the user must choose one.
    QMessageBox prompt(QMessageBox::Question, QGuiApplication::applicationDisplayName(),
                       tr("IDS_SAVE_PROMPT"), QMessageBox::NoButton, this);
    QPushButton* saveButton = prompt.addButton(tr("IDS_SAVE"), QMessageBox::ActionRole);
    QPushButton* cancelButton = prompt.addButton(tr("IDS_CANCEL"), QMessageBox::ActionRole);
    QPushButton* dontSaveButton = prompt.addButton(tr("IDS_DONT_SAVE"), QMessageBox::ActionRole);
    prompt.setDefaultButton(saveButton);
    prompt.exec();
    QAbstractButton* answer = prompt.clickedButton();
    if (answer == saveButton) {
        if (editingFrame->save() != 0)
            event->accept();
        else
            event->ignore();
    } else if (answer == dontSaveButton) {
        event->accept();
    } else {
        Q_UNUSED(cancelButton)
        event->ignore();
    }
}

void MainWindow::save() {
    editingFrame->save();
}

void MainWindow::batch() {
    IQBatchDenoiseDialog dialog(this);
    dialog.exec();
}

void MainWindow::zoomFit() {
    editingFrame->zoomFit();
    updateActions();
}

void MainWindow::zoomActual() {
    editingFrame->zoomActual();
    updateActions();
}

void MainWindow::zoomIn() {
    editingFrame->zoomIn();
    updateActions();
}

void MainWindow::zoomOut() {
    editingFrame->zoomOut();
    updateActions();
}

void MainWindow::beforeAfter() {
    editingFrame->toggleBeforeAfter();
    updateActions();
}

void MainWindow::onlineHelp() {
    QDesktopServices::openUrl(QUrl(productInfo()->links()->guideUrl()));
}

void MainWindow::faq() {
    QDesktopServices::openUrl(QUrl(productInfo()->links()->faqUrl()));
}

void MainWindow::ccs() {
    QDesktopServices::openUrl(QUrl(productInfo()->links()->supportUrl()));
}

void MainWindow::about() {
    const QString text = QGuiApplication::applicationDisplayName() + QStringLiteral("<p></p>") +
                         QCoreApplication::applicationVersion() + QStringLiteral("<p></p>") +
                         copyrightText();
    QMessageBox::about(this, QGuiApplication::applicationDisplayName(), text);
}

void MainWindow::imageChanged(const QImage* image) {
    Q_UNUSED(image)
    updateActions();
}

void MainWindow::zoomChanged() {
    updateActions();
}

void MainWindow::showGuideDialog() {
    IQGuideDialog dialog(nullptr);
    dialog.exec();
}
