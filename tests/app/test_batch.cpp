// Batch denoising: the worker's outputs are new files named after their inputs that never touch
// an existing file, failures are counted and leave nothing behind, odd sizes survive the trip
// through the engine, the output is less noisy than the input, and the dialog keeps a run going
// against Escape and close until its summary is dismissed.
#include <QCheckBox>
#include <QDirIterator>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>

#include <sys/resource.h>

#include "batchtestsupport.h"
#include "iqbatchdenoisedialog.h"
#include "iqbatchdenoiseframe.h"
#include "iqbatchthread.h"
#include "iqsettings.h"
#include "photofixtures.h"
#include "qstringprinter.h"
#include "startup.h"
#include "temporaryhome.h"

namespace {

IQDenoiseParams strengths(int luminance, int chrominance, int sharpness) {
    IQDenoiseParams params;
    params.luminance = luminance;
    params.chrominance = chrominance;
    params.sharpness = sharpness;
    return params;
}

struct RunResult {
    QStringList finished;
    QStringList failed;
    QList<int> progress;
};

// Runs one batch on its own thread to the end.
RunResult runBatch(const QStringList& files, const QString& outputFolder,
                   const IQDenoiseParams& params = strengths(50, 50, 0)) {
    RunResult result;
    IQBatchThread thread(files, params, outputFolder);
    QSignalSpy finishedSpy(&thread, &IQBatchThread::batchFinished);
    QSignalSpy progressSpy(&thread, &IQBatchThread::batchProgress);
    thread.start();
    EXPECT_TRUE(thread.wait(HangGuardMs));
    EXPECT_EQ(finishedSpy.count(), 1);
    if (finishedSpy.count() == 1) {
        result.finished = finishedSpy.at(0).at(0).toStringList();
        result.failed = finishedSpy.at(0).at(1).toStringList();
    }
    for (const QList<QVariant>& emitted : qAsConst(progressSpy))
        result.progress.append(emitted.at(0).toInt());
    return result;
}

QList<int> zeroTo(int last) {
    QList<int> values;
    for (int i = 0; i <= last; ++i)
        values.append(i);
    return values;
}

// Every file below folder (symbolic links included, not followed), relative, sorted.
QStringList filesBelow(const QString& folder) {
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::System | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found.append(QDir(folder).relativeFilePath(it.next()));
    found.sort();
    return found;
}

// Mean of the absolute channel differences of two same-sized pictures over the rows first..last.
double meanDifference(const QImage& a, const QImage& b, int first, int last) {
    double sum = 0;
    for (int y = first; y <= last; ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum +=
                qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) + qAbs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * (last - first + 1));
}

class BatchRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        ASSERT_TRUE(QDir(root.path()).mkdir(QStringLiteral("out")));
    }

    QString path(const QString& relative) const { return root.filePath(relative); }

    QString writePhoto(const QString& relative, const QImage& image) {
        const QString file = path(relative);
        QDir().mkpath(QFileInfo(file).absolutePath());
        EXPECT_TRUE(image.save(file)) << file.toStdString();
        return file;
    }
    QString writeBytes(const QString& relative, const QByteArray& bytes) {
        const QString file = path(relative);
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile out(file);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        return file;
    }

    QTemporaryDir root;
};

struct NamingCase {
    const char* what;
    QStringList inputs;   // written as photos of distinct tints, in this order
    QStringList existing; // files already there, with bytes of their own
    QStringList links;    // "link=target" symbolic links already there
    const char* outputFolder;
    QStringList outputs; // the expected output of each input, in order
};

class BatchNamingTest : public BatchRunTest, public ::testing::WithParamInterface<NamingCase> {};

