// The camera-RAW image-format plugin, on DNG files written by the tests and on real camera files.
#include "qrawplugin.h"
#include "rawiohandler.h"
#include "rawiohandler_p.h"
#include "rawtestsupport.h"
#include "registerrawplugin.h"
#include "tinydng.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

class RawPlugin : public ::testing::Test {
protected:
    void SetUp() override { registerRawPlugin(); }
};

// A 64 x 48 sensor with a red top-left quadrant, stored with the given orientation.
TinyDng sensorDng(int orientation) {
    TinyDng dng;
    dng.scene = redCornerPicture(64, 48);
    dng.orientation = orientation;
    return dng;
}

// A file whose grey sensor picture differs from its 32 x 24 preview (red top-left quadrant on
// grey), so what comes out shows which of the two was used.
TinyDng previewDng(TinyDng::Preview kind, int orientation) {
    TinyDng dng;
    dng.scene = QImage(64, 48, QImage::Format_RGB32);
    dng.scene.fill(QColor(110, 110, 110));
    dng.previewKind = kind;
    dng.preview = redCornerPicture(32, 24);
    dng.orientation = orientation;
    return dng;
}

// Reads bytes the way the application does, through QImageReader with the "dng" format.
QImage readThroughQt(const QByteArray& bytes, QSize scaledSize = QSize()) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "dng");
    if (scaledSize.isValid())
        reader.setScaledSize(scaledSize);
    return reader.read();
}

// Reads bytes through the handler itself, to see what read() reports.
bool readWithHandler(const QByteArray& bytes, QSize scaledSize, QImage* image) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    RawIOHandler handler;
    handler.setDevice(&buffer);
    if (scaledSize.isValid())
        handler.setOption(QImageIOHandler::ScaledSize, scaledSize);
    return handler.read(image);
}

bool alphaOpaqueEverywhere(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(line[x]) != 255)
                return false;
    }
    return true;
}

// A QBuffer that claims to be a stream (as a socket or pipe would).
class SequentialBuffer : public QBuffer {
public:
    bool isSequential() const override { return true; }
};

// --- Plugin capabilities --------------------------------------------------------------------

enum class DeviceKind { None, Raw, RawNotOpen, Png };

struct CapabilityCase {
    QByteArray format;
    DeviceKind device;
    bool canRead;
};

TEST_F(RawPlugin, CapabilitiesFollowTheSuffixListOrTheContents) {
    const QByteArray raw = makeTinyDng(sensorDng(1));
    QByteArray png;
    {
        QBuffer out(&png);
        out.open(QIODevice::WriteOnly);
        redCornerPicture(8, 8).save(&out, "PNG");
    }
    const CapabilityCase cases[] = {
        {"cr2", DeviceKind::None, true},
        {"dng", DeviceKind::None, true},
        {"nef", DeviceKind::None, true},
        {"tiff", DeviceKind::None, true},
        {"tif", DeviceKind::None, true},
        {"CR2", DeviceKind::None, false},
        {"png", DeviceKind::None, false},
        {"png", DeviceKind::Raw, false}, // a named format is not checked against the contents
        {"cr2", DeviceKind::Png, true},
        {QByteArray("orf\0tail", 8), DeviceKind::None, true},
        {QByteArray("\0dng", 4), DeviceKind::Raw, true}, // empty up to the zero: by contents
        {"", DeviceKind::Raw, true},
        {"", DeviceKind::RawNotOpen, false},
        {"", DeviceKind::None, false},
        {"", DeviceKind::Png, false},
    };
    QRawPlugin plugin;
    for (const CapabilityCase& c : cases) {
        QBuffer buffer;
        buffer.setData(c.device == DeviceKind::Png ? png : raw);
        if (c.device == DeviceKind::Raw || c.device == DeviceKind::Png)
            buffer.open(QIODevice::ReadOnly);
        QIODevice* device = c.device == DeviceKind::None ? nullptr : &buffer;
        const auto expected = c.canRead ? QImageIOPlugin::CanRead : QImageIOPlugin::Capabilities();
        EXPECT_EQ(plugin.capabilities(device, c.format), expected)
            << "format '" << c.format.toStdString() << "', device kind " << int(c.device);
        if (device && buffer.isOpen()) {
            EXPECT_EQ(buffer.pos(), 0) << "probing moved the device";
        }
    }
}

