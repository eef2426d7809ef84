// Frame regions from arbitrary small pictures against the pixel-by-pixel
// reference the tests use (the same set of pixels), and region records
// from arbitrary bytes, which must be refused or re-created without harm.
//
// Input: byte 0 picks the test (bit 0 clear: a picture, set: a record). For a
// picture: bytes 1-3 width, height (0-23) and scan limit (0-29), byte 4 the
// pixel format, bytes 5-20 four colours, then one byte per pixel choosing
// among them; with bit 1 of byte 0 set, the bytes left over then overwrite
// the picture's pixels as they are stored. For a record: the record's bytes
// from byte 1 on.

#include "fuzz/fuzz_support.h"
#include "mascot/frame_regions.h"
#include "support/pixel_region.h"

#include <array>
#include <cstring>

namespace {
constexpr std::array kFormats{
    QImage::Format_RGB32,
    QImage::Format_ARGB32,
    QImage::Format_ARGB32_Premultiplied,
    QImage::Format_Indexed8,
    QImage::Format_Grayscale8,
    QImage::Format_Grayscale16,
    QImage::Format_RGB888,
    QImage::Format_RGB16,
    QImage::Format_RGBA64,
    QImage::Format_Mono,
    QImage::Format_RGBA8888,
    QImage::Format_RGBX64,
    QImage::Format_RGBA64_Premultiplied,
    QImage::Format_RGBA8888_Premultiplied,
    QImage::Format_RGBA16FPx4,
    QImage::Format_A2RGB30_Premultiplied,
};

qint64 pixelCount(const QRegion& region)
{
    qint64 count = 0;
    for (const QRect& r : region)
        count += qint64(r.width()) * r.height();
    return count;
}

void checkPicture(const uint8_t* data, size_t size)
{
    if (size < 21)
        return;
    const int width = data[1] % 24, height = data[2] % 24, scanLimit = data[3] % 30;
    const QImage::Format format = kFormats[data[4] % kFormats.size()];
    QRgb colours[4];
    std::memcpy(colours, data + 5, sizeof colours);
    QImage source(width, height, QImage::Format_ARGB32);
    size_t at = 21;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            source.setPixel(x, y, colours[at < size ? data[at++] % 4 : 0]);
    QImage picture = source.convertToFormat(format);
    if (data[0] & 2) {
        // The pixels' bytes as they come, valid for the format or not (a
        // premultiplied colour brighter than its alpha, a NaN).
        for (int y = 0; y < height; ++y)
            for (qsizetype i = 0; i < picture.bytesPerLine(); ++i)
                picture.scanLine(y)[i] = at < size ? data[at++] : 0;
    }

    const FrameRgnData record = MakeFrameRegion(picture, scanLimit);
    const RgnDataHeader header = record.header();
    FUZZ_CHECK(record.bytes().size() == FrameRgnData::kHeaderSize + qsizetype(header.nRgnSize) &&
               header.nRgnSize == header.nCount * FrameRgnData::kRectSize);
    const std::optional<QRegion> region = RegionFromRecord(record);
    FUZZ_CHECK(region.has_value());
    const QRegion reference = PixelByPixelRegion(picture, scanLimit);
    // The same pixels; QRegion's == also compares how they are cut into
    // rectangles, which depends on the order they were united in.
    FUZZ_CHECK((*region ^ reference).isEmpty(), "%dx%d format %d, scan limit %d: %d pixels differ", width,
               height, int(format), scanLimit, int(pixelCount(*region ^ reference)));
}

void checkRecord(const uint8_t* data, size_t size)
{
    const FrameRgnData record(QByteArray(reinterpret_cast<const char*>(data) + 1, qsizetype(size) - 1));
    const std::optional<QRegion> region = RegionFromRecord(record);
    if (!region)
        return;
    // What comes back covers each rectangle of the record that has area
    // within reach of a window, and nothing outside their bounds.
    QRect bound;
    for (const QRect& r : record.rects()) {
        if (r.isEmpty())
            continue;
        FUZZ_CHECK(region->contains(r), "a rectangle of the record is missing");
        bound |= r;
    }
    FUZZ_CHECK(bound.contains(region->boundingRect()) || region->isEmpty());
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    if (data[0] % 2 == 0)
        checkPicture(data, size);
    else
        checkRecord(data, size);
    return 0;
}