TEST_P(BatchNamingTest, OutputsAreNewFilesAndEveryExistingFileStaysByteIdentical) {
    const NamingCase& c = GetParam();
    const QRgb tints[] = {qRgb(255, 80, 80), qRgb(80, 255, 80), qRgb(80, 80, 255),
                          qRgb(255, 255, 80)};
    QStringList inputs;
    QList<QImage> inputImages;
    for (int i = 0; i < c.inputs.size(); ++i) {
        inputImages.append(testPicture(40 + 8 * i, 30 + 3 * i, tints[i % 4]));
        inputs.append(writePhoto(c.inputs[i], inputImages.last()));
    }
    for (const QString& existing : c.existing)
        writeBytes(existing, "someone else's file: " + existing.toUtf8());
    QDir(root.path()).rmdir(QStringLiteral("out"));
    QDir().mkpath(path(QString::fromLatin1(c.outputFolder)));
    for (const QString& link : c.links) {
        const QStringList parts = link.split(QLatin1Char('='));
        ASSERT_TRUE(QFile::link(path(parts[1]), path(parts[0])));
    }
    // Everything that is there before the run, byte for byte.
    QMap<QString, QByteArray> before;
    for (const QString& file : filesBelow(root.path()))
        before.insert(file, fileBytes(path(file)));

    const RunResult result = runBatch(inputs, path(QString::fromLatin1(c.outputFolder)));

    EXPECT_EQ(result.finished, inputs) << c.what;
    EXPECT_TRUE(result.failed.isEmpty()) << c.what;
    EXPECT_EQ(result.progress, zeroTo(inputs.size() - 1));
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        EXPECT_EQ(fileBytes(path(it.key())), it.value()) << c.what << ": " << qPrintable(it.key());
    QStringList expectedFiles = before.keys();
    expectedFiles += c.outputs;
    expectedFiles.sort();
    EXPECT_EQ(filesBelow(root.path()), expectedFiles) << c.what;

    // Each output is its own input, denoised: the same size and close in colour.
    for (int i = 0; i < c.outputs.size(); ++i) {
        const QImage output(path(c.outputs[i]));
        ASSERT_FALSE(output.isNull()) << qPrintable(c.outputs[i]);
        ASSERT_EQ(output.size(), inputImages[i].size()) << qPrintable(c.outputs[i]);
        EXPECT_LT(meanDifference(output, inputImages[i], 0, output.height() - 1), 12.0)
            << qPrintable(c.outputs[i]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, BatchNamingTest,
    ::testing::Values(NamingCase{"one name from three folders",
                                 {"in1/a.jpg", "in2/a.jpg", "in3/a.jpg"},
                                 {},
                                 {},
                                 "out",
                                 {"out/a.jpg", "out/a_1.jpg", "out/a_2.jpg"}},
                      NamingCase{"the input folder as output folder",
                                 {"in/a.png", "in/b.bmp"},
                                 {},
                                 {},
                                 "in",
                                 {"in/a_1.png", "in/b_1.bmp"}},
                      NamingCase{"names taken before the run",
                                 {"in/a.png"},
                                 {"out/a.png", "out/a_1.png", "out/a_3.png"},
                                 {},
                                 "out",
                                 {"out/a_2.png"}},
                      NamingCase{"base name up to the first dot, suffix kept as it is",
                                 {"in/holiday.edit.jpg", "in/IMG.JPG", "in/x.tar.png"},
                                 {},
                                 {},
                                 "out",
                                 {"out/holiday.jpg", "out/IMG.JPG", "out/x.png"}},
                      NamingCase{"symbolic links are taken names, never followed",
                                 {"in/a.png", "in/b.png"},
                                 {"victim.png"},
                                 {"out/a.png=victim.png", "out/b.png=ghost.png"},
                                 "out",
                                 {"out/a_1.png", "out/b_1.png"}}));

TEST_F(BatchRunTest, TwoRunsIntoOneFolderAtOnceNeverShareAnOutput) {
    // Both runs look for free names in the same folder at the same time: each name must end up
    // with exactly one complete photo.
    QStringList inputs;
    for (int i = 0; i < 6; ++i)
        inputs.append(writePhoto(QStringLiteral("in%1/a.png").arg(i), testPicture(40, 30)));
    IQBatchThread first(inputs, strengths(50, 50, 0), path(QStringLiteral("out")));
    IQBatchThread second(inputs, strengths(50, 50, 0), path(QStringLiteral("out")));
    QSignalSpy firstDone(&first, &IQBatchThread::batchFinished);
    QSignalSpy secondDone(&second, &IQBatchThread::batchFinished);
    first.start();
    second.start();
    ASSERT_TRUE(first.wait(HangGuardMs));
    ASSERT_TRUE(second.wait(HangGuardMs));
    ASSERT_EQ(firstDone.count(), 1);
    ASSERT_EQ(secondDone.count(), 1);
    EXPECT_EQ(firstDone.at(0).at(0).toStringList(), inputs);
    EXPECT_EQ(secondDone.at(0).at(0).toStringList(), inputs);

    QStringList expected = {QStringLiteral("a.png")};
    for (int n = 1; n < 12; ++n)
        expected.append(QStringLiteral("a_%1.png").arg(n));
    expected.sort();
    EXPECT_EQ(filesBelow(path(QStringLiteral("out"))), expected);
    for (const QString& name : expected)
        EXPECT_EQ(QImage(path(QStringLiteral("out/") + name)).size(), QSize(40, 30))
            << qPrintable(name);
}

TEST_F(BatchRunTest, OddSizesKeepTheirSizeAndEveryRowOfThePhoto) {
    // Widths that the engine sees widened to 64, 64 and 1024; heights odd and even.
    const QSize sizes[] = {{45, 33}, {64, 31}, {1000, 9}, {37, 20}};
    QStringList inputs;
    QList<QImage> pictures;
    for (const QSize& size : sizes) {
        pictures.append(testPicture(size.width(), size.height()));
        inputs.append(writePhoto(
            QStringLiteral("in/p%1x%2.png").arg(size.width()).arg(size.height()), pictures.last()));
    }
    const RunResult result = runBatch(inputs, path(QStringLiteral("out")));
    ASSERT_EQ(result.finished, inputs);

    for (int i = 0; i < inputs.size(); ++i) {
        const QImage output(path(QStringLiteral("out/") + QFileInfo(inputs[i]).fileName()));
        ASSERT_EQ(output.size(), pictures[i].size()) << qPrintable(inputs[i]);
        const int last = output.height() - 1;
        // A smooth picture comes back nearly as it went in, its last row included (the engine
        // leaves the last row of an odd height alone).
        EXPECT_LT(meanDifference(output, pictures[i], 0, last), 15.0) << qPrintable(inputs[i]);
        EXPECT_LT(meanDifference(output, pictures[i], last, last), 25.0) << qPrintable(inputs[i]);
    }
}

TEST_F(BatchRunTest, FailedPhotosAreCountedInOrderAndLeaveNothingBehind) {
    const QStringList inputs = {
        writePhoto(QStringLiteral("in/good.png"), testPicture(40, 30)),
        writeBytes(QStringLiteral("in/broken.jpg"), "not a photo at all"),
        path(QStringLiteral("in/missing.png")),
        // Read fine, but Qt has no writer for the format.
        writeBytes(QStringLiteral("in/chelsea-small.gif"),
                   fileBytes(QStringLiteral(NR_TEST_DATA_DIR "/batch/chelsea-small.gif"))),
        writeBytes(QStringLiteral("in/empty.png"), QByteArray()),
        // A camera RAW file: no writer either.
        QStringLiteral(NR_TEST_DATA_DIR "/raw/IMG_1361.dng"),
        writePhoto(QStringLiteral("in/good2.jpg"), testPicture(33, 17)),
    };
    ASSERT_FALSE(QImage(inputs[3]).isNull());

    const RunResult result = runBatch(inputs, path(QStringLiteral("out")));

    EXPECT_EQ(result.finished, (QStringList{inputs[0], inputs[6]}));
    EXPECT_EQ(result.failed, (QStringList{inputs[1], inputs[2], inputs[3], inputs[4], inputs[5]}));
    EXPECT_EQ(result.progress, zeroTo(6));
    EXPECT_EQ(filesBelow(path(QStringLiteral("out"))), (QStringList{"good.png", "good2.jpg"}));
}

TEST_F(BatchRunTest, OutputFolderThatCannotBeWrittenFailsEveryPhotoAndCreatesNothing) {
    const QStringList inputs = {writePhoto(QStringLiteral("in/a.png"), testPicture(40, 30)),
                                writePhoto(QStringLiteral("in/b.png"), testPicture(40, 30))};
    const RunResult result = runBatch(inputs, path(QStringLiteral("nowhere")));
    EXPECT_TRUE(result.finished.isEmpty());
    EXPECT_EQ(result.failed, inputs);
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("nowhere"))));
}