TEST_F(RawPlugin, CreateGivesAHandlerOnTheDeviceAndFormat) {
    QRawPlugin plugin;
    QBuffer buffer;
    std::unique_ptr<QImageIOHandler> handler(plugin.create(&buffer, "cr2"));
    ASSERT_TRUE(handler);
    EXPECT_EQ(handler->device(), &buffer);
    EXPECT_EQ(handler->format(), QByteArray("cr2"));
}

TEST_F(RawPlugin, RegisteredReadersKnowTheRawFormatsAndMimeTypes) {
    registerRawPlugin(); // a second registration changes nothing
    const QList<QByteArray> formats = QImageReader::supportedImageFormats();
    for (const char* key : {"crw", "cr2", "cr3", "arw", "sr2", "srf", "orf", "nef", "dng"}) {
        EXPECT_EQ(formats.count(key), 1) << key;
    }
    const QList<QByteArray> mimeTypes = QImageReader::supportedMimeTypes();
    for (const char* type : {"image/x-canon-crw", "image/x-canon-cr2", "image/x-canon-cr3",
                             "image/x-sony-arw", "image/x-sony-sr2", "image/x-sony-srf",
                             "image/x-olympus-orf", "image/x-nikon-nef", "image/x-adobe-dng"}) {
        EXPECT_TRUE(mimeTypes.contains(type)) << type;
    }
}

// --- Handler options ------------------------------------------------------------------------

TEST_F(RawPlugin, OptionsWithoutTouchingTheDevice) {
    RawIOHandler handler; // no device at all
    EXPECT_EQ(handler.option(QImageIOHandler::ImageFormat).toInt(), int(QImage::Format_RGB32));
    EXPECT_EQ(handler.option(QImageIOHandler::ScaledSize).toSize(), QSize(-1, -1));
    EXPECT_EQ(handler.option(QImageIOHandler::Size).toSize(), QSize(-1, -1));
    EXPECT_FALSE(handler.option(QImageIOHandler::Quality).isValid());
    handler.setOption(QImageIOHandler::ScaledSize, QSize(200, 150));
    EXPECT_EQ(handler.option(QImageIOHandler::ScaledSize).toSize(), QSize(200, 150));

    for (int o = QImageIOHandler::Size; o <= QImageIOHandler::ImageTransformation; ++o) {
        const auto option = QImageIOHandler::ImageOption(o);
        const bool expected = option == QImageIOHandler::Size ||
                              option == QImageIOHandler::ScaledSize ||
                              option == QImageIOHandler::ImageFormat;
        EXPECT_EQ(handler.supportsOption(option), expected) << "option " << o;
    }
}

TEST_F(RawPlugin, CanReadNamesTheFormatRawAndRefusesOtherFiles) {
    QBuffer buffer;
    buffer.setData(makeTinyDng(sensorDng(1)));
    buffer.open(QIODevice::ReadOnly);
    RawIOHandler handler;
    handler.setDevice(&buffer);
    handler.setFormat("dng");
    EXPECT_TRUE(handler.canRead());
    EXPECT_EQ(handler.format(), QByteArray("raw"));

    EXPECT_FALSE(RawIOHandler::canRead(nullptr));
    QBuffer garbage;
    garbage.setData(QByteArray(4000, 'x'));
    garbage.open(QIODevice::ReadOnly);
    handler.setDevice(&garbage);
    handler.setFormat("dng");
    EXPECT_FALSE(handler.canRead());
    EXPECT_EQ(handler.format(), QByteArray("dng"));
}

