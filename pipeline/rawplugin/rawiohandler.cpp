#include "rawiohandler.h"
#include "rawiohandler_p.h"

#include <QDebug>
#include <QIODevice>
#include <QTransform>
#include <QVariant>

#include <libraw.h>

#include <climits>
#include <cstring>
#include <mutex>

namespace {

// LibRaw's VNG interpolation, which four_color_rgb selects for Bayer sensors, walks its table of
// terms through a function-static pointer that every LibRaw object shares: two decodes
// interpolating at once corrupt each other's walk and crash. Post-processing therefore runs one
// decode at a time; opening, unpacking and previews still run in parallel.
std::mutex processMutex;

// Parameters every decode uses; all others keep LibRaw's defaults (8 bits per sample among them).
void setDecodeParameters(libraw_output_params_t& params) {
    params.four_color_rgb = 1;
    params.use_camera_wb = 1;
    params.use_camera_matrix = 1;
    params.output_color = 1; // sRGB
    params.output_tiff = 0;
    params.use_fuji_rotate = 1;
    params.green_matching = 1;
}

// Frees LibRaw's processed image when the read ends, however it ends.
struct ProcessedImage {
    libraw_processed_image_t* image = nullptr;
    ~ProcessedImage() {
        if (image)
            LibRaw::dcraw_clear_mem(image);
    }
};

// Previews are stored as the sensor lies and are turned upright here; LibRaw's own decode of the
// sensor data comes out upright already.
QImage decodeProcessed(const libraw_processed_image_t& processed, bool preview, int flip) {
    QImage image;
    if (processed.type == LIBRAW_IMAGE_JPEG) {
        if (processed.data_size <= unsigned(INT_MAX))
            image = QImage::fromData(processed.data, int(processed.data_size), "JPEG");
    } else {
        image = RawImage::fromBitmap(processed.width, processed.height, processed.colors,
                                     processed.bits, processed.data, processed.data_size);
    }
    return preview ? RawImage::turnedUpright(image, flip) : image;
}

} // namespace

QImage RawImage::fromBitmap(int width, int height, int colors, int bits, const uchar* data,
                            quint64 dataSize) {
    if (width <= 0 || height <= 0 || colors <= 0 || (bits != 8 && bits != 16) || !data)
        return QImage();
    const int sampleBytes = bits / 8;
    const quint64 pixelBytes = quint64(colors) * quint64(sampleBytes);
    const quint64 rowBytes = quint64(width) * pixelBytes;
    if (rowBytes * quint64(height) > dataSize)
        return QImage();
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return image;

    // The 8-bit value of sample i of the pixel at p: the sample itself, or the high byte of a
    // 16-bit one.
    const auto sample = [sampleBytes](const uchar* p, int i) -> int {
        if (sampleBytes == 1)
            return p[i];
        quint16 v;
        std::memcpy(&v, p + 2 * i, sizeof v);
        return v >> 8;
    };
    const bool rgb = colors == 3;
    for (int y = 0; y < height; ++y) {
        const uchar* src = data + quint64(y) * rowBytes;
        QRgb* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x, src += pixelBytes) {
            const int r = sample(src, 0);
            dst[x] = rgb ? qRgb(r, sample(src, 1), sample(src, 2)) : qRgb(r, r, r);
        }
    }
    return image;
}

QImage RawImage::turnedUpright(const QImage& image, int flip) {
    qreal degrees;
    switch (flip) {
    case 3:
        degrees = 180;
        break;
    case 5:
        degrees = -90;
        break;
    case 6:
        degrees = 90;
        break;
    default:
        return image;
    }
    if (image.isNull())
        return image;
    QTransform turn;
    turn.rotate(degrees, Qt::ZAxis);
    return image.transformed(turn, Qt::FastTransformation);
}

RawIOHandlerPrivate::~RawIOHandlerPrivate() {
    delete raw;
    delete stream;
}

