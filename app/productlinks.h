// Addresses of the Help menu's web pages: the site root, a site-language segment for every
// interface language but English, then the page's path.
#ifndef PRODUCTLINKS_H
#define PRODUCTLINKS_H

#include <QMap>
#include <QString>

// The site's language codes by QLocale::Language (15 languages). The site's own codes differ
// from ISO for Chinese ("tw"), Danish, Greek, Japanese and Swedish; "en" is never used in an
// address.
QMap<int, QString> siteLanguageCodes();

// The product web site's root address (https, ending in "/").
QString siteRoot();

// One product's pages on the site.
struct ProductLinkRow {
    ProductLinkRow(const QString& slug, const QString& guidePath, const QString& faqPath,
                   const QString& supportPath);

    QString slug;        // the product's short name on the site
    QString guidePath;   // the online user guide
    QString faqPath;     // the FAQ page
    QString supportPath; // the support page
};

// The link table of the maker's products and the addresses of one product's pages, in the
// language of the default locale at the time of the call.
class ProductLinks {
public:
    ProductLinks(int productIndex, const QMap<int, QString>& siteLanguages);
    ~ProductLinks();
    ProductLinks(const ProductLinks&) = delete;
    ProductLinks& operator=(const ProductLinks&) = delete;

    // Empty when the product index names no row of the table.
    QString guideUrl() const;
    QString faqUrl() const;
    QString supportUrl() const;

private:
    QString address(QString ProductLinkRow::*path) const;

    int productIndex;
    QMap<int, QString> siteLanguages;
    QMap<int, ProductLinkRow*> rows; // owned
};

#endif // PRODUCTLINKS_H
