// A home folder of the tests' own, so that the settings file and the standard folders never
// touch the real user's.
#ifndef TEMPORARYHOME_H
#define TEMPORARYHOME_H

#include <QByteArray>
#include <QFile>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

// Points HOME at a temporary folder for the rest of this process (once; later calls return the
// same folder), drops the XDG variables that would override it and switches QStandardPaths to
// test mode. The process-wide settings object is created on first use and keeps its path, so
// every test that reaches appSettings() calls this first.
inline QString useTemporaryHome() {
    static QTemporaryDir home;
    static const bool ready = [] {
        qputenv("HOME", QFile::encodeName(home.path()));
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
            qunsetenv(name);
        QStandardPaths::setTestModeEnabled(true);
        return true;
    }();
    Q_UNUSED(ready)
    return home.path();
}

// The environment of a helper process living in home (a fresh temporary folder).
inline QProcessEnvironment environmentWithHome(const QString& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        env.remove(QString::fromLatin1(name));
    return env;
}

#endif // TEMPORARYHOME_H
