// The program's settings file, its open, save and folder dialogs, and the tests that decide
// whether a file is a photo the program can import.
#ifndef IQSETTINGS_H
#define IQSETTINGS_H

#include <QFileDialog>
#include <QString>
#include <QStringList>

class QSettings;
class QWidget;

// The process-wide settings: "IQSettings.ini" (INI format) in the application-data folder,
// created on the first call and kept until the process ends. GUI thread only.
QSettings* appSettings();

// The folder getters return the stored folder when it names an existing directory, else the
// user's Pictures folder (or the current directory when there is none). The setters store the
// folder and write the file at once.
QString lastOpenDir(QSettings* settings);
void setLastOpenDir(QSettings* settings, const QString& dir);
QString lastSaveDir(QSettings* settings);
void setLastSaveDir(QSettings* settings, const QString& dir);
QString lastBatchDir(QSettings* settings);
void setLastBatchDir(QSettings* settings, const QString& dir);

// Whether the start-up guide is to be shown: the stored integer, 1 when nothing is stored.
int showGuide(QSettings* settings);
void setShowGuide(QSettings* settings, int show);

// Modal dialogs. Each returns QDialog::Accepted or QDialog::Rejected and fills its output only
// when accepted. startDir, when non-empty, is the folder the dialog opens in.
int openImageFilesDialog(QWidget* parent, QStringList* files, const QString& startDir,
                         QFileDialog::FileMode mode);
// nameFilter preselects one of the save filters; empty (or unknown) selects PNG. A name typed
// without a suffix gets the suffix of the filter the user ended on.
int saveImageFileDialog(QWidget* parent, QString* fileName, const QString& startDir,
                        const QString& nameFilter);
int chooseDirectoryDialog(QWidget* parent, QString* dir, const QString& startDir);

// The open dialog's single name filter.
QString openImageNameFilter();

// A photo the program can import: a MIME type (from name and content) that some image reader
// supports, or a camera RAW suffix.
bool isSupportedImageFile(const QString& path);
bool isRawFileSuffix(const QString& path);
bool isHeifFileSuffix(const QString& path);
// Whether mimeType names one of the program's photo types (case-insensitive). Thread-safe.
bool isKnownImageMimeType(const QString& mimeType);

#endif // IQSETTINGS_H
