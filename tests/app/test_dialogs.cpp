// The open, save and folder dialogs, the guide dialog and the waiting dialog, driven as a user
// drives them: keys typed into the real Qt file dialog, real files on disk, the real settings
// file.
#include "iqguidedialog.h"
#include "iqsettings.h"
#include "iqwaitingdialog.h"
#include "modalrunner.h"
#include "qprogressindicator.h"
#include "qstringprinter.h"
#include "temporaryhome.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QVBoxLayout>

#include <QtTest/qtestspontaneevent.h>

#include <gtest/gtest.h>

#include <atomic>

namespace {

const QString kPng = QStringLiteral("PNG image (*.png)");
const QString kJpeg = QStringLiteral("JPEG Image (*.jpeg *.jpg)");
const QString kBmp = QStringLiteral("Windows BMP image (*.bmp)");

bool touch(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("x") == 1;
}

QLineEdit* nameEdit(QFileDialog* dialog) {
    return dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
}

// Picks a filter with the keyboard, as a user does in the file-type box.
void chooseFilter(QFileDialog* dialog, const QString& filter) {
    auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(combo, nullptr);
    const int target = combo->findText(filter);
    ASSERT_GE(target, 0) << filter.toStdString();
    while (combo->currentIndex() < target)
        QTest::keyClick(combo, Qt::Key_Down);
    while (combo->currentIndex() > target)
        QTest::keyClick(combo, Qt::Key_Up);
}

// Types name into the file-name box and presses Return.
void typeAndAccept(QFileDialog* dialog, const QString& name) {
    QLineEdit* edit = nameEdit(dialog);
    ASSERT_NE(edit, nullptr);
    edit->setText(name);
    QTest::keyClick(edit, Qt::Key_Return);
}

} // namespace

TEST(FileDialogs, SaveAddsTheSuffixOfTheFilterTheUserEndedOn) {
    useTemporaryHome(); // the file dialog keeps its history in the user\'s Qt settings
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const struct {
        const char* typed;
        QString preselected;
        QString chosen; // empty: leave the preselected filter
        const char* expected;
    } cases[] = {
        {"result", QString(), QString(), "result.png"},
        {"result", QString(), kJpeg, "result.jpg"},
        {"result.png", QString(), kJpeg, "result.png"},
        {"result", QString(), kBmp, "result.bmp"},
        {"result", kJpeg, QString(), "result.jpg"},
        {"result", kBmp, kPng, "result.png"},
        {"result", QStringLiteral("GIF image (*.gif)"), QString(), "result.png"},
        {"result.jpeg", QString(), kJpeg, "result.jpeg"},
    };
    for (const auto& c : cases) {
        QString captured;
        QString filterAtStart;
        whenModal<QFileDialog>([&](QFileDialog* dialog) {
            captured = dialog->windowTitle();
            filterAtStart = dialog->selectedNameFilter();
            if (!c.chosen.isEmpty())
                chooseFilter(dialog, c.chosen);
            typeAndAccept(dialog, QString::fromLatin1(c.typed));
        });
        QString fileName = QStringLiteral("untouched");
        const int result = saveImageFileDialog(nullptr, &fileName, dir.path(), c.preselected);
        EXPECT_EQ(result, int(QDialog::Accepted)) << c.typed;
        EXPECT_EQ(fileName, dir.filePath(QString::fromLatin1(c.expected))) << c.typed;
        EXPECT_EQ(captured, QStringLiteral("Save File"));
        EXPECT_EQ(filterAtStart, c.preselected.isEmpty() || c.preselected.startsWith("GIF")
                                     ? kPng
                                     : c.preselected);
    }
}

