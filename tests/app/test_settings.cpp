// The settings file and the photo tests: real INI files in temporary folders, real image files,
// and real restarts of a separate process.
#include "iqsettings.h"
#include "photofixtures.h"
#include "qstringprinter.h"
#include "temporaryhome.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct FolderKey {
    const char* key;
    QString (*get)(QSettings*);
    void (*set)(QSettings*, const QString&);
};

const FolderKey kFolderKeys[] = {
    {"lastOpenDir", lastOpenDir, setLastOpenDir},
    {"lastSaveDir", lastSaveDir, setLastSaveDir},
    {"lastBatchDir", lastBatchDir, setLastBatchDir},
};

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Runs the helper program in home and returns its lines as "name value" pairs.
QMap<QString, QString> runSettingsHelper(const QString& home, const QStringList& args) {
    QProcess helper;
    helper.setProcessEnvironment(environmentWithHome(home));
    helper.start(QStringLiteral(IQAPP_TEST_HELPER), args);
    QMap<QString, QString> values;
    if (!helper.waitForFinished(30000) || helper.exitCode() != 0) {
        ADD_FAILURE() << "helper failed: " << helper.readAllStandardError().toStdString();
        return values;
    }
    const QStringList lines =
        QString::fromUtf8(helper.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    for (const QString& line : lines)
        values.insert(line.section(' ', 0, 0), line.section(' ', 1));
    return values;
}

} // namespace

TEST(Settings, FolderKeysFallBackToThePicturesFolder) {
    const QString home = useTemporaryHome();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString existing = dir.filePath(QStringLiteral("photos"));
    ASSERT_TRUE(QDir().mkpath(existing));
    const QString file = dir.filePath(QStringLiteral("photo.png"));
    ASSERT_TRUE(writeFile(file, "x"));
    const QString pictures = home + QStringLiteral("/Pictures");

    const struct {
        const char* what;
        bool store;
        QString stored;
        QString expected;
    } cases[] = {
        {"nothing stored", false, QString(), pictures},
        {"empty text", true, QString(), pictures},
        {"existing folder", true, existing, existing},
        {"deleted folder", true, dir.filePath(QStringLiteral("gone")), pictures},
        {"a file, not a folder", true, file, pictures},
    };
    for (const FolderKey& key : kFolderKeys)
        for (const auto& c : cases) {
            const QString ini = dir.filePath(QStringLiteral("%1-%2.ini").arg(key.key).arg(c.what));
            QSettings settings(ini, QSettings::IniFormat);
            if (c.store)
                key.set(&settings, c.stored);
            EXPECT_EQ(key.get(&settings), c.expected) << key.key << ": " << c.what;
        }
}

TEST(Settings, PicturesFolderIsTheUsersOwnChoice) {
    // The user's folder list (xdg-user-dirs) names the Pictures folder; test mode would ignore
    // it, so this runs in a process of its own.
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    ASSERT_TRUE(QDir().mkpath(home.filePath(QStringLiteral(".config"))));
    ASSERT_TRUE(writeFile(home.filePath(QStringLiteral(".config/user-dirs.dirs")),
                          "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n"));
    const QMap<QString, QString> values =
        runSettingsHelper(home.path(), {QStringLiteral("settings-read")});
    EXPECT_EQ(values.value("open"), home.path() + QStringLiteral("/Bilder"));
    EXPECT_EQ(values.value("batch"), home.path() + QStringLiteral("/Bilder"));
}

TEST(Settings, SettersWriteTheFileAtOnce) {
    useTemporaryHome();
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("IQSettings.ini"));
    QSettings settings(ini, QSettings::IniFormat);
    setLastOpenDir(&settings, dir.path());
    setLastSaveDir(&settings, QStringLiteral("/nowhere/at/all"));
    setLastBatchDir(&settings, dir.path());
    setShowGuide(&settings, 0);

    // Another reader of the file sees the values without the writer having gone away.
    QSettings reader(ini, QSettings::IniFormat);
    EXPECT_EQ(reader.value(QStringLiteral("/app/lastOpenDir")).toString(), dir.path());
    EXPECT_EQ(reader.value(QStringLiteral("/app/lastSaveDir")).toString(),
              QStringLiteral("/nowhere/at/all"));
    EXPECT_EQ(reader.value(QStringLiteral("/app/lastBatchDir")).toString(), dir.path());
    const QByteArray text = readAll(ini);
    EXPECT_TRUE(text.contains("[app]")) << text.toStdString();
    EXPECT_TRUE(text.contains("showGuide=0")) << text.toStdString();
    // A stale folder stays in the file; only reading replaces it.
    EXPECT_NE(lastSaveDir(&settings), QStringLiteral("/nowhere/at/all"));
    EXPECT_TRUE(readAll(ini).contains("lastSaveDir=/nowhere/at/all"));
}