TEST_F(BatchRunTest, APhotoClaimingMoreThanThePixelLimitFailsAndTheRunGoesOn) {
    // 16 x 16 pixels of data behind a header that claims 30000 x 30000: decoding it would take
    // gigabytes; the run must not even try.
    const QStringList inputs = {
        writePhoto(QStringLiteral("in/a.png"), testPicture(40, 30)),
        writeBytes(QStringLiteral("in/lying.jpg"),
                   photofixtures::jpegClaiming(QSize(30000, 30000))),
        writePhoto(QStringLiteral("in/b.jpg"), testPicture(33, 17)),
    };
    const RunResult result = runBatch(inputs, path(QStringLiteral("out")));
    EXPECT_EQ(result.finished, (QStringList{inputs[0], inputs[2]}));
    EXPECT_EQ(result.failed, QStringList{inputs[1]});
    EXPECT_EQ(result.progress, zeroTo(2));
    EXPECT_EQ(filesBelow(path(QStringLiteral("out"))), (QStringList{"a.png", "b.jpg"}));
}

TEST_F(BatchRunTest, PathsThatAreNoRegularFilesFailUnopenedAndThePhotosAfterThemAreWritten) {
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("in"))));
    photofixtures::UnwrittenFifo fifo(path(QStringLiteral("in/fifo.png")));
    ASSERT_TRUE(fifo.isValid());
    ASSERT_TRUE(photofixtures::makeSocketFile(path(QStringLiteral("in/socket.jpg"))));
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("in/folder.png"))));
    const QString photo = writePhoto(QStringLiteral("in/photo.png"), testPicture(40, 30));
    ASSERT_TRUE(QFile::link(photo, path(QStringLiteral("in/link.png"))));
    const QStringList inputs = {
        path(QStringLiteral("in/fifo.png")),   path(QStringLiteral("in/socket.jpg")),
        path(QStringLiteral("in/folder.png")), photo,
        path(QStringLiteral("in/link.png")), // a link to a photo is that photo
    };
    const RunResult result = runBatch(inputs, path(QStringLiteral("out")));
    EXPECT_EQ(result.failed, inputs.mid(0, 3));
    EXPECT_EQ(result.finished, inputs.mid(3));
    EXPECT_EQ(result.progress, zeroTo(4));
    EXPECT_EQ(filesBelow(path(QStringLiteral("out"))), (QStringList{"link.png", "photo.png"}));
    EXPECT_FALSE(fifo.wasOpened());
}

