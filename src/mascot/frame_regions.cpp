#include "mascot/frame_regions.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {
using Runs = std::vector<std::pair<int, int>>; // [left, right) spans of one row

// The picture as 32-bit pixels whose low 24 bits are the colour pixel()
// reports. Converting gives exactly that for every format but premultiplied
// and floating-point ones, whose conversion rounds otherwise than pixel()
// does (two translucent pixels could come out alike or apart); those are
// read pixel by pixel.
QImage rgb32Of(const QImage& picture)
{
    const QPixelFormat format = picture.pixelFormat();
    if (format.premultiplied() != QPixelFormat::Premultiplied &&
        format.typeInterpretation() != QPixelFormat::FloatingPoint)
        return picture.convertToFormat(QImage::Format_RGB32);
    QImage out(picture.size(), QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            row[x] = picture.pixel(x, y);
    }
    return out;
}

// The colour of a point: its RGB value, or -1 outside the picture.
class Colours
{
public:
    explicit Colours(const QImage& picture)
        : m_image(rgb32Of(picture))
    {
    }
    int width() const { return m_image.width(); }
    int height() const { return m_image.height(); }
    qint64 at(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= width() || y >= height())
            return -1;
        return qint64(reinterpret_cast<const QRgb*>(m_image.constScanLine(y))[x] & 0xFFFFFFu);
    }
    const QRgb* row(int y) const { return reinterpret_cast<const QRgb*>(m_image.constScanLine(y)); }

private:
    QImage m_image;
};

// The spans of row y, x from 0 to limit, whose colour differs from key.
// Runs are maximal, so neighbouring spans never touch.
void rowRuns(const Colours& colours, int y, int limit, qint64 key, Runs& runs)
{
    runs.clear();
    const int inside = y < colours.height() ? std::min(colours.width(), limit + 1) : 0;
    const QRgb* pixels = inside > 0 ? colours.row(y) : nullptr;
    int start = -1;
    for (int x = 0; x <= limit; ++x) {
        const qint64 colour = x < inside ? qint64(pixels[x] & 0xFFFFFFu) : -1;
        const bool differs = colour != key;
        if (differs && start < 0) {
            start = x;
        } else if (!differs && start >= 0) {
            runs.emplace_back(start, x);
            start = -1;
        }
    }
    if (start >= 0)
        runs.emplace_back(start, limit + 1);
}

