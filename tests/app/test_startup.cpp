// Start-up: the objects made before main(), the translation chosen from the system language, the
// stylesheet with its palette and images, and the product identity.
#include "startup.h"

#include "colorpickeritem.h"
#include "qtcolorpicker.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPluginLoader>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QTranslator>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

const char* const kFirstLine = "QPalette{background:#222222;}*{outline:0px;color:#DCDCDC;}";

QByteArray resourceBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

// Restores the default locale and removes the global translator after a test installed it.
class TranslatorTest : public ::testing::Test {
protected:
    void TearDown() override {
        QCoreApplication::removeTranslator(globalTranslator());
        QLocale::setDefault(savedLocale);
    }
    const QLocale savedLocale;
};

// Restores the application's palette and stylesheet after a test applied the dark sheet.
class StyleSheetTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedPalette = QApplication::palette();
        savedSheet = qApp->styleSheet();
    }
    void TearDown() override {
        qApp->setStyleSheet(savedSheet);
        QApplication::setPalette(savedPalette);
    }
    QPalette savedPalette;
    QString savedSheet;
};

QStringList g_styleWarnings;

void collectStyleWarnings(QtMsgType type, const QMessageLogContext&, const QString& message) {
    // The offscreen platform's own notices are not about the sheet.
    if (type != QtDebugMsg && type != QtInfoMsg && !message.startsWith("This plugin does not"))
        g_styleWarnings.append(message);
}

} // namespace

TEST(StartupStatics, ExistBeforeAnyStartupCallAndResourcesAreRegistered) {
    // The static initialiser ran while the test binary was loaded: the translator is there
    // without any start-up function having been called, and the compiled-in resource trees of
    // the static library are visible.
    ASSERT_NE(globalTranslator(), nullptr);
    EXPECT_EQ(globalTranslator(), globalTranslator());
    EXPECT_EQ(globalTranslator()->parent(), nullptr);
    EXPECT_TRUE(QFile::exists(":/qss/psblack.css"));
    EXPECT_TRUE(QFile::exists(":/qm/denoise_en.qm"));
    initApplicationStatics(); // a second run changes nothing
    EXPECT_TRUE(QFile::exists(":/qm/denoise_de.qm"));
}

TEST(StartupStatics, RawPluginIsRegisteredAsStaticPlugin) {
    bool found = false;
    for (QObject* instance : QPluginLoader::staticInstances())
        found = found || QByteArray(instance->metaObject()->className()) == "QRawPlugin";
    EXPECT_TRUE(found);
    const QList<QByteArray> formats = QImageReader::supportedImageFormats();
    for (const char* key : {"nef", "dng", "cr2", "cr3", "arw", "orf"})
        EXPECT_TRUE(formats.contains(key)) << key;
    // Any reader of the process now recognises a camera file by its content.
    QImageReader reader(QStringLiteral(NR_TEST_DATA_DIR "/raw/IMG_1361.dng"));
    EXPECT_TRUE(reader.canRead()) << reader.errorString().toStdString();
}

TEST(TranslationSuffix, FollowsTheLanguageOfTheLocale) {
    struct Case {
        QLocale locale;
        const char* suffix;
    };
    const Case cases[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), "_en"},
        {QLocale(QLocale::English, QLocale::UnitedKingdom), "_en"},
        {QLocale(QLocale::Arabic, QLocale::UnitedArabEmirates), "_ae"},
        {QLocale(QLocale::Arabic, QLocale::Egypt), "_ae"},
        {QLocale(QLocale::Chinese, QLocale::SimplifiedHanScript, QLocale::China), "_cn"},
        {QLocale(QLocale::Chinese, QLocale::TraditionalHanScript, QLocale::Taiwan), "_cn"},
        {QLocale(QLocale::Chinese, QLocale::TraditionalHanScript, QLocale::HongKong), "_cn"},
        {QLocale(QLocale::Danish, QLocale::Denmark), "_da"},
        {QLocale(QLocale::Dutch, QLocale::Netherlands), "_du"},
        {QLocale(QLocale::Dutch, QLocale::Belgium), "_du"},
        {QLocale(QLocale::French, QLocale::France), "_fr"},
        {QLocale(QLocale::French, QLocale::Canada), "_fr"},
        {QLocale(QLocale::German, QLocale::Germany), "_de"},
        {QLocale(QLocale::German, QLocale::Switzerland), "_de"},
        {QLocale(QLocale::Greek, QLocale::Greece), "_gr"},
        {QLocale(QLocale::Italian, QLocale::Italy), "_it"},
        {QLocale(QLocale::Japanese, QLocale::Japan), "_jp"},
        {QLocale(QLocale::NorwegianBokmal, QLocale::Norway), "_no"},
        {QLocale(QLocale::NorwegianNynorsk, QLocale::Norway), "_en"},
        {QLocale(QLocale::Portuguese, QLocale::Brazil), "_pr"},
        {QLocale(QLocale::Portuguese, QLocale::Portugal), "_pr"},
        {QLocale(QLocale::Russian, QLocale::Russia), "_ru"},
        {QLocale(QLocale::Spanish, QLocale::Spain), "_sp"},
        {QLocale(QLocale::Spanish, QLocale::Mexico), "_sp"},
        {QLocale(QLocale::Swedish, QLocale::Sweden), "_sw"},
        {QLocale(QLocale::Swedish, QLocale::Finland), "_sw"},
        {QLocale(QLocale::Turkish, QLocale::Turkey), "_tk"},
        {QLocale(QLocale::Korean, QLocale::SouthKorea), "_en"},
        {QLocale(QLocale::Polish, QLocale::Poland), "_en"},
        {QLocale(QLocale::Finnish, QLocale::Finland), "_en"},
        {QLocale::c(), "_en"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(translationSuffix(c.locale.language()), QString(c.suffix))
            << c.locale.name().toStdString();
        // The suffix always names a translation that exists.
        EXPECT_TRUE(QFile::exists(QStringLiteral(":/qm/denoise") + c.suffix + ".qm")) << c.suffix;
    }
}