TEST_F(BatchRunTest, ATranslucentPhotoOfOddWidthKeepsItsColour) {
    // Widened from 45 to 64 pixels for the engine. The engine sees no alpha, so the output is
    // opaque; its colour must be the straight colour, as for an opaque photo of that colour,
    // not the colour times its alpha (200, 100, 50 at alpha 128 is not 100, 50, 25).
    const QRgb colours[] = {qRgba(200, 100, 50, 128), qRgba(40, 180, 220, 64),
                            qRgba(200, 100, 50, 255), qRgba(40, 180, 220, 255)};
    QStringList inputs;
    for (int i = 0; i < 4; ++i) {
        QImage photo(45, 20, QImage::Format_ARGB32);
        photo.fill(colours[i]);
        inputs.append(writePhoto(QStringLiteral("in/p%1.png").arg(i), photo));
    }
    // Strength 0 everywhere: the denoiser then leaves a flat picture as it is.
    const RunResult result = runBatch(inputs, path(QStringLiteral("out")), strengths(0, 0, 0));
    ASSERT_EQ(result.finished, inputs);

    QList<QImage> outputs;
    for (int i = 0; i < 4; ++i) {
        outputs.append(QImage(path(QStringLiteral("out/p%1.png").arg(i)))
                           .convertToFormat(QImage::Format_ARGB32));
        ASSERT_EQ(outputs.last().size(), QSize(45, 20));
    }
    for (int i = 0; i < 2; ++i) {
        const QRgb straight = colours[i];
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 45; ++x) {
                const QRgb translucent = outputs[i].pixel(x, y);
                const QRgb opaque = outputs[i + 2].pixel(x, y);
                SCOPED_TRACE(testing::Message() << "photo " << i << " at " << x << "," << y);
                // Against the opaque photo: only the 8-bit premultiplication of the widening
                // may move a channel (up to 255 / alpha / 2 steps: 1 at 128, 2 at 64).
                ASSERT_NEAR(qRed(translucent), qRed(opaque), 2);
                ASSERT_NEAR(qGreen(translucent), qGreen(opaque), 2);
                ASSERT_NEAR(qBlue(translucent), qBlue(opaque), 2);
                // Against the straight colour: the trip through 8-bit YUV.
                ASSERT_NEAR(qRed(translucent), qRed(straight), 4);
                ASSERT_NEAR(qGreen(translucent), qGreen(straight), 4);
                ASSERT_NEAR(qBlue(translucent), qBlue(straight), 4);
            }
    }
}

