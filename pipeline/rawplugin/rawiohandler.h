// Reads camera RAW files through LibRaw. Without a scaled size it decodes the sensor data at the
// size LibRaw reports (turned upright); with a scaled size smaller than the file's embedded
// preview it uses the preview instead, which is much faster. Sequential devices are refused: the
// whole file is read into memory and LibRaw seeks in it.
#pragma once

#include <QImageIOHandler>

class RawIOHandlerPrivate;

class RawIOHandler : public QImageIOHandler {
public:
    RawIOHandler();
    ~RawIOHandler() override;

    bool canRead() const override;
    bool read(QImage* image) override;
    QVariant option(ImageOption option) const override;
    void setOption(ImageOption option, const QVariant& value) override;
    bool supportsOption(ImageOption option) const override;

    // Whether LibRaw can open the file on device; the device is left where it was.
    static bool canRead(QIODevice* device);

private:
    RawIOHandlerPrivate* d;
};