TEST(FileDialogs, SaveAsksBeforeOverwritingTheNameWithItsAddedSuffix) {
    useTemporaryHome(); // the file dialog keeps its history in the user\'s Qt settings
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(touch(dir.filePath(QStringLiteral("photo.png"))));
    ASSERT_TRUE(touch(dir.filePath(QStringLiteral("photo.jpg"))));

    for (const QString& filter : {kPng, kJpeg}) {
        // Declining the prompt keeps the dialog open; the user then cancels it.
        QString prompt;
        whenModal<QFileDialog>([&](QFileDialog* dialog) {
            chooseFilter(dialog, filter);
            whenModal<QMessageBox>([&](QMessageBox* box) {
                prompt = box->text();
                box->button(QMessageBox::No)->click();
            });
            typeAndAccept(dialog, QStringLiteral("photo"));
            EXPECT_TRUE(dialog->isVisible());
            dialog->reject();
        });
        QString fileName = QStringLiteral("untouched");
        EXPECT_EQ(saveImageFileDialog(nullptr, &fileName, dir.path(), QString()),
                  int(QDialog::Rejected));
        EXPECT_EQ(fileName, QStringLiteral("untouched"));
        const QString expectedName = filter == kPng ? "photo.png" : "photo.jpg";
        EXPECT_TRUE(prompt.contains(expectedName)) << prompt.toStdString();

        // Agreeing to replace returns the existing file's name.
        whenModal<QFileDialog>([&](QFileDialog* dialog) {
            chooseFilter(dialog, filter);
            whenModal<QMessageBox>(
                [](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
            typeAndAccept(dialog, QStringLiteral("photo"));
        });
        EXPECT_EQ(saveImageFileDialog(nullptr, &fileName, dir.path(), QString()),
                  int(QDialog::Accepted));
        EXPECT_EQ(fileName, dir.filePath(expectedName));
    }

    // A name that exists under no suffix the filter gives is not asked about.
    bool asked = false;
    QTimer* promptWatch = nullptr;
    whenModal<QFileDialog>([&](QFileDialog* dialog) {
        chooseFilter(dialog, kBmp);
        promptWatch = whenModal<QMessageBox>([&](QMessageBox* box) {
            asked = true;
            box->button(QMessageBox::No)->click();
        });
        typeAndAccept(dialog, QStringLiteral("photo"));
        if (dialog->isVisible())
            dialog->reject();
    });
    QString fileName;
    EXPECT_EQ(saveImageFileDialog(nullptr, &fileName, dir.path(), QString()),
              int(QDialog::Accepted));
    EXPECT_EQ(fileName, dir.filePath(QStringLiteral("photo.bmp")));
    EXPECT_FALSE(asked);
    if (!asked)
        delete promptWatch;
}

TEST(FileDialogs, CancelledDialogsLeaveTheirOutputAlone) {
    useTemporaryHome(); // the file dialog keeps its history in the user\'s Qt settings
    QTemporaryDir dir;
    whenModal<QFileDialog>([](QFileDialog* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    QString name = QStringLiteral("before");
    EXPECT_EQ(saveImageFileDialog(nullptr, &name, dir.path(), QString()), int(QDialog::Rejected));
    EXPECT_EQ(name, QStringLiteral("before"));

    whenModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    QStringList files{QStringLiteral("before")};
    EXPECT_EQ(openImageFilesDialog(nullptr, &files, dir.path(), QFileDialog::ExistingFiles),
              int(QDialog::Rejected));
    EXPECT_EQ(files, QStringList{QStringLiteral("before")});

    whenModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    QString folder = QStringLiteral("before");
    EXPECT_EQ(chooseDirectoryDialog(nullptr, &folder, dir.path()), int(QDialog::Rejected));
    EXPECT_EQ(folder, QStringLiteral("before"));
}

TEST(FileDialogs, OpenReturnsEverySelectedPhoto) {
    useTemporaryHome(); // the file dialog keeps its history in the user\'s Qt settings
    QTemporaryDir dir;
    ASSERT_TRUE(touch(dir.filePath(QStringLiteral("a.png"))));
    ASSERT_TRUE(touch(dir.filePath(QStringLiteral("b.nef"))));
    QString title;
    QStringList filters;
    QString directory;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    QFileDialog::AcceptMode acceptMode = QFileDialog::AcceptSave;
    whenModal<QFileDialog>([&](QFileDialog* dialog) {
        title = dialog->windowTitle();
        filters = dialog->nameFilters();
        directory = dialog->directory().absolutePath();
        mode = dialog->fileMode();
        acceptMode = dialog->acceptMode();
        typeAndAccept(dialog, QStringLiteral("\"a.png\" \"b.nef\""));
    });
    QStringList files;
    EXPECT_EQ(openImageFilesDialog(nullptr, &files, dir.path(), QFileDialog::ExistingFiles),
              int(QDialog::Accepted));
    EXPECT_EQ(files, (QStringList{dir.filePath(QStringLiteral("a.png")),
                                  dir.filePath(QStringLiteral("b.nef"))}));
    EXPECT_EQ(title, QStringLiteral("Open File"));
    EXPECT_EQ(filters, QStringList{openImageNameFilter()});
    EXPECT_EQ(directory, QDir(dir.path()).absolutePath());
    EXPECT_EQ(mode, QFileDialog::ExistingFiles);
    EXPECT_EQ(acceptMode, QFileDialog::AcceptOpen);
}

TEST(FileDialogs, ChooseDirectoryReturnsTheFolder) {
    useTemporaryHome(); // the file dialog keeps its history in the user\'s Qt settings
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("out")));
    ASSERT_TRUE(touch(dir.filePath(QStringLiteral("file.png"))));
    bool dirsOnly = false;
    whenModal<QFileDialog>([&](QFileDialog* dialog) {
        dirsOnly = dialog->testOption(QFileDialog::ShowDirsOnly);
        EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
        typeAndAccept(dialog, QStringLiteral("out"));
    });
    QString folder;
    EXPECT_EQ(chooseDirectoryDialog(nullptr, &folder, dir.path()), int(QDialog::Accepted));
    EXPECT_EQ(QDir(folder).absolutePath(),
              QDir(dir.filePath(QStringLiteral("out"))).absolutePath());
    EXPECT_TRUE(dirsOnly);
}

TEST(GuideDialog, CheckBoxWritesItsStateIntoTheSettingsFileAtOnce) {
    useTemporaryHome();
    setShowGuide(appSettings(), 2);
    IQGuideDialog dialog;
    auto* box = dialog.findChild<QCheckBox*>(QStringLiteral("showAgainChckButn"));
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->isChecked()); // whatever the file holds
    const QString file = appSettings()->fileName();

    box->click();
    QSettings reader(file, QSettings::IniFormat);
    EXPECT_EQ(reader.value(QStringLiteral("/app/showGuide")).toString(), QStringLiteral("2"));
    box->click();
    reader.sync();
    EXPECT_EQ(reader.value(QStringLiteral("/app/showGuide")).toString(), QStringLiteral("0"));
    EXPECT_EQ(showGuide(appSettings()), 0);
}

TEST(GuideDialog, IsAFramelessBoxThatCloseAccepts) {
    useTemporaryHome();
    IQGuideDialog dialog;
    EXPECT_EQ(dialog.objectName(), QStringLiteral("IQGuideDialog"));
    EXPECT_EQ(dialog.size(), QSize(533, 399));
    // The flags it sets are "frameless" alone; a dialog without parent is a window as well.
    EXPECT_EQ(dialog.windowFlags() & ~Qt::WindowType_Mask,
              Qt::WindowFlags(Qt::FramelessWindowHint));
    EXPECT_EQ(dialog.windowTitle(), QCoreApplication::translate("IQGuideDialog", "Dialog"));
    auto* box = dialog.findChild<QCheckBox*>(QStringLiteral("showAgainChckButn"));
    auto* close = dialog.findChild<QPushButton*>(QStringLiteral("okButn"));
    ASSERT_NE(box, nullptr);
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(box->text(), QCoreApplication::translate("IQGuideDialog", "IDS_AC_DONTSHOWAGAIN"));
    EXPECT_EQ(close->text(), QCoreApplication::translate("IQGuideDialog", "IDS_AC_CLOSE"));
    EXPECT_NE(dialog.findChild<QVBoxLayout*>(QStringLiteral("webLayout")), nullptr);

    whenModal<IQGuideDialog>([](IQGuideDialog* shown) {
        QTest::mouseClick(shown->findChild<QPushButton*>(QStringLiteral("okButn")), Qt::LeftButton);
    });
    EXPECT_EQ(dialog.exec(), int(QDialog::Accepted));
}

TEST(WaitingDialog, IsASmallTranslucentModalBoxWithAWhiteSpinner) {
    QWidget page;
    IQWaitingDialog dialog(&page);
    EXPECT_EQ(dialog.objectName(), QStringLiteral("IQWaitingDialog"));
    EXPECT_EQ(dialog.size(), QSize(144, 144));
    EXPECT_EQ(dialog.windowModality(), Qt::ApplicationModal);
    EXPECT_TRUE(dialog.isModal());
    EXPECT_TRUE(dialog.windowTitle().isEmpty());
    EXPECT_EQ(dialog.windowFlags(), Qt::SubWindow | Qt::FramelessWindowHint);
    auto* spinner = dialog.findChild<QProgressIndicator*>(QStringLiteral("progressIndictor"));
    ASSERT_NE(spinner, nullptr);
    EXPECT_TRUE(spinner->isAnimated());
    EXPECT_EQ(spinner->color(), QColor(Qt::white));
    EXPECT_EQ(spinner->minimumSize(), QSize(120, 120));
    EXPECT_EQ(spinner->maximumSize(), QSize(120, 120));
    EXPECT_EQ(spinner->sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    EXPECT_EQ(spinner->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
    ASSERT_NE(dialog.findChild<QWidget*>(QStringLiteral("verticalWidget")), nullptr);
    EXPECT_EQ(spinner->parentWidget()->objectName(), QStringLiteral("verticalWidget"));
    // Opacity belongs to windows; the editing page makes it one before running it.
    dialog.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    EXPECT_NEAR(dialog.windowOpacity(), 0.7, 0.01);
}

TEST(WaitingDialog, BlocksTheApplicationAndOnlyTheProgramClosesIt) {
    // Another window of the application, clicked through the window system.
    QPushButton other(QStringLiteral("other"));
    other.resize(120, 40);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    int clicks = 0;
    QObject::connect(&other, &QPushButton::clicked, [&clicks]() { ++clicks; });
    const auto clickOther = [&other]() {
        QTest::mouseClick(other.windowHandle(), Qt::LeftButton, {}, QPoint(60, 20));
    };
    clickOther();
    ASSERT_EQ(clicks, 1) << "a click through the window system should reach the button";

    QWidget page;
    page.show();
    // The user's ways of dismissing a dialog: Escape, and the title bar's close button or
    // Alt+F4, which arrive as a close event from the window system.
    const struct {
        const char* what;
        void (*dismiss)(QWidget*);
    } attempts[] = {
        {"Escape", [](QWidget* shown) { QTest::keyClick(shown, Qt::Key_Escape); }},
        {"close button",
         [](QWidget* shown) {
             QCloseEvent userClose;
             QSpontaneKeyEvent::setSpontaneous(&userClose);
             QApplication::instance()->notify(shown, &userClose);
         }},
    };
    for (const auto& attempt : attempts) {
        IQWaitingDialog dialog(&page);
        dialog.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint); // as the editing page runs it
        bool stillUp = false;
        int clicksWhileWaiting = -1;
        const int clicksBefore = clicks;
        whenModal<IQWaitingDialog>([&](IQWaitingDialog* shown) {
            EXPECT_EQ(QApplication::activeModalWidget(), &dialog);
            clickOther();
            clicksWhileWaiting = clicks;
            attempt.dismiss(shown);
            QApplication::processEvents();
            stillUp = shown->isVisible();
            shown->close(); // the program's own close, when the read has finished
        });
        dialog.exec();
        EXPECT_EQ(clicksWhileWaiting, clicksBefore)
            << "the other window took input while the dialog waited";
        EXPECT_TRUE(stillUp) << attempt.what << " dismissed the waiting dialog";
        EXPECT_FALSE(dialog.isVisible()) << attempt.what;
    }

    clickOther();
    EXPECT_EQ(clicks, 2);
}

TEST(WaitingDialog, EndOfTheJobItWaitsForClosesIt) {
    for (const bool endsBeforeExec : {false, true}) {
        QWidget page;
        IQWaitingDialog dialog(&page);
        dialog.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
        std::atomic<bool> release{endsBeforeExec};
        QThread* job = QThread::create([&release]() {
            while (!release.load())
                QThread::msleep(1);
        });
        QObject::connect(job, &QThread::finished, &dialog, &QWidget::close);
        job->start();
        if (endsBeforeExec)
            ASSERT_TRUE(job->wait(10000)); // the close is queued before exec() runs
        else
            whenModal<IQWaitingDialog>([&release](IQWaitingDialog*) { release = true; });
        dialog.exec();
        EXPECT_FALSE(dialog.isVisible()) << endsBeforeExec;
        job->wait();
        delete job;
    }
}