TEST_F(BatchRunTest, JpegOutputsAreWrittenAtQuality95AndPngAtTheWritersDefault) {
    const QStringList inputs = {writePhoto(QStringLiteral("in/a.jpg"), testPicture(40, 30)),
                                writePhoto(QStringLiteral("in/b.JPEG"), testPicture(40, 30)),
                                writePhoto(QStringLiteral("in/c.png"), testPicture(40, 30))};
    const RunResult result = runBatch(inputs, path(QStringLiteral("out")));
    ASSERT_EQ(result.finished, inputs);

    // The quantisation tables say the quality a JPEG was written at.
    const QByteArray at95 = photofixtures::quantisationTables(photofixtures::smallJpeg(95));
    ASSERT_FALSE(at95.isEmpty());
    ASSERT_NE(at95, photofixtures::quantisationTables(photofixtures::smallJpeg()));
    for (const char* name : {"out/a.jpg", "out/b.JPEG"})
        EXPECT_EQ(photofixtures::quantisationTables(fileBytes(path(QString::fromLatin1(name)))),
                  at95)
            << name;

    // The PNG is what Qt's writer makes of those pixels with its own settings.
    const QByteArray png = fileBytes(path(QStringLiteral("out/c.png")));
    QImage decoded;
    ASSERT_TRUE(decoded.loadFromData(png));
    EXPECT_EQ(png, pngBytes(decoded));
}

// Keeps this process from growing any file past a limit (writes beyond it fail with EFBIG).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous);
        rlimit limited = previous;
        limited.rlim_cur = bytes;
        active = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);
    }
    bool isActive() const { return active; }

private:
    rlimit previous{};
    void (*previousHandler)(int) = nullptr;
    bool active = false;
};

TEST_F(BatchRunTest, FailedWriteRemovesItsOwnPartialFile) {
    // A BMP of 256 x 256 pixels is far larger than the limit; the small one is not. (BMP: Qt's
    // PNG and JPEG writers lose a buffer when the device fails under them.)
    const QImage big = testPicture(256, 256);
    const QImage small = testPicture(32, 8);
    const QStringList inputs = {writePhoto(QStringLiteral("in/big.bmp"), big),
                                writePhoto(QStringLiteral("in/small.bmp"), small)};
    RunResult result;
    {
        FileSizeLimit limit(16 * 1024);
        ASSERT_TRUE(limit.isActive());
        result = runBatch(inputs, path(QStringLiteral("out")), strengths(0, 0, 0));
    }
    EXPECT_EQ(result.failed, QStringList{inputs[0]});
    EXPECT_EQ(result.finished, QStringList{inputs[1]});
    EXPECT_EQ(filesBelow(path(QStringLiteral("out"))), QStringList{"small.bmp"});
}

TEST_F(BatchRunTest, OutputOfANoisyPhotoIsCloserToTheCleanPhoto) {
    const QImage clean(QStringLiteral(NR_TEST_DATA_DIR "/photos/chelsea.png"));
    ASSERT_FALSE(clean.isNull());
    const QImage noisy = withNoise(clean, 20.0, 2024);
    const QString input = writePhoto(QStringLiteral("in/chelsea.png"), noisy);

    const RunResult result = runBatch({input}, path(QStringLiteral("out")), strengths(50, 50, 0));
    ASSERT_EQ(result.finished, QStringList{input});

    const QImage output(path(QStringLiteral("out/chelsea.png")));
    ASSERT_EQ(output.size(), clean.size());
    const double before = psnr(noisy, clean);
    const double after = psnr(output, clean);
    std::cout << "PSNR noisy " << before << " dB, batch output " << after << " dB\n";
    EXPECT_GT(after, before + 1.0);
}

