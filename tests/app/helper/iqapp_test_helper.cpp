// A small program the application tests start as a real, separate process.
//
//   iqapp_test_helper instance [--secondary] [--notify] [--exit] [--timeout MS] [--user-data TEXT]
//       builds a SingleApplication; a primary prints "primary <key>", a secondary
//       "secondary <index>", then each instanceStarted() as "started" and each message as
//       "message <id> <hex bytes>"; it runs until its standard input closes (or, with --exit,
//       ends at once). A later start never gets to print anything.
//   iqapp_test_helper post TEXT [--user-data TEXT]
//       starts as a secondary and posts TEXT to the primary; prints "posted 1" or "posted 0".
//   iqapp_test_helper settings-write OPEN SAVE BATCH GUIDE
//   iqapp_test_helper settings-read
//       write or read the four settings through appSettings() and print them, one per line
//       ("file <path>", "open <dir>", "save <dir>", "batch <dir>", "guide <n>").
#include "iqsettings.h"
#include "singleapplication.h"
#include "singleapplication_p.h"

#include <QApplication>
#include <QSettings>
#include <QSocketNotifier>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

void say(const QString& line) {
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Quits the event loop when the test closes our standard input.
void quitWhenStdinCloses(QCoreApplication* app) {
    auto* notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, app);
    QObject::connect(notifier, &QSocketNotifier::activated, app, [notifier, app]() {
        char buffer[256];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0) {
            notifier->setEnabled(false);
            app->quit();
        }
    });
}

int runInstance(int argc, char** argv) {
    bool secondary = false;
    bool exitAtOnce = false;
    SingleApplication::GuardOptions options = SingleApplication::PerUser;
    QString userData;
    int timeout = 1000;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--secondary") == 0)
            secondary = true;
        else if (std::strcmp(argv[i], "--notify") == 0)
            options |= SingleApplication::NotifySecondaryStart;
        else if (std::strcmp(argv[i], "--exit") == 0)
            exitAtOnce = true;
        else if (std::strcmp(argv[i], "--timeout") == 0 && i + 1 < argc)
            timeout = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--user-data") == 0 && i + 1 < argc)
            userData = QString::fromUtf8(argv[++i]);
    }
    QCoreApplication::setApplicationVersion(QStringLiteral(NR_APP_VERSION));
    SingleApplication app(argc, argv, secondary, options, timeout, userData);

    QObject::connect(&app, &SingleApplication::instanceStarted, [] { say("started"); });
    QObject::connect(
        &app, &SingleApplication::receivedMessage, [](uint id, const QByteArray& message) {
            say(QStringLiteral("message %1 %2").arg(id).arg(QString::fromLatin1(message.toHex())));
        });
    if (app.isPrimaryInstance())
        say(QStringLiteral("primary ") +
            singleApplicationKey(SingleApplicationKeyParts::current(app.keyData()), options));
    else
        say(QStringLiteral("secondary %1").arg(app.instanceIndex()));
    if (exitAtOnce)
        return 0;
    quitWhenStdinCloses(&app);
    return app.exec();
}

int runPost(int argc, char** argv) {
    if (argc < 3)
        return 2;
    const QString userData = argc >= 5 && std::strcmp(argv[3], "--user-data") == 0
                                 ? QString::fromUtf8(argv[4])
                                 : QString();
    QCoreApplication::setApplicationVersion(QStringLiteral(NR_APP_VERSION));
    SingleApplication app(argc, argv, true, SingleApplication::PerUser, 1000, userData);
    const bool posted = app.postMessage(QByteArray(argv[2]), 1000);
    say(QStringLiteral("posted %1").arg(posted ? 1 : 0));
    return 0;
}

void printSettings() {
    QSettings* settings = appSettings();
    say(QStringLiteral("file ") + settings->fileName());
    say(QStringLiteral("open ") + lastOpenDir(settings));
    say(QStringLiteral("save ") + lastSaveDir(settings));
    say(QStringLiteral("batch ") + lastBatchDir(settings));
    say(QStringLiteral("guide %1").arg(showGuide(settings)));
}

int runSettings(int argc, char** argv) {
    const bool write = std::strcmp(argv[1], "settings-write") == 0;
    if (write && argc < 6)
        return 2;
    QApplication app(argc, argv);
    if (write) {
        QSettings* settings = appSettings();
        setLastOpenDir(settings, QString::fromUtf8(argv[2]));
        setLastSaveDir(settings, QString::fromUtf8(argv[3]));
        setLastBatchDir(settings, QString::fromUtf8(argv[4]));
        setShowGuide(settings, QString::fromUtf8(argv[5]).toInt());
    }
    printSettings();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc >= 2 && std::strcmp(argv[1], "instance") == 0)
        return runInstance(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "post") == 0)
        return runPost(argc, argv);
    if (argc >= 2 && std::strncmp(argv[1], "settings-", 9) == 0)
        return runSettings(argc, argv);
    std::fputs("usage: iqapp_test_helper instance|post|settings-write|settings-read ...\n", stderr);
    return 2;
}
