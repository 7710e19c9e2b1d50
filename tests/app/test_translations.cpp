// The sixteen compiled-in translations: each loads from the resources, resolves every text the
// program passes through tr() in the context that passes it, keeps the placeholders, and is
// written in its own language and script.
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QTranslator>
#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <string>
#include <utility>

namespace {

// Every text shown through tr(): its context, the source passed to tr(), its English text.
struct Text {
    const char* context;
    const char* source;
    const char* english;
};

const Text kTexts[] = {
    {"MainWindow", "IDS_FILE", "File"},
    {"MainWindow", "IDS_VIEW", "View"},
    {"MainWindow", "IDS_HELP", "Help"},
    {"MainWindow", "IDS_OPEN", "Open"},
    {"MainWindow", "IDS_SAVEAS", "Save As..."},
    {"MainWindow", "IDS_BATCH", "Batch..."},
    {"MainWindow", "E&xit", "Quit"},
    {"MainWindow", "IDS_MENU_ACTUALSIZE", "Actual Size"},
    {"MainWindow", "IDS_MENU_FITIN", "Fit In"},
    {"MainWindow", "IDS_MENU_ZOOMIN", "Zoom In"},
    {"MainWindow", "IDS_MENU_ZOOMOUT", "Zoom Out"},
    {"MainWindow", "IDS_BEFORE_AFTER", "Before / After"},
    {"MainWindow", "IDS_MENU_ONLINE_HELP", "Online Help"},
    {"MainWindow", "IDS_MENU_FAQ", "Product FAQ"},
    {"MainWindow", "IDS_MENU_CCS", "Contact Customer Service"},
    {"MainWindow", "IDS_ABOUT", "About"},
    {"MainWindow", "IDS_SAVE_PROMPT", "Your changes will be lost if you don\u2019t save them."},
    {"MainWindow", "IDS_SAVE", "Save"},
    {"MainWindow", "IDS_CANCEL", "Cancel"},
    {"MainWindow", "IDS_DONT_SAVE", "Don't Save"},
    {"IQWizardFrame", "IDS_IMPORT", "Import"},
    {"IQWizardFrame", "IDS_OR", "Or"},
    {"IQWizardFrame", "IDS_DARGDROP", "Drag your photos here"},
    {"IQEditingFrame", "IDS_BEFORE_AFTER", "B/A"},
    {"IQEditingFrame", "IDS_PIX", "Pix"},
    {"IQEditingFrame", "Cannot write %1: %2", "Cannot write %1: %2"},
    {"IQAdjustingFrame", "IDS_SAVE", "Save As"},
    {"IQDenoiseProcessFrame", "IDS_LUMINANCE", "Luminance"},
    {"IQDenoiseProcessFrame", "IDS_CHROMINANCE", "Chrominance"},
    {"IQDenoiseProcessFrame", "IDS_SHARPNESS", "Sharpness"},
    {"IQDenoiseProcessFrame", "IDS_RESTORE", "Restore"},
    {"IQBatchDenoiseDialog", "IDS_BATCH", "Batch"},
    {"IQBatchDenoiseFrame", "IDS_LUMINANCE", "Luminance"},
    {"IQBatchDenoiseFrame", "IDS_CHROMINANCE", "Chrominance"},
    {"IQBatchDenoiseFrame", "IDS_SHARPNESS", "Sharpness"},
    {"IQBatchDenoiseFrame", "IDS_ADD_PHOTOS", "Add Photos"},
    {"IQBatchDenoiseFrame", "IDS_REMOVE_PHOTOS", "Remove Photos"},
    {"IQBatchDenoiseFrame", "IDS_START", "Start"},
    {"IQBatchDenoiseFrame", "IDS_BATCH_FINISHED", "Process finished. %1 successed, %2 failed."},
    {"IQBatchDenoiseFrame", "IDS_PROCESSING", "Processing..."},
    {"IQGuideDialog", "IDS_AC_DONTSHOWAGAIN", "Don't show again"},
    {"IQGuideDialog", "IDS_AC_CLOSE", "Close"},
    {"QObject", "Open File", "Open File"},
    {"QObject", "Save File", "Save File"},
    // The colour picker's standard colours.
    {"QtColorPicker", "Black", "Black"},
    {"QtColorPicker", "White", "White"},
    {"QtColorPicker", "Red", "Red"},
    {"QtColorPicker", "Dark red", "Dark red"},
    {"QtColorPicker", "Green", "Green"},
    {"QtColorPicker", "Dark green", "Dark green"},
    {"QtColorPicker", "Blue", "Blue"},
    {"QtColorPicker", "Dark blue", "Dark blue"},
    {"QtColorPicker", "Cyan", "Cyan"},
    {"QtColorPicker", "Dark cyan", "Dark cyan"},
    {"QtColorPicker", "Magenta", "Magenta"},
    {"QtColorPicker", "Dark magenta", "Dark magenta"},
    {"QtColorPicker", "Yellow", "Yellow"},
    {"QtColorPicker", "Dark yellow", "Dark yellow"},
    {"QtColorPicker", "Gray", "Gray"},
    {"QtColorPicker", "Dark gray", "Dark gray"},
    {"QtColorPicker", "Light gray", "Light gray"},
};

struct Language {
    const char* suffix;
    const char* tag; // the language the file declares
    // The script its words are written in, for the languages that have one of their own.
    const char* script;
};

const Language kLanguages[] = {
    {"_ae", "ar", "[\\x{0600}-\\x{06FF}]"},
    {"_cn", "zh_TW", "[\\x{4E00}-\\x{9FFF}]"},
    {"_da", "da", nullptr},
    {"_de", "de", nullptr},
    {"_du", "nl", nullptr},
    {"_en", "en", nullptr},
    {"_fr", "fr", nullptr},
    {"_gr", "el", "[\\x{0370}-\\x{03FF}]"},
    {"_it", "it", nullptr},
    {"_jp", "ja", "[\\x{3040}-\\x{30FF}\\x{4E00}-\\x{9FFF}]"},
    {"_no", "nb", nullptr},
    {"_pr", "pt", nullptr},
    {"_ru", "ru", "[\\x{0400}-\\x{04FF}]"},
    {"_sp", "es", nullptr},
    {"_sw", "sv", nullptr},
    {"_tk", "tr", nullptr},
};

// Test names and failure messages show the file's suffix.
void PrintTo(const Language& language, std::ostream* out) {
    *out << language.suffix;
}

// Words a language writes exactly as English does.
const std::set<std::pair<std::string, std::string>> kSameAsEnglish = {
    {"_da", "Start"},     {"_no", "Start"},       {"_du", "Help"},    {"_it", "File"},
    {"_fr", "Luminance"}, {"_fr", "Chrominance"}, {"_da", "Cyan"},    {"_de", "Cyan"},
    {"_fr", "Cyan"},      {"_no", "Cyan"},        {"_sw", "Cyan"},    {"_da", "Magenta"},
    {"_de", "Magenta"},   {"_du", "Magenta"},     {"_fr", "Magenta"}, {"_it", "Magenta"},
    {"_no", "Magenta"},   {"_pr", "Magenta"},     {"_sp", "Magenta"}, {"_sw", "Magenta"},
};

QString fileName(const Language& language) {
    return QStringLiteral(":/qm/denoise") + language.suffix + ".qm";
}

QStringList placeholders(const QString& text) {
    QStringList found;
    const QRegularExpression marker(QStringLiteral("%\\d"));
    for (auto it = marker.globalMatch(text); it.hasNext();)
        found.append(it.next().captured());
    found.sort();
    return found;
}

class TranslationFile : public ::testing::TestWithParam<Language> {};

} // namespace

