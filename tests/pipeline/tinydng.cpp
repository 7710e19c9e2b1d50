#include "tinydng.h"

#include <QBuffer>
#include <QtEndian>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

enum TiffType : uint16_t { Byte = 1, Ascii = 2, Short = 3, Long = 4, Rational = 5, SRational = 10 };

struct Entry {
    uint16_t tag;
    uint16_t type;
    uint32_t count;
    QByteArray value; // little-endian bytes of all count values
};

void append16(QByteArray& out, uint16_t v) {
    uchar b[2];
    qToLittleEndian(v, b);
    out.append(reinterpret_cast<const char*>(b), 2);
}

void append32(QByteArray& out, uint32_t v) {
    uchar b[4];
    qToLittleEndian(v, b);
    out.append(reinterpret_cast<const char*>(b), 4);
}

void put32(QByteArray& out, int at, uint32_t v) {
    qToLittleEndian(v, reinterpret_cast<uchar*>(out.data() + at));
}

Entry shorts(uint16_t tag, std::initializer_list<uint16_t> values) {
    Entry e{tag, Short, uint32_t(values.size()), {}};
    for (uint16_t v : values)
        append16(e.value, v);
    return e;
}

Entry longs(uint16_t tag, std::initializer_list<uint32_t> values) {
    Entry e{tag, Long, uint32_t(values.size()), {}};
    for (uint32_t v : values)
        append32(e.value, v);
    return e;
}

Entry bytes(uint16_t tag, std::initializer_list<uint8_t> values) {
    Entry e{tag, Byte, uint32_t(values.size()), {}};
    for (uint8_t v : values)
        e.value.append(char(v));
    return e;
}

Entry ascii(uint16_t tag, const char* text) {
    QByteArray value(text);
    value.append('\0');
    return Entry{tag, Ascii, uint32_t(value.size()), value};
}

// Rationals with a fixed denominator of 10000.
Entry rationals(uint16_t tag, uint16_t type, std::initializer_list<double> values) {
    Entry e{tag, type, uint32_t(values.size()), {}};
    for (double v : values) {
        append32(e.value, uint32_t(int32_t(v * 10000.0 + (v < 0 ? -0.5 : 0.5))));
        append32(e.value, 10000);
    }
    return e;
}

// Writes one IFD at the end of out, its out-of-line values right after it. Returns, per entry, the
// file offset of its 4-byte value field (for patching offsets in later).
std::vector<int> writeIfd(QByteArray& out, std::vector<Entry> entries) {
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
    const int start = out.size();
    int extra = start + 2 + int(entries.size()) * 12 + 4;
    QByteArray outOfLine;
    std::vector<int> valueFields;
    append16(out, uint16_t(entries.size()));
    for (const Entry& e : entries) {
        append16(out, e.tag);
        append16(out, e.type);
        append32(out, e.count);
        valueFields.push_back(out.size());
        if (e.value.size() <= 4) {
            out.append(e.value);
            out.append(QByteArray(4 - e.value.size(), '\0'));
        } else {
            append32(out, uint32_t(extra + outOfLine.size()));
            outOfLine.append(e.value);
            if (outOfLine.size() % 2)
                outOfLine.append('\0');
        }
    }
    append32(out, 0); // no next IFD
    out.append(outOfLine);
    return valueFields;
}

int indexOfTag(const std::vector<Entry>& entries, uint16_t tag) {
    std::vector<uint16_t> tags;
    for (const Entry& e : entries)
        tags.push_back(e.tag);
    std::sort(tags.begin(), tags.end());
    return int(std::find(tags.begin(), tags.end(), tag) - tags.begin());
}

QByteArray encodePreview(const TinyDng& dng) {
    const QImage rgb = dng.preview.convertToFormat(QImage::Format_RGB888);
    QByteArray encoded;
    if (dng.previewKind == TinyDng::Preview::Jpeg) {
        QBuffer buffer(&encoded);
        buffer.open(QIODevice::WriteOnly);
        rgb.save(&buffer, "JPEG", 95);
    } else {
        for (int y = 0; y < rgb.height(); ++y)
            encoded.append(reinterpret_cast<const char*>(rgb.constScanLine(y)), rgb.width() * 3);
    }
    if (dng.previewBytesKept >= 0)
        encoded.truncate(dng.previewBytesKept);
    return encoded;
}

// RGGB mosaic of the scene, 16 bits per sample (8-bit values times 257).
QByteArray mosaic(const QImage& scene) {
    const QImage rgb = scene.convertToFormat(QImage::Format_RGB32);
    QByteArray out;
    out.reserve(rgb.width() * rgb.height() * 2);
    for (int y = 0; y < rgb.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb p = line[x];
            const int v = (y % 2 == 0) ? (x % 2 == 0 ? qRed(p) : qGreen(p))
                                       : (x % 2 == 0 ? qGreen(p) : qBlue(p));
            append16(out, uint16_t(v * 257));
        }
    }
    return out;
}

} // namespace