TEST_F(TranslatorTest, SystemLanguageIsTheDefaultLocaleLanguage) {
    QLocale::setDefault(QLocale(QLocale::Swedish, QLocale::Sweden));
    EXPECT_EQ(systemLanguage(), QLocale::Swedish);
    QLocale::setDefault(QLocale(QLocale::NorwegianNynorsk, QLocale::Norway));
    EXPECT_EQ(systemLanguage(), QLocale::NorwegianNynorsk);
}

TEST_F(TranslatorTest, InstallsTheTranslationOfTheSystemLanguage) {
    struct Case {
        QLocale locale;
        const char* file;        // "File" menu title
        const char* saveAsPanel; // the side panel's save button
    };
    const Case cases[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), "File", "Save As"},
        {QLocale(QLocale::German, QLocale::Germany), "Datei", "Speichern unter"},
        {QLocale(QLocale::Chinese, QLocale::TraditionalHanScript, QLocale::Taiwan), "檔案",
         "另存新檔"},
        {QLocale(QLocale::Chinese, QLocale::SimplifiedHanScript, QLocale::China), "檔案",
         "另存新檔"},
        {QLocale(QLocale::NorwegianBokmal, QLocale::Norway), "Fil", "Lagre som"},
        {QLocale(QLocale::NorwegianNynorsk, QLocale::Norway), "File", "Save As"},
        {QLocale(QLocale::Portuguese, QLocale::Brazil), "Arquivo", "Salvar como"},
        {QLocale(QLocale::Portuguese, QLocale::Portugal), "Arquivo", "Salvar como"},
        {QLocale(QLocale::Korean, QLocale::SouthKorea), "File", "Save As"},
    };
    for (const Case& c : cases) {
        QCoreApplication::removeTranslator(globalTranslator());
        QLocale::setDefault(c.locale);
        installTranslator();
        const std::string name = c.locale.name().toStdString();
        EXPECT_EQ(QCoreApplication::translate("MainWindow", "IDS_FILE"), QString::fromUtf8(c.file))
            << name;
        EXPECT_EQ(QCoreApplication::translate("IQAdjustingFrame", "IDS_SAVE"),
                  QString::fromUtf8(c.saveAsPanel))
            << name;
    }
}

TEST_F(TranslatorTest, ColourPickerShowsItsColourNamesInTheInstalledLanguage) {
    QCoreApplication::removeTranslator(globalTranslator());
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    installTranslator();
    QtColorPicker picker(nullptr, -1, false);
    EXPECT_EQ(picker.text(), QString::fromUtf8("Schwarz"));
    picker.addStandardColors();
    const struct {
        Qt::GlobalColor colour;
        const char* name;
    } cases[] = {{Qt::white, "Weiß"}, {Qt::darkRed, "Dunkelrot"}, {Qt::lightGray, "Hellgrau"}};
    const QList<ColorPickerItem*> items = picker.findChildren<ColorPickerItem*>();
    EXPECT_EQ(items.size(), 17);
    for (const auto& c : cases) {
        const auto item = std::find_if(items.cbegin(), items.cend(), [&](ColorPickerItem* i) {
            return i->color() == QColor(c.colour);
        });
        ASSERT_NE(item, items.cend()) << c.name;
        EXPECT_EQ((*item)->toolTip(), QString::fromUtf8(c.name));
        EXPECT_EQ((*item)->text(), QString::fromUtf8(c.name));
    }
}

