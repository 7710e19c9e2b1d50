// The camera-RAW image-format plugin: hands QImageReader a RawIOHandler for the RAW suffixes and
// for RAW files recognised by their contents. It is linked statically; registerRawPlugin() makes it
// known to Qt.
#pragma once

#include <QImageIOPlugin>

class QRawPlugin : public QImageIOPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QImageIOHandlerFactoryInterface" FILE
                          "qrawplugin.json")

public:
    Capabilities capabilities(QIODevice* device, const QByteArray& format) const override;
    QImageIOHandler* create(QIODevice* device,
                            const QByteArray& format = QByteArray()) const override;
};
