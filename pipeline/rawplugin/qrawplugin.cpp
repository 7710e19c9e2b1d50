#include "qrawplugin.h"

#include "rawiohandler.h"

#include <QStringList>

QImageIOPlugin::Capabilities QRawPlugin::capabilities(QIODevice* device,
                                                      const QByteArray& format) const {
    // Qt may hand over a format with a trailing zero; only what comes before it counts.
    const QByteArray name(format.constData());
    if (!name.isEmpty()) {
        const QStringList rawSuffixes{
            QStringLiteral("crw"), QStringLiteral("cr2"), QStringLiteral("cr3"),
            QStringLiteral("arw"), QStringLiteral("sr2"), QStringLiteral("srf"),
            QStringLiteral("nef"), QStringLiteral("orf"), QStringLiteral("dng")};
        const QString suffix = QString::fromLatin1(name);
        if (rawSuffixes.contains(suffix) || name == "tif" || name == "tiff")
            return CanRead;
        return {};
    }
    if (device && device->isReadable() && RawIOHandler::canRead(device))
        return CanRead;
    return {};
}

QImageIOHandler* QRawPlugin::create(QIODevice* device, const QByteArray& format) const {
    auto* handler = new RawIOHandler;
    handler->setDevice(device);
    handler->setFormat(format);
    return handler;
}