TEST_F(TranslatorTest, KeysShowThemselvesWithoutAnInstalledTranslation) {
    QCoreApplication::removeTranslator(globalTranslator());
    EXPECT_EQ(QCoreApplication::translate("MainWindow", "IDS_OPEN"), QString("IDS_OPEN"));
    EXPECT_EQ(QCoreApplication::translate("MainWindow", "IDS_SAVE_PROMPT"),
              QString("IDS_SAVE_PROMPT"));
}

TEST(StyleSheetResource, FirstLineAndPaletteColourArePositional) {
    const QByteArray bytes = resourceBytes(":/qss/psblack.css");
    ASSERT_FALSE(bytes.isEmpty());
    EXPECT_EQ(bytes.indexOf('\0'), -1);
    for (char ch : bytes)
        EXPECT_LT(static_cast<unsigned char>(ch), 0x80u) << "the sheet is plain 7-bit text";
    const QString text = QString::fromLatin1(bytes);
    EXPECT_EQ(text.section('\n', 0, 0), QString(kFirstLine));
    EXPECT_EQ(text.mid(20, 7), QString("#222222"));
    EXPECT_TRUE(QColor(text.mid(20, 7)).isValid());
}

TEST(StyleSheetResource, EveryImageItNamesIsACompiledInImage) {
    const QString text = QString::fromLatin1(resourceBytes(":/qss/psblack.css"));
    const QRegularExpression url(QStringLiteral("url\\(\\s*[\"']?([^\"')]+)[\"']?\\s*\\)"));
    QStringList used;
    for (auto it = url.globalMatch(text); it.hasNext();) {
        const QString path = it.next().captured(1).trimmed();
        EXPECT_TRUE(path.startsWith(":/qss/psblack/")) << path.toStdString();
        const QImage image(path);
        EXPECT_FALSE(image.isNull()) << path.toStdString();
        used.append(path);
    }
    // Every one of the 18 images is shipped and drawn at the size its indicator takes.
    struct Image {
        const char* name;
        int size;
    };
    const Image images[] = {
        {"add_bottom", 10},
        {"add_top", 10},
        {"add_left", 10},
        {"add_right", 10},
        {"branch_open", 10},
        {"branch_close", 10},
        {"calendar_prevmonth", 16},
        {"calendar_nextmonth", 16},
        {"checkbox_checked", 13},
        {"checkbox_checked_disable", 13},
        {"checkbox_unchecked", 13},
        {"checkbox_unchecked_disable", 13},
        {"checkbox_parcial", 13},
        {"checkbox_parcial_disable", 13},
        {"radiobutton_checked", 13},
        {"radiobutton_checked_disable", 13},
        {"radiobutton_unchecked", 13},
        {"radiobutton_unchecked_disable", 13},
    };
    for (const Image& image : images) {
        const QString path = QStringLiteral(":/qss/psblack/") + image.name + ".png";
        const QImage loaded(path);
        ASSERT_FALSE(loaded.isNull()) << image.name;
        EXPECT_EQ(loaded.size(), QSize(image.size, image.size)) << image.name;
        EXPECT_TRUE(loaded.hasAlphaChannel()) << image.name;
        EXPECT_TRUE(used.contains(path)) << image.name << " is not used by the sheet";
    }
}

TEST(StyleSheetResource, CheckedAndUncheckedIndicatorsDiffer) {
    // A mark that failed to draw would leave the checked box equal to the empty one.
    const char* const pairs[][2] = {
        {"checkbox_checked", "checkbox_unchecked"},
        {"checkbox_parcial", "checkbox_unchecked"},
        {"checkbox_checked_disable", "checkbox_unchecked_disable"},
        {"checkbox_parcial_disable", "checkbox_unchecked_disable"},
        {"radiobutton_checked", "radiobutton_unchecked"},
        {"radiobutton_checked_disable", "radiobutton_unchecked_disable"},
        {"checkbox_checked", "checkbox_checked_disable"},
    };
    for (const auto& pair : pairs) {
        const QImage a(QStringLiteral(":/qss/psblack/") + pair[0] + ".png");
        const QImage b(QStringLiteral(":/qss/psblack/") + pair[1] + ".png");
        EXPECT_NE(a.convertToFormat(QImage::Format_ARGB32),
                  b.convertToFormat(QImage::Format_ARGB32))
            << pair[0] << " / " << pair[1];
    }
}