TEST(Settings, ShowGuideDefaultsToOneAndReadsNumbers) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("IQSettings.ini"));
    QSettings settings(ini, QSettings::IniFormat);
    EXPECT_EQ(showGuide(&settings), 1);
    setShowGuide(&settings, 0);
    EXPECT_EQ(showGuide(&settings), 0);
    EXPECT_TRUE(readAll(ini).contains("showGuide=0"));
    setShowGuide(&settings, 2);
    EXPECT_EQ(showGuide(&settings), 2);
    settings.setValue(QStringLiteral("/app/showGuide"), QStringLiteral("yes"));
    EXPECT_EQ(showGuide(&settings), 0);
}

TEST(Settings, AppSettingsIsOneIniFileInTheApplicationDataFolder) {
    useTemporaryHome();
    QSettings* settings = appSettings();
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(appSettings(), settings);
    EXPECT_EQ(settings->format(), QSettings::IniFormat);
    EXPECT_TRUE(settings->isAtomicSyncRequired());
    EXPECT_EQ(settings->fileName(),
              QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
                  QStringLiteral("/IQSettings.ini"));
    setShowGuide(settings, 5);
    EXPECT_TRUE(readAll(settings->fileName()).contains("showGuide=5"));
}

TEST(Settings, ValuesSurviveARestart) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString photos = home.filePath(QStringLiteral("photos"));
    const QString out = home.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(photos));
    ASSERT_TRUE(QDir().mkpath(out));
    const QString pictures = home.path() + QStringLiteral("/Pictures");

    // A first run with no settings file: every folder is the Pictures folder.
    QMap<QString, QString> first =
        runSettingsHelper(home.path(), {QStringLiteral("settings-read")});
    EXPECT_EQ(first.value("open"), pictures);
    EXPECT_EQ(first.value("save"), pictures);
    EXPECT_EQ(first.value("batch"), pictures);
    EXPECT_EQ(first.value("guide"), "1");
    EXPECT_EQ(first.value("file"),
              home.path() + QStringLiteral("/.local/share/iqapp_test_helper/IQSettings.ini"));

    runSettingsHelper(home.path(),
                      {QStringLiteral("settings-write"), photos, out, photos, QStringLiteral("0")});
    QMap<QString, QString> again =
        runSettingsHelper(home.path(), {QStringLiteral("settings-read")});
    EXPECT_EQ(again.value("open"), photos);
    EXPECT_EQ(again.value("save"), out);
    EXPECT_EQ(again.value("batch"), photos);
    EXPECT_EQ(again.value("guide"), "0");
    EXPECT_TRUE(readAll(again.value("file")).contains("lastSaveDir=" + out.toUtf8()));
}

TEST(Settings, SupportedImageFilesByMimeTypeOrRawSuffix) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    const auto path = [&](const char* name) { return dir.filePath(QString::fromLatin1(name)); };
    ASSERT_TRUE(image.save(path("photo.png"), "PNG"));
    ASSERT_TRUE(image.save(path("photo.jpg"), "JPEG"));
    ASSERT_TRUE(image.save(path("photo.BMP"), "BMP"));
    ASSERT_TRUE(image.save(path("png-named.jpg"), "PNG"));
    ASSERT_TRUE(image.save(path("no-suffix"), "PNG"));
    ASSERT_TRUE(writeFile(path("notes.txt"), "just some words\n"));
    ASSERT_TRUE(writeFile(path("notes"), "just some words\n"));
    ASSERT_TRUE(writeFile(path("archive.zip"), QByteArray("PK\x03\x04", 4) + QByteArray(40, '\0')));
    for (const char* raw : {"PHOTO.NEF", "photo.Cr3", "photo.DNG", "a.orf", "a.crw", "a.cr2"})
        ASSERT_TRUE(writeFile(path(raw), QByteArray(64, '\x5a')));

    const struct {
        const char* name;
        bool supported;
    } cases[] = {
        {"photo.png", true},     {"photo.jpg", true}, {"photo.BMP", true},
        {"png-named.jpg", true}, // judged by the type its name and content give
        {"no-suffix", true},     // recognised by its content alone
        {"notes.txt", false},    {"notes", false},    {"archive.zip", false},
        {"PHOTO.NEF", true},     {"photo.Cr3", true}, {"photo.DNG", true},
        {"a.orf", true},         {"a.crw", true},     {"a.cr2", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isSupportedImageFile(path(c.name)), c.supported) << c.name;
}

