// Addresses of the Help menu's pages in the languages of the interface.
#include "productinfo.h"
#include "productlinks.h"
#include "qstringprinter.h"

#include <QLocale>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

// Makes locale the default for the life of the object.
class DefaultLocale {
public:
    explicit DefaultLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    ~DefaultLocale() { QLocale::setDefault(saved); }

private:
    QLocale saved;
};

} // namespace

TEST(HelpLinks, SiteRootIsAnHttpsAddressEndingInASlash) {
    const QUrl root(siteRoot());
    EXPECT_TRUE(root.isValid());
    EXPECT_EQ(root.scheme(), QStringLiteral("https"));
    EXPECT_FALSE(root.host().isEmpty());
    // A name under the top-level domain reserved for examples, which nobody can own.
    EXPECT_TRUE(root.host().endsWith(QStringLiteral(".example"))) << root.host().toStdString();
    EXPECT_EQ(root.path(), QStringLiteral("/"));
    EXPECT_TRUE(siteRoot().endsWith(QLatin1Char('/')));
}

TEST(HelpLinks, AddressesCarryTheSiteLanguageOfTheLocale) {
    const QString r = siteRoot();
    const struct {
        QLocale locale;
        const char* segment; // "" for none
    } cases[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), ""},
        {QLocale(QLocale::English, QLocale::UnitedKingdom), ""},
        {QLocale(QLocale::German, QLocale::Germany), "de/"},
        {QLocale(QLocale::German, QLocale::Switzerland), "de/"},
        {QLocale(QLocale::Japanese, QLocale::Japan), "jp/"},
        {QLocale(QLocale::Korean, QLocale::SouthKorea), "ar/"},
        {QLocale(QLocale::Russian, QLocale::Russia), "ar/"},
        {QLocale(QLocale::NorwegianBokmal, QLocale::Norway), "no/"},
        {QLocale(QLocale::NorwegianNynorsk, QLocale::Norway), "ar/"},
        {QLocale(QLocale::Chinese, QLocale::TraditionalChineseScript, QLocale::Taiwan), "tw/"},
        {QLocale(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China), "tw/"},
        {QLocale(QLocale::Danish, QLocale::Denmark), "dk/"},
        {QLocale(QLocale::Swedish, QLocale::Sweden), "se/"},
        {QLocale(QLocale::Portuguese, QLocale::Brazil), "pt/"},
        {QLocale(QLocale::Arabic, QLocale::Egypt), "ar/"},
    };
    ProductLinks links(3, siteLanguageCodes());
    for (const auto& c : cases) {
        DefaultLocale locale(c.locale);
        const QString segment = QString::fromLatin1(c.segment);
        const std::string what = c.locale.name().toStdString();
        EXPECT_EQ(links.guideUrl(), r + segment + QStringLiteral("denoise/guide")) << what;
        EXPECT_EQ(links.faqUrl(), r + segment + QStringLiteral("faq/denoise")) << what;
        EXPECT_EQ(links.supportUrl(), r + segment + QStringLiteral("support")) << what;
        EXPECT_FALSE(links.faqUrl().mid(QStringLiteral("https://").size()).contains("//")) << what;
    }
}

TEST(HelpLinks, LanguageIsLookedUpOnEveryRequest) {
    ProductLinks links(3, siteLanguageCodes());
    {
        DefaultLocale locale(QLocale(QLocale::French, QLocale::France));
        EXPECT_EQ(links.supportUrl(), siteRoot() + QStringLiteral("fr/support"));
    }
    {
        DefaultLocale locale(QLocale(QLocale::Italian, QLocale::Italy));
        EXPECT_EQ(links.supportUrl(), siteRoot() + QStringLiteral("it/support"));
    }
}

TEST(HelpLinks, SiteLanguageTable) {
    const QMap<int, QString> codes = siteLanguageCodes();
    const QMap<int, QString> expected{
        {8, "ar"},  {25, "tw"}, {29, "dk"},  {30, "nl"},  {31, "en"},
        {37, "fr"}, {42, "de"}, {43, "gr"},  {58, "it"},  {59, "jp"},
        {85, "no"}, {91, "pt"}, {111, "es"}, {114, "se"}, {125, "tr"},
    };
    EXPECT_EQ(codes, expected);
    // The fallback for languages outside the table is the first in key order.
    EXPECT_EQ(codes.firstKey(), int(QLocale::Arabic));
}

TEST(HelpLinks, LanguagesOfTheHolderDecideTheSegment) {
    DefaultLocale locale(QLocale(QLocale::German, QLocale::Germany));
    // Without German in the table the first language stands in for it.
    const QMap<int, QString> few{{QLocale::Spanish, "es"}, {QLocale::English, "en"}};
    ProductInfo info(3, QStringLiteral("Vorlach Denoise"), 1, few);
    ASSERT_NE(info.links(), nullptr);
    EXPECT_EQ(info.links()->guideUrl(), siteRoot() + QStringLiteral("denoise/guide"));
    ProductLinks spanishFirst(3, {{QLocale::Spanish, "es"}, {QLocale::Turkish, "tr"}});
    EXPECT_EQ(spanishFirst.guideUrl(), siteRoot() + QStringLiteral("es/denoise/guide"));
    // A product index with no row gives no address rather than a crash.
    ProductLinks unknown(7, siteLanguageCodes());
    EXPECT_TRUE(unknown.guideUrl().isEmpty());
    EXPECT_TRUE(unknown.faqUrl().isEmpty());
    EXPECT_TRUE(unknown.supportUrl().isEmpty());
}

TEST(HelpLinks, ProcessWideHolderIsMadeOnceWithThisProductsIdentity) {
    ProductInfo* info = productInfo();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(productInfo(), info);
    EXPECT_EQ(info->productIndex(), 3);
    EXPECT_EQ(info->channel(), 1);
    EXPECT_EQ(info->displayName(), QStringLiteral("Vorlach Denoise"));
    EXPECT_EQ(info->siteLanguages(), siteLanguageCodes());
    ASSERT_NE(info->links(), nullptr);
    DefaultLocale locale(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(info->links()->faqUrl(), siteRoot() + QStringLiteral("faq/denoise"));

    ProductInfo own(3, QStringLiteral("x"), 1);
    EXPECT_EQ(own.siteLanguages(), siteLanguageCodes());
}