void emitBand(const Runs& runs, int top, int bottom, std::vector<QRect>& rects)
{
    for (const auto& [left, right] : runs)
        rects.emplace_back(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

// Qt's fast region constructor needs the canonical banded form: rectangles
// with area, sorted by top then left, one height per band, bands that do not
// overlap, and spans in a band that neither overlap nor touch.
bool isBanded(const std::vector<QRect>& rects)
{
    for (size_t i = 0; i < rects.size(); ++i) {
        const QRect& r = rects[i];
        if (r.isEmpty())
            return false;
        if (i == 0)
            continue;
        const QRect& p = rects[i - 1];
        if (r.top() == p.top()) {
            if (r.bottom() != p.bottom() || r.left() <= p.right() + 1)
                return false;
        } else if (r.top() <= p.bottom()) {
            return false;
        }
    }
    return true;
}
} // namespace

FrameRgnData::FrameRgnData()
    : FrameRgnData(fromRects({}))
{
}

FrameRgnData::FrameRgnData(QByteArray bytes)
    : m_bytes(std::move(bytes))
{
}

FrameRgnData FrameRgnData::fromRects(const std::vector<QRect>& rects)
{
    RgnDataHeader header;
    header.nCount = quint32(rects.size());
    header.nRgnSize = quint32(rects.size() * kRectSize);
    if (!rects.empty()) {
        QRect bound;
        for (const QRect& r : rects)
            bound |= r;
        header.rcBound[0] = bound.left();
        header.rcBound[1] = bound.top();
        header.rcBound[2] = bound.right() + 1;
        header.rcBound[3] = bound.bottom() + 1;
    }
    QByteArray bytes(kHeaderSize + qsizetype(header.nRgnSize), Qt::Uninitialized);
    std::memcpy(bytes.data(), &header, kHeaderSize);
    char* out = bytes.data() + kHeaderSize;
    for (const QRect& r : rects) {
        const qint32 corners[4] = {r.left(), r.top(), r.right() + 1, r.bottom() + 1};
        std::memcpy(out, corners, kRectSize);
        out += kRectSize;
    }
    return FrameRgnData(std::move(bytes));
}

RgnDataHeader FrameRgnData::header() const
{
    RgnDataHeader header{0, 0, 0, 0, {}};
    if (m_bytes.size() >= kHeaderSize)
        std::memcpy(&header, m_bytes.constData(), kHeaderSize);
    return header;
}

std::vector<QRect> FrameRgnData::rects() const
{
    std::vector<QRect> rects;
    if (m_bytes.size() < kHeaderSize)
        return rects;
    const qint64 available = (m_bytes.size() - kHeaderSize) / kRectSize;
    const qint64 count = std::min<qint64>(header().nCount, available);
    rects.reserve(size_t(count));
    const char* in = m_bytes.constData() + kHeaderSize;
    for (qint64 i = 0; i < count; ++i, in += kRectSize) {
        qint32 c[4];
        std::memcpy(c, in, kRectSize);
        // A damaged record may hold any edges: they are brought within reach
        // of a window first, so that no width or height overflows an int.
        // Right and bottom are exclusive; an inverted rectangle comes out empty.
        qint64 edge[4];
        for (int k = 0; k < 4; ++k)
            edge[k] = std::clamp<qint64>(c[k], -kCoordinateLimit, kCoordinateLimit);
        rects.emplace_back(QPoint(int(edge[0]), int(edge[1])), QPoint(int(edge[2] - 1), int(edge[3] - 1)));
    }
    return rects;
}

FrameRgnData MakeFrameRegion(const QImage& picture, int scanLimit)
{
    const Colours colours(picture);
    const qint64 key = colours.at(0, 0);
    std::vector<QRect> rects;
    Runs band; // spans of the band being built
    Runs row;  // spans of the current row
    int bandTop = 0;
    // Rows with the same spans as the row above extend its band, as the
    // platform's region code merges them; an empty row ends the band.
    for (int y = 0; y <= scanLimit; ++y) {
        rowRuns(colours, y, scanLimit, key, row);
        if (!band.empty() && row == band)
            continue;
        emitBand(band, bandTop, y, rects);
        band.swap(row);
        bandTop = y;
    }
    emitBand(band, bandTop, scanLimit + 1, rects);
    return FrameRgnData::fromRects(rects);
}

std::array<FrameRgnData, 8> MakeFrameRegions(const std::array<QImage, 8>& frames, int scanLimit)
{
    std::array<FrameRgnData, 8> records;
    for (size_t i = 0; i < frames.size(); ++i)
        records[i] = MakeFrameRegion(frames[i], scanLimit);
    return records;
}

std::optional<QRegion> RegionFromRecord(const FrameRgnData& record)
{
    const QByteArray& bytes = record.bytes();
    if (bytes.size() < FrameRgnData::kHeaderSize)
        return std::nullopt;
    const RgnDataHeader header = record.header();
    if (header.dwSize != quint32(FrameRgnData::kHeaderSize) || header.iType != 1)
        return std::nullopt;
    const qint64 listSize = qint64(header.nCount) * FrameRgnData::kRectSize;
    if (qint64(header.nRgnSize) != listSize || FrameRgnData::kHeaderSize + listSize > bytes.size())
        return std::nullopt;

    std::vector<QRect> rects = record.rects();
    QRegion region;
    if (isBanded(rects)) {
        region.setRects(rects.data(), int(rects.size()));
        return region;
    }
    for (const QRect& r : rects) {
        if (!r.isEmpty())
            region += r;
    }
    return region;
}