TEST(Settings, OnlyRegularFilesAreSupportedAndTheOthersAreNeverOpened) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto path = [&](const char* name) { return dir.filePath(QString::fromLatin1(name)); };
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    ASSERT_TRUE(image.save(path("photo.jpg"), "JPEG"));
    ASSERT_TRUE(QFile::link(path("photo.jpg"), path("link.jpg")));
    photofixtures::UnwrittenFifo fifo(path("fifo.jpg"));
    ASSERT_TRUE(fifo.isValid());
    photofixtures::UnwrittenFifo rawFifo(path("fifo.nef")); // a RAW suffix alone is not enough
    ASSERT_TRUE(rawFifo.isValid());
    ASSERT_TRUE(QFile::link(path("fifo.jpg"), path("link-to-fifo.png")));
    ASSERT_TRUE(photofixtures::makeSocketFile(path("socket.png")));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.png")));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), path("zero.bmp")));
    ASSERT_TRUE(QFile::link(path("gone.jpg"), path("dangling.jpg")));

    const struct {
        const char* name;
        bool supported;
    } cases[] = {
        {"photo.jpg", true},   {"link.jpg", true},          {"fifo.jpg", false},
        {"fifo.nef", false},   {"link-to-fifo.png", false}, {"socket.png", false},
        {"folder.png", false}, {"zero.bmp", false},         {"dangling.jpg", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isSupportedImageFile(path(c.name)), c.supported) << c.name;
    EXPECT_FALSE(fifo.wasOpened());
    EXPECT_FALSE(rawFifo.wasOpened());
}

TEST(Settings, SonyRawFilesAreSupportedThroughTheRawPluginsMimeTypes) {
    // Their suffixes are not among the RAW suffixes; the registered RAW plugin declares their
    // MIME types, which the name alone gives.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* name : {"DSC0001.ARW", "DSC0001.sr2", "DSC0001.srf"}) {
        const QString file = dir.filePath(QString::fromLatin1(name));
        ASSERT_TRUE(writeFile(file, QByteArray(64, '\x5a')));
        EXPECT_FALSE(isRawFileSuffix(file)) << name;
        EXPECT_TRUE(isSupportedImageFile(file)) << name;
    }
    // Real camera files.
    for (const char* name :
         {"IMG_1361.dng", "exiv2-canon-powershot-s40.crw", "Canon-R6-pruned.CR3"}) {
        const QString file = QStringLiteral(NR_TEST_DATA_DIR "/raw/") + QString::fromLatin1(name);
        ASSERT_TRUE(QFile::exists(file)) << name;
        EXPECT_TRUE(isSupportedImageFile(file)) << name;
    }
}

TEST(Settings, RawAndHeifSuffixes) {
    const struct {
        const char* path;
        bool raw;
        bool heif;
    } cases[] = {
        {"/p/a.nef", true, false},     {"/p/a.DNG", true, false},      {"/p/a.Orf", true, false},
        {"/p/a.crw", true, false},     {"/p/a.CR2", true, false},      {"/p/a.cr3", true, false},
        {"/p/a.tar.nef", true, false}, {"/p/a.nef.txt", false, false}, {"/p/a.arw", false, false},
        {"/p/nef", false, false},      {"/p/a.", false, false},        {"/p.nef/a", false, false},
        {"/p/a.heic", false, true},    {"/p/a.HEIF", false, true},     {"/p/a.heics", false, true},
        {"/p/a.Heifs", false, true},   {"/p/a.hei", false, false},     {"", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isRawFileSuffix(QString::fromLatin1(c.path)), c.raw) << c.path;
        EXPECT_EQ(isHeifFileSuffix(QString::fromLatin1(c.path)), c.heif) << c.path;
    }
}

TEST(Settings, KnownImageMimeTypes) {
    for (const char* type :
         {"image/jpeg", "image/png", "image/bmp", "image/x-canon-cr2", "image/x-canon-crw",
          "image/x-canon-cr3", "image/x-adobe-dng", "image/x-nikon-nef", "image/x-sony-arw",
          "image/x-sony-sr2", "image/x-sony-srf", "image/x-olympus-orf", "IMAGE/JPEG",
          "Image/X-Sony-ARW"})
        EXPECT_TRUE(isKnownImageMimeType(QString::fromLatin1(type))) << type;
    for (const char* type :
         {"image/gif", "image/tiff", "image/heic", "image/jpeg ", "", "text/plain"})
        EXPECT_FALSE(isKnownImageMimeType(QString::fromLatin1(type))) << type;
}

TEST(Settings, OpenFilterListsThePhotoSuffixes) {
    EXPECT_EQ(openImageNameFilter(),
              QStringLiteral("(*.jpg *.jpeg *.png *.bmp *.cr2 *.cr3 *.crw *.nef *.dng *.orf )"));
}