bool RawIOHandlerPrivate::load(QIODevice* device) {
    if (!device || !device->isReadable() || device->isSequential())
        return false;
    const qint64 position = device->pos();
    device->seek(0);
    if (raw)
        return true;

    data = device->readAll();
    data.detach(); // LibRaw keeps a plain pointer into the bytes
    stream = new LibRaw_buffer_datastream(data.data(), size_t(data.size()));
    raw = new LibRaw(0);
    setDecodeParameters(raw->imgdata.params);
    if (raw->open_datastream(stream) != LIBRAW_SUCCESS) {
        device->seek(position);
        delete raw;
        raw = nullptr;
        delete stream;
        stream = nullptr;
        data.clear();
        return false;
    }
    const libraw_image_sizes_t& sizes = raw->imgdata.sizes;
    defaultSize = QSize(sizes.width, sizes.height);
    if (sizes.flip == 5 || sizes.flip == 6)
        defaultSize.transpose();
    return true;
}

RawIOHandler::RawIOHandler() : d(new RawIOHandlerPrivate(this)) {}

RawIOHandler::~RawIOHandler() {
    delete d;
}

bool RawIOHandler::canRead() const {
    if (!canRead(device()))
        return false;
    setFormat("raw");
    return true;
}

bool RawIOHandler::canRead(QIODevice* device) {
    if (!device)
        return false;
    // Readers try one handler after another on the same device: leave it where it was.
    const qint64 position = device->pos();
    RawIOHandler probe;
    const bool ok = probe.d->load(device);
    if (ok && !device->isSequential())
        device->seek(position);
    return ok;
}

bool RawIOHandler::read(QImage* image) {
    if (!image || !d->load(device()))
        return false;
    LibRaw& raw = *d->raw;

    const QSize target =
        d->scaledSize.width() >= 0 && d->scaledSize.height() >= 0 ? d->scaledSize : d->defaultSize;
    const libraw_thumbnail_t& thumbnail = raw.imgdata.thumbnail;
    ProcessedImage processed;
    int status;
    const bool preview = thumbnail.twidth > target.width() || thumbnail.theight > target.height();
    if (preview) {
        qDebug("Using thumbnail");
        status = raw.unpack_thumb();
        if (status == LIBRAW_SUCCESS)
            processed.image = raw.dcraw_make_mem_thumb(&status);
    } else {
        qDebug("Decoding raw data");
        // The sensor data stays unpacked after the first read; processing starts from it again.
        status =
            raw.imgdata.progress_flags & LIBRAW_PROGRESS_LOAD_RAW ? LIBRAW_SUCCESS : raw.unpack();
        if (status == LIBRAW_SUCCESS) {
            std::lock_guard<std::mutex> lock(processMutex);
            status = raw.dcraw_process();
        }
        if (status == LIBRAW_SUCCESS)
            processed.image = raw.dcraw_make_mem_image(&status);
    }
    if (status != LIBRAW_SUCCESS || !processed.image)
        return false;

    const QImage decoded = decodeProcessed(*processed.image, preview, raw.imgdata.sizes.flip);
    if (decoded.isNull())
        return false;
    const QImage result = decoded.size() == target ? decoded
                                                   : decoded.scaled(target, Qt::IgnoreAspectRatio,
                                                                    Qt::SmoothTransformation);
    // A preview Qt cannot decode or a target with an empty side leaves nothing to deliver.
    if (result.isNull())
        return false;
    *image = result;
    return true;
}

QVariant RawIOHandler::option(ImageOption option) const {
    switch (option) {
    case Size:
        d->load(device());
        return d->defaultSize;
    case ScaledSize:
        return d->scaledSize;
    case ImageFormat:
        return int(QImage::Format_RGB32);
    default:
        return QVariant();
    }
}

void RawIOHandler::setOption(ImageOption option, const QVariant& value) {
    if (option == ScaledSize)
        d->scaledSize = value.toSize();
}

bool RawIOHandler::supportsOption(ImageOption option) const {
    return option == Size || option == ScaledSize || option == ImageFormat;
}
