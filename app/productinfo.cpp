#include "productinfo.h"

#include "productlinks.h"
#include "startup.h"

ProductInfo::ProductInfo(int productIndex, const QString& displayName, int channel,
                         const QMap<int, QString>& siteLanguages)
    : index(productIndex), name(displayName), channelId(channel), languages(siteLanguages),
      productLinks(new ProductLinks(productIndex, siteLanguages)) {}

ProductInfo::ProductInfo(int productIndex, const QString& displayName, int channel)
    : ProductInfo(productIndex, displayName, channel, siteLanguageCodes()) {}

ProductInfo::~ProductInfo() {
    delete productLinks;
}

ProductInfo* productInfo() {
    static ProductInfo* const info = new ProductInfo(productIndex(), productDisplayName(),
                                                     productChannel(), siteLanguageCodes());
    return info;
}