QByteArray makeTinyDng(const TinyDng& dng) {
    const bool hasPreview = dng.previewKind != TinyDng::Preview::None;
    const QByteArray preview = hasPreview ? encodePreview(dng) : QByteArray();
    const QByteArray raw = mosaic(dng.scene);
    const uint16_t orientation = uint16_t(dng.orientation);

    // IFD0: the preview (or, without one, a 1 x 1 black stand-in that no reader picks) and the
    // DNG-wide tags; the raw image lives in its SubIFD.
    std::vector<Entry> ifd0;
    const int pw = hasPreview ? dng.preview.width() : 1;
    const int ph = hasPreview ? dng.preview.height() : 1;
    const bool jpeg = dng.previewKind == TinyDng::Preview::Jpeg;
    ifd0.push_back(longs(254, {1})); // NewSubFileType: reduced-resolution image
    ifd0.push_back(longs(256, {uint32_t(pw)}));
    ifd0.push_back(longs(257, {uint32_t(ph)}));
    ifd0.push_back(shorts(258, {8, 8, 8}));
    ifd0.push_back(shorts(259, {uint16_t(jpeg ? 7 : 1)}));
    ifd0.push_back(shorts(262, {uint16_t(jpeg ? 6 : 2)}));
    ifd0.push_back(ascii(271, "Vorlach"));
    ifd0.push_back(ascii(272, "Test Sensor"));
    ifd0.push_back(longs(273, {0})); // StripOffsets, patched below
    ifd0.push_back(shorts(274, {orientation}));
    ifd0.push_back(shorts(277, {3}));
    ifd0.push_back(longs(278, {uint32_t(ph)}));
    ifd0.push_back(longs(279, {uint32_t(hasPreview ? preview.size() : 3)}));
    ifd0.push_back(shorts(284, {1}));
    ifd0.push_back(longs(330, {0})); // SubIFDs, patched below
    ifd0.push_back(bytes(50706, {1, 4, 0, 0}));
    ifd0.push_back(bytes(50707, {1, 1, 0, 0}));
    ifd0.push_back(ascii(50708, "Vorlach Test Sensor"));
    // The camera sees linear sRGB: ColorMatrix1 is the XYZ (D65) to linear sRGB matrix.
    ifd0.push_back(
        rationals(50721, SRational,
                  {3.2406, -1.5372, -0.4986, -0.9689, 1.8758, 0.0415, 0.0557, -0.2040, 1.0570}));
    ifd0.push_back(rationals(50728, Rational, {1.0, 1.0, 1.0}));
    ifd0.push_back(shorts(50778, {21})); // CalibrationIlluminant1: D65

    std::vector<Entry> sub;
    sub.push_back(longs(254, {0})); // the full-resolution image
    sub.push_back(longs(256, {uint32_t(dng.scene.width())}));
    sub.push_back(longs(257, {uint32_t(dng.scene.height())}));
    sub.push_back(shorts(258, {16}));
    sub.push_back(shorts(259, {1}));
    sub.push_back(shorts(262, {32803})); // colour filter array
    sub.push_back(longs(273, {0}));      // StripOffsets, patched below
    sub.push_back(shorts(274, {orientation}));
    sub.push_back(shorts(277, {1}));
    sub.push_back(longs(278, {uint32_t(dng.scene.height())}));
    sub.push_back(longs(279, {uint32_t(raw.size())}));
    sub.push_back(shorts(284, {1}));
    sub.push_back(shorts(33421, {2, 2}));
    sub.push_back(bytes(33422, {0, 1, 1, 2})); // R G / G B
    sub.push_back(shorts(50714, {0}));
    sub.push_back(longs(50717, {65535}));

    QByteArray out("II*\0", 4);
    append32(out, 8);
    const std::vector<int> ifd0Fields = writeIfd(out, ifd0);
    if (out.size() % 2)
        out.append('\0');
    put32(out, ifd0Fields[indexOfTag(ifd0, 330)], uint32_t(out.size()));
    const std::vector<int> subFields = writeIfd(out, sub);

    put32(out, ifd0Fields[indexOfTag(ifd0, 273)], uint32_t(out.size()));
    out.append(hasPreview ? preview : QByteArray(3, '\0'));
    if (out.size() % 2)
        out.append('\0');
    put32(out, subFields[indexOfTag(sub, 273)], uint32_t(out.size()));
    out.append(raw);
    return out;
}