// The dialog, driven as a user drives it.
class BatchDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        useTemporaryHome();
        initApplicationStatics();
        ASSERT_TRUE(translator.load(QStringLiteral(":/qm/denoise_en.qm")));
        QCoreApplication::installTranslator(&translator);
        ASSERT_TRUE(folder.isValid());
        QDir(folder.path()).mkdir(QStringLiteral("out"));
        dialog = std::make_unique<IQBatchDenoiseDialog>();
        frame = dialog->batchFrame();
        list = frame->findChild<QListWidget*>(QStringLiteral("tileListView"));
        addButton = frame->findChild<QPushButton*>(QStringLiteral("addPhotoButn"));
        removeButton = frame->findChild<QPushButton*>(QStringLiteral("removePhotoButn"));
        startButton = frame->findChild<QPushButton*>(QStringLiteral("startButn"));
        ASSERT_TRUE(list && addButton && removeButton && startButton);
        dialog->show();
    }
    void TearDown() override {
        blocking.reset();
        dialog.reset();
        QCoreApplication::removeTranslator(&translator);
    }

    QString path(const QString& name) const { return folder.filePath(name); }

    void addPhotos(const QStringList& names) {
        onModal<QFileDialog>([this, names](QFileDialog* fileDialog) {
            chooseFiles(fileDialog, folder.path(), names);
        });
        QTest::mouseClick(addButton, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor(
            [this] {
                for (int row = 0; row < list->count(); ++row)
                    if (list->item(row)->icon().isNull())
                        return false;
                return true;
            },
            HangGuardMs));
    }

    QSlider* slider(const char* name) const {
        return frame->findChild<QSlider*>(QString::fromLatin1(name));
    }
    QString labelText(const char* name) const {
        return frame->findChild<QLabel*>(QString::fromLatin1(name))->text();
    }

    QTranslator translator;
    QTemporaryDir folder;
    std::unique_ptr<IQBatchDenoiseDialog> dialog;
    std::unique_ptr<BlockingPhoto> blocking;
    IQBatchDenoiseFrame* frame = nullptr;
    QListWidget* list = nullptr;
    QPushButton* addButton = nullptr;
    QPushButton* removeButton = nullptr;
    QPushButton* startButton = nullptr;
};

TEST_F(BatchDialogTest, NewDialogIsEmptyWithEveryStrengthAtZero) {
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Batch"));
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
    EXPECT_EQ(dialog->minimumSize(), QSize(640, 480));
    EXPECT_FALSE(dialog->windowFlags() & Qt::WindowContextHelpButtonHint);
    EXPECT_EQ(list->count(), 0);
    EXPECT_TRUE(addButton->isEnabled());
    EXPECT_FALSE(removeButton->isEnabled());
    EXPECT_FALSE(startButton->isEnabled());
    EXPECT_EQ(addButton->text(), QStringLiteral("Add Photos"));
    EXPECT_EQ(startButton->text(), QStringLiteral("Start"));
    EXPECT_TRUE(frame->denoiseParams().isDefault());
    for (const char* name : {"luminanceValueLabel", "chrominanceVauleLabel", "sharpnessVauleLabel"})
        EXPECT_EQ(labelText(name), QStringLiteral("0")) << name;
}

TEST_F(BatchDialogTest, SlidersShowTheirValuesAndKeepThemForTheNextStart) {
    slider("luminanceSlider")->setValue(35);
    slider("chrominanceSlider")->setValue(70);
    slider("sharpnessSlider")->setValue(5);
    EXPECT_EQ(labelText("luminanceValueLabel"), QStringLiteral("35"));
    EXPECT_EQ(labelText("chrominanceVauleLabel"), QStringLiteral("70"));
    EXPECT_EQ(labelText("sharpnessVauleLabel"), QStringLiteral("5"));
    EXPECT_EQ(frame->denoiseParams().luminance, 35);
    EXPECT_EQ(frame->denoiseParams().chrominance, 70);
    EXPECT_EQ(frame->denoiseParams().sharpness, 5);

    frame->resetSliders();
    EXPECT_EQ(slider("luminanceSlider")->value(), 0);
    EXPECT_EQ(labelText("chrominanceVauleLabel"), QStringLiteral("0"));
    EXPECT_TRUE(frame->denoiseParams().isDefault());
}

TEST_F(BatchDialogTest, CancelledFolderChoiceStartsNothing) {
    ASSERT_TRUE(testPicture(40, 30).save(path(QStringLiteral("a.png"))));
    addPhotos({QStringLiteral("a.png")});
    const QString batchDirBefore = lastBatchDir(appSettings());

    onModal<QFileDialog>([](QFileDialog* fileDialog) { fileDialog->reject(); });
    QTest::mouseClick(startButton, Qt::LeftButton);

    EXPECT_FALSE(frame->isBusy());
    EXPECT_TRUE(frame->findChildren<QProgressDialog*>().isEmpty());
    EXPECT_TRUE(filesBelow(path(QStringLiteral("out"))).isEmpty());
    EXPECT_EQ(lastBatchDir(appSettings()), batchDirBefore);
    EXPECT_TRUE(startButton->isEnabled());
    EXPECT_TRUE(dialog->close());
}

