// Start-up of Vorlach Denoise. The program takes no options: argc and argv go to the application
// object unchanged.
#include "mainwindow.h"
#include "singleapplication.h"
#include "startup.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopWidget>
#include <QFont>
#include <QGuiApplication>
#include <QStyleFactory>

int main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, true);
    // Linux executables carry no version resource; the version enters the single-instance key,
    // so it is set before the application object decides whether this start is the first.
    QCoreApplication::setApplicationVersion(QStringLiteral(NR_APP_VERSION));

    // A later start of the same user hands over to the running instance and exits with status 0
    // inside this constructor.
    SingleApplication app(argc, argv, false, SingleApplication::PerUser, 1000, QString());

    QFont font;
    font.setFamily(QStringLiteral("Arial"));
    font.setPixelSize(13);
    QApplication::setFont(font);

    QGuiApplication::setApplicationDisplayName(productDisplayName());
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("fusion")));
    installTranslator();

    MainWindow window;
    window.show();
    // Centred on the whole virtual desktop by sizes alone.
    const QRect desktop = QApplication::desktop()->geometry();
    const QRect own = window.geometry();
    window.move((desktop.width() - own.width()) / 2, (desktop.height() - own.height()) / 2);

    return QApplication::exec();
}