TEST_F(RawPlugin, AFailedOpenPutsTheDeviceBackWhereItWas) {
    QBuffer buffer;
    buffer.setData(readTestData("raw/Canon-R6-pruned.CR3"));
    ASSERT_GT(buffer.size(), 0);
    buffer.open(QIODevice::ReadOnly);
    buffer.seek(7);
    RawIOHandler handler;
    handler.setDevice(&buffer);
    EXPECT_EQ(handler.option(QImageIOHandler::Size).toSize(), QSize(-1, -1));
    EXPECT_EQ(buffer.pos(), 7);
    QImage image;
    EXPECT_FALSE(handler.read(&image));
    EXPECT_EQ(buffer.pos(), 7);
    EXPECT_FALSE(RawIOHandler::canRead(&buffer));
    EXPECT_EQ(buffer.pos(), 7);
}

TEST_F(RawPlugin, SequentialDevicesAreRefused) {
    SequentialBuffer stream;
    stream.setData(makeTinyDng(sensorDng(1)));
    stream.open(QIODevice::ReadOnly);
    EXPECT_FALSE(RawIOHandler::canRead(&stream));
    RawIOHandler handler;
    handler.setDevice(&stream);
    EXPECT_EQ(handler.option(QImageIOHandler::Size).toSize(), QSize(-1, -1));
    QImage image;
    EXPECT_FALSE(handler.read(&image));
    EXPECT_EQ(stream.pos(), 0);
}

// --- Decoding the sensor data ---------------------------------------------------------------

struct OrientationCase {
    int orientation;  // TIFF Orientation tag
    QSize size;       // upright size of the 64 x 48 sensor
    Corner redCorner; // where the sensor's top-left quadrant ends up
};

const OrientationCase orientationCases[] = {
    {1, QSize(64, 48), Corner::TopLeft},
    {3, QSize(64, 48), Corner::BottomRight},
    {6, QSize(48, 64), Corner::TopRight},
    {8, QSize(48, 64), Corner::BottomLeft},
};

TEST_F(RawPlugin, SensorDataDecodesUprightAtTheReportedSize) {
    for (const OrientationCase& c : orientationCases) {
        SCOPED_TRACE(testing::Message() << "orientation " << c.orientation);
        TinyDng dng = sensorDng(c.orientation);
        dng.previewKind = TinyDng::Preview::Rgb; // a preview too small to be used
        dng.preview = QImage(16, 12, QImage::Format_RGB32);
        dng.preview.fill(Qt::blue);
        QBuffer buffer;
        buffer.setData(makeTinyDng(dng));
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "dng");
        EXPECT_EQ(reader.size(), c.size);

        DebugLog log;
        const QImage image = reader.read();
        ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
        EXPECT_TRUE(log.lines().contains("Decoding raw data"));
        EXPECT_FALSE(log.lines().contains("Using thumbnail"));
        EXPECT_EQ(image.size(), c.size);
        EXPECT_EQ(image.format(), QImage::Format_RGB32);
        EXPECT_TRUE(alphaOpaqueEverywhere(image));
        EXPECT_EQ(redCorner(image), c.redCorner)
            << "red corner at " << cornerName(redCorner(image));
    }
}

TEST_F(RawPlugin, EveryReadOfOneHandlerDecodesAgain) {
    QBuffer buffer;
    buffer.setData(makeTinyDng(sensorDng(6)));
    buffer.open(QIODevice::ReadOnly);
    RawIOHandler handler;
    handler.setDevice(&buffer);
    EXPECT_EQ(handler.option(QImageIOHandler::Size).toSize(), QSize(48, 64));
    QImage first, second;
    ASSERT_TRUE(handler.read(&first));
    ASSERT_TRUE(handler.read(&second));
    EXPECT_EQ(first.size(), QSize(48, 64));
    EXPECT_EQ(first, second);
    // A smaller size asked for afterwards is scaled from a fresh decode.
    handler.setOption(QImageIOHandler::ScaledSize, QSize(24, 32));
    QImage third;
    ASSERT_TRUE(handler.read(&third));
    EXPECT_EQ(third.size(), QSize(24, 32));
    EXPECT_EQ(redCorner(third), Corner::TopRight);
}

