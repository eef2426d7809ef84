#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QRegion>
#include <QtGlobal>
#include <array>
#include <optional>
#include <vector>

// Header of a serialised region, laid out as the platform's published
// RGNDATAHEADER: 32 bytes, native byte order.
struct RgnDataHeader
{
    quint32 dwSize = 32;    // size of this header
    quint32 iType = 1;      // 1: a list of rectangles follows
    quint32 nCount = 0;     // number of rectangles
    quint32 nRgnSize = 0;   // bytes of the rectangle list, 16 per rectangle
    qint32 rcBound[4] = {}; // left, top, right, bottom (right and bottom exclusive)
};
static_assert(sizeof(RgnDataHeader) == 32);

// One frame's window region in the RGNDATA layout: the header, then the
// rectangles (left, top, right, bottom as 32-bit integers, right and bottom
// exclusive) in y-x banded order. The record is exactly as long as its
// region needs (32 + 16 x nCount bytes), so a detailed frame gets a longer
// record instead of overrunning a fixed one.
class FrameRgnData final
{
public:
    static constexpr int kHeaderSize = 32;
    static constexpr int kRectSize = 16;
    /// No window reaches further than this many pixels from its origin
    /// (Qt's widget size limit is 2^24 - 1).
    static constexpr qint64 kCoordinateLimit = qint64(1) << 24;

    /// The record of the empty region.
    FrameRgnData();
    /// Wraps raw record bytes as they are, valid or not.
    explicit FrameRgnData(QByteArray bytes);
    /// The record of a region given as banded rectangles.
    static FrameRgnData fromRects(const std::vector<QRect>& rects);

    const QByteArray& bytes() const { return m_bytes; }
    /// The header; zeros when the record is shorter than a header.
    RgnDataHeader header() const;
    /// The rectangles the header announces, as far as the record holds them,
    /// with every edge brought within +-kCoordinateLimit.
    std::vector<QRect> rects() const;

    friend bool operator==(const FrameRgnData&, const FrameRgnData&) = default;

private:
    QByteArray m_bytes;
};

// The region of one frame: every pixel of the square from (0, 0) to
// (scanLimit, scanLimit) whose colour differs from the colour of pixel
// (0, 0). Colours compare as RGB; a point outside the picture has no colour
// and so differs from every key, which puts the strip between the picture's
// edge and scanLimit into the region.
FrameRgnData MakeFrameRegion(const QImage& picture, int scanLimit);

// The regions of a window's eight frames, in frame order.
std::array<FrameRgnData, 8> MakeFrameRegions(const std::array<QImage, 8>& frames, int scanLimit);

// Re-creates a region from its record. A record with a damaged header (wrong
// size or type, a rectangle list longer than the record or not 16 bytes a
// rectangle) gives nothing. Edges beyond the reach of any window are brought
// to its limit, rectangles with no area are skipped, and rectangles out of
// banded order are still united correctly.
std::optional<QRegion> RegionFromRecord(const FrameRgnData& record);
