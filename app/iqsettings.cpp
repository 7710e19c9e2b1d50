#include "iqsettings.h"

#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QMimeDatabase>
#include <QSettings>
#include <QStandardPaths>

#include "iqphotoread.h"

namespace {

const char kLastOpenDirKey[] = "/app/lastOpenDir";
const char kLastSaveDirKey[] = "/app/lastSaveDir";
const char kLastBatchDirKey[] = "/app/lastBatchDir";
const char kShowGuideKey[] = "/app/showGuide";

const char kPngFilter[] = "PNG image (*.png)";
const char kJpegFilter[] = "JPEG Image (*.jpeg *.jpg)";
const char kBmpFilter[] = "Windows BMP image (*.bmp)";

QSettings* g_settings = nullptr;

QString folderOrDefault(const QString& stored) {
    if (!stored.isEmpty() && QFileInfo(stored).isDir())
        return stored;
    const QStringList pictures =
        QStandardPaths::standardLocations(QStandardPaths::PicturesLocation);
    return pictures.isEmpty() ? QDir::currentPath() : pictures.first();
}

QString storedFolder(QSettings* settings, const char* key) {
    return folderOrDefault(settings->value(QLatin1String(key)).toString());
}

void storeFolder(QSettings* settings, const char* key, const QString& dir) {
    settings->setValue(QLatin1String(key), dir);
    settings->sync();
}

// The suffix a save filter gives a name typed without one.
QString suffixForSaveFilter(const QString& filter) {
    if (filter == QLatin1String(kBmpFilter))
        return QStringLiteral("bmp");
    if (filter == QLatin1String(kPngFilter))
        return QStringLiteral("png");
    if (filter == QLatin1String(kJpegFilter))
        return QStringLiteral("jpg");
    return QString();
}

bool suffixIn(const QString& path, std::initializer_list<const char*> suffixes) {
    const QString suffix = QFileInfo(path).suffix();
    for (const char* s : suffixes)
        if (suffix.compare(QLatin1String(s), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// The program's photo types, built on first use (thread-safe) and kept until exit.
const QStringList& imageMimeTypes() {
    static const QStringList types{
        QStringLiteral("image/jpeg"),        QStringLiteral("image/png"),
        QStringLiteral("image/bmp"),         QStringLiteral("image/x-canon-cr2"),
        QStringLiteral("image/x-canon-crw"), QStringLiteral("image/x-canon-cr3"),
        QStringLiteral("image/x-adobe-dng"), QStringLiteral("image/x-nikon-nef"),
        QStringLiteral("image/x-sony-arw"),  QStringLiteral("image/x-sony-sr2"),
        QStringLiteral("image/x-sony-srf"),  QStringLiteral("image/x-olympus-orf")};
    return types;
}

} // namespace

QSettings* appSettings() {
    if (g_settings == nullptr) {
        const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        if (!QFileInfo(dir).isDir())
            QDir().mkdir(dir);
        g_settings = new QSettings(dir + QLatin1String("/IQSettings.ini"), QSettings::IniFormat);
        g_settings->setAtomicSyncRequired(true);
    }
    return g_settings;
}

QString lastOpenDir(QSettings* settings) {
    return storedFolder(settings, kLastOpenDirKey);
}

void setLastOpenDir(QSettings* settings, const QString& dir) {
    storeFolder(settings, kLastOpenDirKey, dir);
}

QString lastSaveDir(QSettings* settings) {
    return storedFolder(settings, kLastSaveDirKey);
}

void setLastSaveDir(QSettings* settings, const QString& dir) {
    storeFolder(settings, kLastSaveDirKey, dir);
}

QString lastBatchDir(QSettings* settings) {
    return storedFolder(settings, kLastBatchDirKey);
}

void setLastBatchDir(QSettings* settings, const QString& dir) {
    storeFolder(settings, kLastBatchDirKey, dir);
}

int showGuide(QSettings* settings) {
    return settings->value(QLatin1String(kShowGuideKey), QStringLiteral("1")).toInt();
}

void setShowGuide(QSettings* settings, int show) {
    settings->setValue(QLatin1String(kShowGuideKey), QString::number(show));
    settings->sync();
}

int openImageFilesDialog(QWidget* parent, QStringList* files, const QString& startDir,
                         QFileDialog::FileMode mode) {
    QFileDialog dialog(parent, QObject::tr("Open File"), QString());
    if (!startDir.isEmpty())
        dialog.setDirectory(startDir);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(mode);
    dialog.setNameFilter(openImageNameFilter());
    dialog.selectNameFilter(openImageNameFilter());
    const int result = dialog.exec();
    if (result == QDialog::Accepted)
        *files = dialog.selectedFiles();
    return result;
}

int saveImageFileDialog(QWidget* parent, QString* fileName, const QString& startDir,
                        const QString& nameFilter) {
    QFileDialog dialog(parent, QObject::tr("Save File"), QString());
    if (!startDir.isEmpty())
        dialog.setDirectory(startDir);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    const QStringList filters{QLatin1String(kPngFilter), QLatin1String(kJpegFilter),
                              QLatin1String(kBmpFilter)};
    dialog.setNameFilter(filters.join(QLatin1String(";;")));
    dialog.selectNameFilter(nameFilter.isEmpty() ? QLatin1String(kPngFilter) : nameFilter);

    // The dialog asks before overwriting an existing file, and it asks about the name with its
    // default suffix added: keep that suffix in step with the filter while the dialog runs, so
    // that "photo" next to an existing "photo.png" is asked about too.
    dialog.setDefaultSuffix(suffixForSaveFilter(dialog.selectedNameFilter()));
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog](const QString& filter) { dialog.setDefaultSuffix(suffixForSaveFilter(filter)); });

    const int result = dialog.exec();
    if (result == QDialog::Accepted) {
        dialog.setDefaultSuffix(suffixForSaveFilter(dialog.selectedNameFilter()));
        const QStringList selected = dialog.selectedFiles();
        if (!selected.isEmpty())
            *fileName = selected.first();
    }
    return result;
}

int chooseDirectoryDialog(QWidget* parent, QString* dir, const QString& startDir) {
    QFileDialog dialog(parent, QString(), QString());
    if (!startDir.isEmpty())
        dialog.setDirectory(startDir);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Folders only (what the obsolete DirectoryOnly mode stood for).
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    const int result = dialog.exec();
    if (result == QDialog::Accepted) {
        const QStringList selected = dialog.selectedFiles();
        if (!selected.isEmpty())
            *dir = selected.first();
    }
    return result;
}

QString openImageNameFilter() {
    return QStringLiteral("(*.jpg *.jpeg *.png *.bmp *.cr2 *.cr3 *.crw *.nef *.dng *.orf )");
}

bool isSupportedImageFile(const QString& path) {
    // First: finding the content type of a FIFO would wait for a writer for ever.
    if (!isRegularFile(path))
        return false;
    const QByteArray name =
        QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchDefault).name().toUtf8();
    const QList<QByteArray> supported = QImageReader::supportedMimeTypes();
    for (const QByteArray& type : supported)
        if (type.size() == name.size() &&
            qstrnicmp(type.constData(), name.constData(), uint(type.size())) == 0)
            return true;
    return isRawFileSuffix(path);
}

bool isRawFileSuffix(const QString& path) {
    return suffixIn(path, {"nef", "dng", "orf", "crw", "cr2", "cr3"});
}

bool isHeifFileSuffix(const QString& path) {
    return suffixIn(path, {"heic", "heif", "heics", "heifs"});
}

bool isKnownImageMimeType(const QString& mimeType) {
    return imageMimeTypes().contains(mimeType, Qt::CaseInsensitive);
}