TEST_P(TranslationFile, LoadsFromTheResourcesAndDeclaresItsLanguage) {
    const Language& language = GetParam();
    EXPECT_TRUE(QFile::exists(fileName(language)));
    QTranslator translator;
    // Loaded as installTranslator loads it: the name without ".qm", which Qt appends.
    ASSERT_TRUE(translator.load(QStringLiteral(":/qm/denoise") + language.suffix));
    EXPECT_FALSE(translator.isEmpty());
    EXPECT_EQ(translator.language(), QString(language.tag));
}

TEST_P(TranslationFile, ResolvesEveryTextInItsContext) {
    const Language& language = GetParam();
    QTranslator translator;
    ASSERT_TRUE(translator.load(fileName(language)));
    const bool english = std::string(language.suffix) == "_en";
    for (const Text& text : kTexts) {
        const QString source = QString::fromUtf8(text.source);
        const QString englishText = QString::fromUtf8(text.english);
        const QString translated = translator.translate(text.context, text.source);
        const std::string where = std::string(language.suffix) + " " + text.context + "/" +
                                  text.source + ": " + translated.toStdString();
        ASSERT_FALSE(translated.isEmpty()) << where;
        EXPECT_EQ(translated, translated.trimmed()) << where;
        if (english) {
            EXPECT_EQ(translated, englishText) << where;
            continue;
        }
        const bool sameAsEnglish = kSameAsEnglish.count({language.suffix, text.english}) > 0;
        // The source shows through untranslated, unless it is the English word itself and the
        // language writes it the same way.
        if (!sameAsEnglish || source != englishText) {
            EXPECT_NE(translated, source) << where;
        }
        if (!sameAsEnglish) {
            EXPECT_NE(translated, englishText) << where << " is still English";
        }
        EXPECT_EQ(placeholders(translated), placeholders(englishText)) << where;
        if (language.script) {
            const QRegularExpression script(QString::fromLatin1(language.script));
            EXPECT_TRUE(translated.contains(script)) << where << " is not in its own script";
        }
    }
}

