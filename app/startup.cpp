#include "startup.h"

#include <QApplication>
#include <QByteArray>
#include <QColor>
#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QPalette>
#include <QTextCodec>
#include <QTranslator>

#include "registerrawplugin.h"

// The resource trees live in this static library; an object file nothing refers to would be
// dropped by the linker, so their registration is called from here by name (Q_INIT_RESOURCE
// must be used outside any namespace).
static void registerResources() {
    Q_INIT_RESOURCE(psblack);
    Q_INIT_RESOURCE(denoise_translations);
}

namespace {

QTranslator* g_translator = nullptr;

// Runs initApplicationStatics() during static initialisation. This file also holds the start-up
// functions that main() and the main window call, so the linker always keeps it.
struct ApplicationStatics {
    ApplicationStatics() { initApplicationStatics(); }
};
const ApplicationStatics applicationStatics;

} // namespace

void initApplicationStatics() {
    if (g_translator)
        return;
    registerResources();
    g_translator = new QTranslator();
    registerRawPlugin();
}

QTranslator* globalTranslator() {
    initApplicationStatics();
    return g_translator;
}

QLocale::Language systemLanguage() {
    return QLocale().language();
}

QString translationSuffix(QLocale::Language language) {
    switch (language) {
    case QLocale::Arabic:
        return QStringLiteral("_ae");
    case QLocale::Chinese:
        return QStringLiteral("_cn");
    case QLocale::Danish:
        return QStringLiteral("_da");
    case QLocale::Dutch:
        return QStringLiteral("_du");
    case QLocale::French:
        return QStringLiteral("_fr");
    case QLocale::German:
        return QStringLiteral("_de");
    case QLocale::Greek:
        return QStringLiteral("_gr");
    case QLocale::Italian:
        return QStringLiteral("_it");
    case QLocale::Japanese:
        return QStringLiteral("_jp");
    case QLocale::NorwegianBokmal:
        return QStringLiteral("_no");
    case QLocale::Portuguese:
        return QStringLiteral("_pr");
    case QLocale::Russian:
        return QStringLiteral("_ru");
    case QLocale::Spanish:
        return QStringLiteral("_sp");
    case QLocale::Swedish:
        return QStringLiteral("_sw");
    case QLocale::Turkish:
        return QStringLiteral("_tk");
    default:
        return QStringLiteral("_en");
    }
}

void installTranslator() {
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("System"));
    const QLocale::Language lang = systemLanguage();
    const QString fileName =
        QStringLiteral(":/qm/") + QStringLiteral("denoise") + translationSuffix(lang);
    QTranslator* translator = globalTranslator();
    if (translator->load(fileName))
        QCoreApplication::installTranslator(translator);
}

void loadStyleSheet() {
    QFile file(QStringLiteral(":/qss/psblack.css"));
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.readAll();
    const int zero = bytes.indexOf('\0');
    const QString text = QString::fromLatin1(bytes.constData(), zero < 0 ? bytes.size() : zero);
    // The sheet's first rule is "QPalette{background:#222222;}": the colour sits at 20..26.
    const QColor colour(text.mid(20, 7));
    QApplication::setPalette(QPalette(colour));
    qApp->setStyleSheet(text);
    file.close();
}

QString productDisplayName() {
    const QString name = QStringLiteral("Vorlach Denoise");
    qDebug().noquote() << QStringLiteral("name->") + name;
    return name;
}

QString copyrightText() {
    return QStringLiteral("Copyright © 2026 The Vorlach Denoise developers. All rights reserved.");
}

int productIndex() {
    return 3;
}

int productChannel() {
    return 1;
}