// --- Embedded previews ----------------------------------------------------------------------

TEST_F(RawPlugin, APreviewLargerThanTheTargetIsUsedTurnedUprightAndScaledExactly) {
    for (TinyDng::Preview kind : {TinyDng::Preview::Rgb, TinyDng::Preview::Jpeg}) {
        for (const OrientationCase& c : orientationCases) {
            SCOPED_TRACE(testing::Message()
                         << (kind == TinyDng::Preview::Rgb ? "RGB" : "JPEG") << " preview, "
                         << "orientation " << c.orientation);
            const QByteArray file = makeTinyDng(previewDng(kind, c.orientation));
            // Half the upright preview, then a size that ignores its aspect ratio.
            for (const QSize target : {c.size / 4, QSize(20, 15)}) {
                DebugLog log;
                const QImage image = readThroughQt(file, target);
                ASSERT_FALSE(image.isNull());
                EXPECT_TRUE(log.lines().contains("Using thumbnail"));
                EXPECT_FALSE(log.lines().contains("Decoding raw data"));
                EXPECT_EQ(image.size(), target);
                EXPECT_TRUE(alphaOpaqueEverywhere(image));
                EXPECT_EQ(redCorner(image), c.redCorner)
                    << "red corner at " << cornerName(redCorner(image));
            }
        }
    }
}

TEST_F(RawPlugin, APreviewNotLargerThanTheTargetLeavesItToTheSensorData) {
    // The preview is 32 x 24 stored; 32 x 24 asked for is not smaller in either direction.
    DebugLog log;
    const QImage image =
        readThroughQt(makeTinyDng(previewDng(TinyDng::Preview::Jpeg, 1)), QSize(32, 24));
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(log.lines().contains("Decoding raw data"));
    EXPECT_EQ(image.size(), QSize(32, 24));
    EXPECT_EQ(redCorner(image), Corner::None); // the grey sensor picture, not the preview
}

