// The process-wide holder of this product's identity and its Help-page links.
#ifndef PRODUCTINFO_H
#define PRODUCTINFO_H

#include <QMap>
#include <QString>

class ProductLinks;

class ProductInfo {
public:
    ProductInfo(int productIndex, const QString& displayName, int channel,
                const QMap<int, QString>& siteLanguages);
    // Takes the site languages from siteLanguageCodes().
    ProductInfo(int productIndex, const QString& displayName, int channel);
    ~ProductInfo();
    ProductInfo(const ProductInfo&) = delete;
    ProductInfo& operator=(const ProductInfo&) = delete;

    int productIndex() const { return index; }
    QString displayName() const { return name; }
    int channel() const { return channelId; }
    QMap<int, QString> siteLanguages() const { return languages; }
    ProductLinks* links() const { return productLinks; }

private:
    int index;
    QString name;
    int channelId; // kept, not used by the links
    QMap<int, QString> languages;
    ProductLinks* productLinks; // owned
};

// The holder, created on the first call (with this product's index, display name and channel)
// and kept until the process ends. GUI thread only.
ProductInfo* productInfo();

#endif // PRODUCTINFO_H