TEST_P(TranslationFile, KeepsTheTextsThatDifferByContextApart) {
    // The same key reads differently where it is shown: the menu's Save is not the side panel's
    // Save As, nor the main menu's Before / After the editing page's short button.
    QTranslator translator;
    ASSERT_TRUE(translator.load(fileName(GetParam())));
    EXPECT_NE(translator.translate("MainWindow", "IDS_SAVE"),
              translator.translate("IQAdjustingFrame", "IDS_SAVE"));
    EXPECT_NE(translator.translate("MainWindow", "IDS_BATCH"),
              translator.translate("IQBatchDenoiseDialog", "IDS_BATCH"));
    EXPECT_NE(translator.translate("MainWindow", "IDS_BEFORE_AFTER"),
              translator.translate("IQEditingFrame", "IDS_BEFORE_AFTER"));
    // A key asked for in a context that does not show it stays unresolved.
    EXPECT_TRUE(translator.translate("IQWizardFrame", "IDS_SAVE").isNull());
}

INSTANTIATE_TEST_SUITE_P(AllLanguages, TranslationFile, ::testing::ValuesIn(kLanguages),
                         [](const ::testing::TestParamInfo<Language>& info) {
                             return std::string(info.param.suffix + 1);
                         });

TEST(TranslationFiles, ChineseIsWrittenInTraditionalCharacters) {
    // Characters that exist only in the simplified script, each with its traditional form used in
    // the catalogue (file, open, save, process, close, show, picture, ...).
    const QString simplifiedOnly = QString::fromUtf8("档开储处关显图击选择误输预设说删");
    QTranslator translator;
    ASSERT_TRUE(translator.load(":/qm/denoise_cn.qm"));
    for (const Text& text : kTexts) {
        const QString translated = translator.translate(text.context, text.source);
        for (const QChar ch : simplifiedOnly) {
            EXPECT_FALSE(translated.contains(ch))
                << text.source << ": " << translated.toStdString() << " uses a simplified form";
        }
    }
}

TEST(TranslationFiles, SixteenFilesAndNoOthers) {
    QSet<QString> expected;
    for (const Language& language : kLanguages)
        expected.insert(QStringLiteral("denoise") + language.suffix + ".qm");
    QSet<QString> present;
    QDir folder(":/qm");
    for (const QString& name : folder.entryList(QDir::Files))
        present.insert(name);
    EXPECT_EQ(present, expected);
}