TEST_F(RawPlugin, BrokenPreviewsAndEmptyTargetsFailWithoutAnImage) {
    struct Case {
        const char* what;
        TinyDng dng;
        QSize target;
    };
    TinyDng cutJpeg = previewDng(TinyDng::Preview::Jpeg, 6);
    cutJpeg.previewBytesKept = 200;
    TinyDng cutRgb = previewDng(TinyDng::Preview::Rgb, 6);
    cutRgb.previewBytesKept = 100; // LibRaw hands over 100 bytes for a 32 x 24 x 3 bitmap
    const Case cases[] = {
        {"cut-off JPEG preview", cutJpeg, QSize(12, 16)},
        {"cut-off RGB preview", cutRgb, QSize(12, 16)},
        {"zero width", previewDng(TinyDng::Preview::Rgb, 1), QSize(0, 12)},
        {"zero height", previewDng(TinyDng::Preview::Jpeg, 1), QSize(16, 0)},
        {"zero size", sensorDng(1), QSize(0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QImage image(3, 3, QImage::Format_RGB32);
        image.fill(Qt::green);
        const QImage before = image;
        EXPECT_FALSE(readWithHandler(makeTinyDng(c.dng), c.target, &image));
        EXPECT_EQ(image, before);
    }
}

// --- Real camera files ----------------------------------------------------------------------

TEST_F(RawPlugin, RealCameraFilesGiveTheirSizeOrFailCleanly) {
    struct Case {
        const char* file;
        bool opens;
        QSize size;
    };
    const Case cases[] = {
        // Flip 6: width and height swapped. Its preview is unreadable, which fails the read.
        {"raw/IMG_1361.dng", true, QSize(3024, 4032)},
        // Truncated: the header opens, unpacking the sensor data fails.
        {"raw/exiv2-canon-powershot-s40.crw", true, QSize(2312, 1720)},
        // Not supported by LibRaw.
        {"raw/Canon-R6-pruned.CR3", false, QSize(-1, -1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const QByteArray bytes = readTestData(c.file);
        ASSERT_FALSE(bytes.isEmpty());
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        EXPECT_EQ(RawIOHandler::canRead(&buffer), c.opens);
        RawIOHandler handler;
        handler.setDevice(&buffer);
        EXPECT_EQ(handler.option(QImageIOHandler::Size).toSize(), c.size);
        QImage image;
        EXPECT_FALSE(handler.read(&image));
        EXPECT_TRUE(image.isNull());

        // The same through a reader on a file with its own suffix.
        QImageReader reader(testDataPath(c.file));
        EXPECT_EQ(reader.size(), c.size);
        EXPECT_TRUE(reader.read().isNull());
        EXPECT_NE(reader.error(), QImageReader::UnknownError); // an error is reported
    }
}

TEST_F(RawPlugin, GarbageWithARawSuffixFailsCleanly) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QByteArray noise(20000, '\0');
    quint32 state = 12345;
    for (char& b : noise) {
        state = state * 1664525u + 1013904223u;
        b = char(state >> 24);
    }
    // A real DNG cut after its header: the sensor data is missing.
    const QByteArray cut = makeTinyDng(sensorDng(1)).left(700);
    const struct {
        const char* name;
        QByteArray bytes;
    } files[] = {
        {"noise.cr2", noise},
        {"empty.dng", QByteArray()},
        {"tiff-header.nef", "II*\0\x08\0\0\0"},
        {"cut.dng", cut},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.name);
        const QString path = dir.filePath(f.name);
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(f.bytes);
        out.close();
        QImageReader reader(path);
        EXPECT_TRUE(reader.read().isNull());
        EXPECT_NE(reader.error(), QImageReader::UnknownError); // an error is reported
        QImage image;
        EXPECT_FALSE(readWithHandler(f.bytes, QSize(), &image));
        EXPECT_TRUE(image.isNull());
    }
}

TEST_F(RawPlugin, ARawFileIsRecognisedByItsContentsUnderAnyName) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("photo.bin");
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(makeTinyDng(sensorDng(6)));
    out.close();
    QImageReader reader(path);
    const QImage image = reader.read();
    EXPECT_EQ(image.size(), QSize(48, 64));
    EXPECT_EQ(redCorner(image), Corner::TopRight);
}

TEST_F(RawPlugin, OtherFilesStillReadWhileThePluginProbesThem) {
    // A PNG under a name no handler claims is offered to every handler by contents.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("picture.bin");
    ASSERT_TRUE(redCornerPicture(10, 6).save(path, "PNG"));
    QImageReader reader(path);
    const QImage image = reader.read();
    ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
    EXPECT_EQ(image.convertToFormat(QImage::Format_RGB32), redCornerPicture(10, 6));
}

// --- Threads --------------------------------------------------------------------------------

TEST_F(RawPlugin, DecodesOnSeveralThreadsAtOnceGiveTheSameImages) {
    struct Job {
        QByteArray file;
        QSize target;
        QImage expected;
    };
    std::vector<Job> jobs = {
        {makeTinyDng(sensorDng(1)), QSize(), {}},
        {makeTinyDng(sensorDng(6)), QSize(), {}},
        {makeTinyDng(previewDng(TinyDng::Preview::Jpeg, 8)), QSize(12, 16), {}},
        {makeTinyDng(previewDng(TinyDng::Preview::Rgb, 6)), QSize(12, 16), {}},
        {readTestData("raw/exiv2-canon-powershot-s40.crw"), QSize(), {}}, // fails
        {readTestData("raw/Canon-R6-pruned.CR3"), QSize(), {}},           // fails
    };
    for (Job& job : jobs)
        job.expected = readThroughQt(job.file, job.target);
    ASSERT_FALSE(jobs[0].expected.isNull());
    ASSERT_FALSE(jobs[3].expected.isNull());

    constexpr int threadCount = 6;
    constexpr int rounds = 4;
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < rounds; ++round)
                for (size_t i = 0; i < jobs.size(); ++i) {
                    const Job& job = jobs[(i + t) % jobs.size()]; // threads start apart
                    if (readThroughQt(job.file, job.target) != job.expected)
                        ++mismatches;
                }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(mismatches.load(), 0);
}