TEST_F(StyleSheetTest, LoadStyleSheetAppliesTheSheetAndItsPalette) {
    loadStyleSheet();
    const QString sheet = qApp->styleSheet();
    EXPECT_EQ(sheet, QString::fromLatin1(resourceBytes(":/qss/psblack.css")));
    EXPECT_TRUE(sheet.startsWith(kFirstLine));
    const QPalette expected{QColor("#222222")};
    const QPalette palette = QApplication::palette();
    EXPECT_EQ(palette.color(QPalette::Button), QColor("#222222"));
    for (QPalette::ColorRole role :
         {QPalette::Window, QPalette::WindowText, QPalette::Base, QPalette::Text,
          QPalette::ButtonText, QPalette::Light, QPalette::Dark})
        EXPECT_EQ(palette.color(role), expected.color(role)) << role;
}

TEST_F(StyleSheetTest, SheetParsesAndStylesEveryWidgetKindWithoutWarnings) {
    // Qt reports a sheet it cannot parse, and images it cannot find, as warnings while it
    // polishes widgets: collect them while the sheet styles one widget of each kind.
    const QtMessageHandler previous = qInstallMessageHandler(collectStyleWarnings);
    {
        // The collector sees a sheet Qt cannot parse.
        g_styleWarnings.clear();
        qApp->setStyleSheet("QPushButton{color:#DCDCDC;");
        QPushButton button("broken");
        button.ensurePolished();
        EXPECT_FALSE(g_styleWarnings.isEmpty());
    }
    g_styleWarnings.clear();
    loadStyleSheet();
    {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* menuBar = new QMenuBar(&window);
        QMenu* menu = menuBar->addMenu("File");
        menu->addAction("Open");
        menu->addSeparator();
        menu->addAction("Quit")->setEnabled(false);
        layout->setMenuBar(menuBar);
        auto* tabs = new QTabWidget;
        tabs->addTab(new QLabel("one"), "One");
        tabs->addTab(new QLabel("two"), "Two");
        layout->addWidget(tabs);
        auto* frame = new QFrame;
        frame->setFrameShape(QFrame::Box);
        layout->addWidget(frame);
        layout->addWidget(new QPushButton("Push"));
        auto* disabled = new QPushButton("Off");
        disabled->setEnabled(false);
        layout->addWidget(disabled);
        layout->addWidget(new QToolButton);
        auto* check = new QCheckBox("Check");
        check->setTristate(true);
        check->setCheckState(Qt::PartiallyChecked);
        layout->addWidget(check);
        auto* checked = new QCheckBox("Checked");
        checked->setChecked(true);
        checked->setEnabled(false);
        layout->addWidget(checked);
        auto* radio = new QRadioButton("Radio");
        radio->setChecked(true);
        layout->addWidget(radio);
        auto* combo = new QComboBox;
        combo->addItems({"a", "b"});
        layout->addWidget(combo);
        layout->addWidget(new QSpinBox);
        layout->addWidget(new QDateTimeEdit);
        layout->addWidget(new QLineEdit("text"));
        layout->addWidget(new QTextEdit("text"));
        auto* slider = new QSlider(Qt::Horizontal);
        slider->setValue(40);
        layout->addWidget(slider);
        layout->addWidget(new QScrollBar(Qt::Vertical));
        auto* progress = new QProgressBar;
        progress->setValue(30);
        layout->addWidget(progress);
        auto* list = new QListWidget;
        list->addItem("item");
        layout->addWidget(list);
        auto* tree = new QTreeWidget;
        auto* parent = new QTreeWidgetItem(tree, QStringList("parent"));
        new QTreeWidgetItem(parent, QStringList("child"));
        tree->expandAll();
        layout->addWidget(tree);
        auto* table = new QTableWidget(2, 2);
        layout->addWidget(table);
        auto* box = new QGroupBox("Group");
        box->setCheckable(true);
        layout->addWidget(box);
        auto* splitter = new QSplitter;
        splitter->addWidget(new QLabel("left"));
        splitter->addWidget(new QLabel("right"));
        layout->addWidget(splitter);
        layout->addWidget(new QCalendarWidget);
        layout->addWidget(new QStatusBar);
        window.resize(600, 1400);
        window.show();
        const QImage shot = window.grab().toImage();
        EXPECT_FALSE(shot.isNull());
        menu->grab();
    }
    qInstallMessageHandler(previous);
    EXPECT_TRUE(g_styleWarnings.isEmpty()) << g_styleWarnings.join('\n').toStdString();
}

TEST(ProductIdentity, NameCopyrightAndConstants) {
    EXPECT_EQ(productDisplayName(), QString("Vorlach Denoise"));
    const QString copyright = copyrightText();
    EXPECT_FALSE(copyright.trimmed().isEmpty());
    EXPECT_FALSE(copyright.contains('\n'));
    EXPECT_FALSE(copyright.contains('<')) << "plain text, not markup";
    EXPECT_EQ(productIndex(), 3);
    EXPECT_EQ(productChannel(), 1);
}
