#include "productlinks.h"

#include <QLocale>

namespace {

// This program's row of the maker's link table.
constexpr int kDenoiseProductIndex = 3;

} // namespace

QMap<int, QString> siteLanguageCodes() {
    return {
        {QLocale::Arabic, QStringLiteral("ar")},
        {QLocale::Chinese, QStringLiteral("tw")},
        {QLocale::Danish, QStringLiteral("dk")},
        {QLocale::Dutch, QStringLiteral("nl")},
        {QLocale::English, QStringLiteral("en")},
        {QLocale::French, QStringLiteral("fr")},
        {QLocale::German, QStringLiteral("de")},
        {QLocale::Greek, QStringLiteral("gr")},
        {QLocale::Italian, QStringLiteral("it")},
        {QLocale::Japanese, QStringLiteral("jp")},
        {QLocale::NorwegianBokmal, QStringLiteral("no")},
        {QLocale::Portuguese, QStringLiteral("pt")},
        {QLocale::Spanish, QStringLiteral("es")},
        {QLocale::Swedish, QStringLiteral("se")},
        {QLocale::Turkish, QStringLiteral("tr")},
    };
}

QString siteRoot() {
    return QStringLiteral("https://www.vorlach-denoise.example/");
}

ProductLinkRow::ProductLinkRow(const QString& slug, const QString& guidePath,
                               const QString& faqPath, const QString& supportPath)
    : slug(slug), guidePath(guidePath), faqPath(faqPath), supportPath(supportPath) {}

ProductLinks::ProductLinks(int productIndex, const QMap<int, QString>& siteLanguages)
    : productIndex(productIndex), siteLanguages(siteLanguages) {
    rows.insert(kDenoiseProductIndex,
                new ProductLinkRow(QStringLiteral("denoise"), QStringLiteral("denoise/guide"),
                                   QStringLiteral("faq/denoise"), QStringLiteral("support")));
}

ProductLinks::~ProductLinks() {
    qDeleteAll(rows);
}

QString ProductLinks::guideUrl() const {
    return address(&ProductLinkRow::guidePath);
}

QString ProductLinks::faqUrl() const {
    return address(&ProductLinkRow::faqPath);
}

QString ProductLinks::supportUrl() const {
    return address(&ProductLinkRow::supportPath);
}

QString ProductLinks::address(QString ProductLinkRow::*path) const {
    const ProductLinkRow* row = rows.value(productIndex);
    if (row == nullptr)
        return QString();
    const QString& page = row->*path;

    int language = QLocale().language();
    if (!siteLanguages.contains(language) && !siteLanguages.isEmpty())
        language = siteLanguages.firstKey();
    if (language == QLocale::English || !siteLanguages.contains(language))
        return QStringLiteral("%1%2").arg(siteRoot(), page);
    return QStringLiteral("%1%2/%3").arg(siteRoot(), siteLanguages.value(language), page);
}