// --- Bitmaps from LibRaw --------------------------------------------------------------------

TEST(RawBitmap, SamplesBecomeOpaqueRgb32Pixels) {
    // Two pixels of three 8-bit samples, then the same picture with 16-bit samples whose low
    // bytes are noise: only the high bytes count.
    const uchar rgb8[] = {10, 20, 30, 200, 150, 100};
    const quint16 rgb16[] = {0x0aff, 0x1401, 0x1e80, 0xc87f, 0x9600, 0x64fe};
    const uchar grey8[] = {7, 250};
    const uchar four8[] = {1, 2, 3, 4, 5, 6, 7, 8};
    struct Case {
        const char* what;
        int colors, bits;
        const uchar* data;
        quint64 size;
        QRgb first, second;
    } cases[] = {
        {"8-bit RGB", 3, 8, rgb8, sizeof rgb8, qRgb(10, 20, 30), qRgb(200, 150, 100)},
        {"16-bit RGB", 3, 16, reinterpret_cast<const uchar*>(rgb16), sizeof rgb16, qRgb(10, 20, 30),
         qRgb(200, 150, 100)},
        {"grey", 1, 8, grey8, sizeof grey8, qRgb(7, 7, 7), qRgb(250, 250, 250)},
        {"four colours", 4, 8, four8, sizeof four8, qRgb(1, 1, 1), qRgb(5, 5, 5)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QImage image = RawImage::fromBitmap(2, 1, c.colors, c.bits, c.data, c.size);
        ASSERT_EQ(image.size(), QSize(2, 1));
        EXPECT_EQ(image.format(), QImage::Format_RGB32);
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(0));
        EXPECT_EQ(line[0], c.first);
        EXPECT_EQ(line[1], c.second);
    }
}

TEST(RawBitmap, DescriptionsThatDoNotFitTheBytesGiveNoImage) {
    std::vector<uchar> bytes(4 * 3 * 3, 0x80); // 4 x 3 pixels of three 8-bit samples
    struct Case {
        const char* what;
        int width, height, colors, bits;
        quint64 size;
    } cases[] = {
        {"one byte short", 4, 3, 3, 8, bytes.size() - 1},
        {"16-bit samples in 8-bit bytes", 4, 3, 3, 16, bytes.size()},
        {"more rows", 4, 4, 3, 8, bytes.size()},
        {"12-bit samples", 4, 3, 3, 12, bytes.size()},
        {"no colours", 4, 3, 0, 8, bytes.size()},
        {"no width", 0, 3, 3, 8, bytes.size()},
        {"negative height", 4, -3, 3, 8, bytes.size()},
        {"32-bit overflow", 65535, 65535, 65535, 16, bytes.size()},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(RawImage::fromBitmap(c.width, c.height, c.colors, c.bits, bytes.data(), c.size)
                        .isNull())
            << c.what;
    }
    EXPECT_EQ(RawImage::fromBitmap(4, 3, 3, 8, bytes.data(), bytes.size()).size(), QSize(4, 3));
}

} // namespace