TEST_F(BatchDialogTest, RunRefusesEscapeAndCloseUntilItsSummaryIsDismissed) {
    ASSERT_TRUE(testPicture(40, 30).save(path(QStringLiteral("first.png"))));
    ASSERT_TRUE(testPicture(45, 33).save(path(QStringLiteral("a.png"))));
    ASSERT_TRUE(testPicture(30, 21).save(path(QStringLiteral("b.jpg"))));
    addPhotos({QStringLiteral("first.png"), QStringLiteral("a.png"), QStringLiteral("b.jpg")});
    // Once its thumbnail is made, the first photo becomes one whose read waits for the test: the
    // run stays on it while the test tries to stop it. Released empty, it then fails.
    ASSERT_TRUE(QFile::remove(path(QStringLiteral("first.png"))));
    blocking = std::make_unique<BlockingPhoto>(path(QStringLiteral("first.png")));
    ASSERT_TRUE(blocking->isValid());
    slider("luminanceSlider")->setValue(50);
    slider("chrominanceSlider")->setValue(50);

    // Whatever goes wrong, the run is let go so that the test ends.
    BlockingPhoto* stuck = blocking.get();
    QTimer::singleShot(HangGuardMs, dialog.get(), [stuck] { stuck->release(QByteArray()); });

    bool progressChecked = false;
    bool summaryChecked = false;
    onModal<QFileDialog>(
        [this](QFileDialog* fileDialog) { chooseFolder(fileDialog, path(QStringLiteral("out"))); });
    onModal<QProgressDialog>([&](QProgressDialog* progress) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return blocking->readerIsWaiting(); }, HangGuardMs));
        EXPECT_TRUE(frame->isBusy());
        EXPECT_FALSE(addButton->isEnabled());
        EXPECT_FALSE(removeButton->isEnabled());
        EXPECT_FALSE(startButton->isEnabled());
        EXPECT_EQ(progress->maximum(), 3);
        EXPECT_EQ(progress->labelText(), QStringLiteral("Processing..."));

        // Escape as the window system delivers it, then as a key event to the widget.
        QTest::keyClick(progress->windowHandle(), Qt::Key_Escape);
        QTest::keyClick(progress, Qt::Key_Escape);
        QTest::qWait(0);
        EXPECT_TRUE(progress->isVisible());
        EXPECT_FALSE(progress->close());
        EXPECT_TRUE(progress->isVisible());

        // The batch dialog behind it refuses too: closing, Escape and reject.
        EXPECT_FALSE(dialog->close());
        QTest::keyClick(dialog.get(), Qt::Key_Escape);
        dialog->reject();
        QTest::qWait(0);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_TRUE(progress->isVisible());
        progressChecked = true;
        blocking->release(QByteArray());
    });
    onModal<QMessageBox>([&](QMessageBox* summary) {
        EXPECT_EQ(summary->windowTitle(), QGuiApplication::applicationDisplayName());
        EXPECT_EQ(summary->text(), QStringLiteral("Process finished. 2 successed, 1 failed."));
        EXPECT_TRUE(frame->isBusy());
        EXPECT_FALSE(dialog->close());
        summaryChecked = true;
        summary->button(QMessageBox::Ok)->click();
    });
    QTest::mouseClick(startButton, Qt::LeftButton);

    EXPECT_TRUE(progressChecked);
    EXPECT_TRUE(summaryChecked);
    EXPECT_FALSE(frame->isBusy());
    for (QProgressDialog* progress : frame->findChildren<QProgressDialog*>())
        EXPECT_FALSE(progress->isVisible());
    EXPECT_EQ(filesBelow(path(QStringLiteral("out"))), (QStringList{"a.png", "b.jpg"}));
    EXPECT_EQ(lastBatchDir(appSettings()), path(QStringLiteral("out")));
    EXPECT_TRUE(addButton->isEnabled());
    EXPECT_TRUE(startButton->isEnabled());
    EXPECT_TRUE(dialog->close());
}

} // namespace
