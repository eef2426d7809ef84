#include "mascot/frame_regions.h"
#include "support/pixel_region.h"

#include <QRandomGenerator>
#include <QTest>
#include <array>
#include <cstring>
#include <limits>

namespace {
constexpr QRgb kKey = 0xFFC0C0C0;

QImage keyPicture(int width = 100, int height = 100)
{
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(kKey);
    return picture;
}

using Rects = std::vector<QRect>;
QRect rect(int left, int top, int right, int bottom) // right and bottom exclusive
{
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}
} // namespace

class FrameRegionsTest final : public QObject
{
    Q_OBJECT
private slots:
    void allKeyFrameLeavesOnlyTheStripBeyondThePicture()
    {
        const FrameRgnData primary = MakeFrameRegion(keyPicture(), 120);
        QCOMPARE(primary.rects(), (Rects{rect(100, 0, 121, 100), rect(0, 100, 121, 121)}));
        QVERIFY(!RegionFromRecord(primary)->intersects(QRect(0, 0, 100, 100)));

        const FrameRgnData secondary = MakeFrameRegion(keyPicture(), 100);
        QCOMPARE(secondary.rects(), (Rects{rect(100, 0, 101, 100), rect(0, 100, 101, 101)}));
    }

    void recordMatchesAHandComputedExample()
    {
        // K = key, X = figure; scan to 4, one column and row past the picture.
        //   K K X K
        //   K X X K
        //   K X X K
        //   K K K K
        QImage picture = keyPicture(4, 4);
        for (const QPoint p : {QPoint(2, 0), QPoint(1, 1), QPoint(2, 1), QPoint(1, 2), QPoint(2, 2)})
            picture.setPixel(p, 0xFF203040);
        const FrameRgnData record = MakeFrameRegion(picture, 4);

        const Rects expected{rect(2, 0, 3, 1), rect(4, 0, 5, 1), // row 0
                             rect(1, 1, 3, 3), rect(4, 1, 5, 3), // rows 1-2 share their spans: one band
                             rect(4, 3, 5, 4),                   // row 3
                             rect(0, 4, 5, 5)};                  // row 4, all outside
        QCOMPARE(record.rects(), expected);

        // The bytes as the platform lays them out.
        const QByteArray& bytes = record.bytes();
        QCOMPARE(bytes.size(), 32 + 6 * 16);
        quint32 head[4];
        qint32 bound[4];
        std::memcpy(head, bytes.constData(), 16);
        std::memcpy(bound, bytes.constData() + 16, 16);
        QCOMPARE(head[0], 32u); // dwSize
        QCOMPARE(head[1], 1u);  // iType
        QCOMPARE(head[2], 6u);  // nCount
        QCOMPARE(head[3], 96u); // nRgnSize
        QCOMPARE((std::vector<qint32>(bound, bound + 4)), (std::vector<qint32>{0, 0, 5, 5}));
        qint32 third[4];
        std::memcpy(third, bytes.constData() + 32 + 2 * 16, 16);
        QCOMPARE((std::vector<qint32>(third, third + 4)), (std::vector<qint32>{1, 1, 3, 3}));

        QCOMPARE(*RegionFromRecord(record), PixelByPixelRegion(picture, 4));
    }

    void keyColouredHoleInsideTheFigureIsTransparent()
    {
        QImage picture = keyPicture();
        for (int y = 20; y < 80; ++y)
            for (int x = 20; x < 80; ++x)
                picture.setPixel(x, y, (x >= 40 && x < 60 && y >= 40 && y < 60) ? kKey : 0xFFE08040);
        const QRegion region = *RegionFromRecord(MakeFrameRegion(picture, 120));
        QVERIFY(region.contains(QPoint(20, 20)));
        QVERIFY(region.contains(QPoint(39, 50)));
        QVERIFY(!region.contains(QPoint(40, 40)));
        QVERIFY(!region.contains(QPoint(59, 59)));
        QVERIFY(region.contains(QPoint(60, 59)));
        QVERIFY(!region.contains(QPoint(0, 0)));
        QCOMPARE(region, PixelByPixelRegion(picture, 120));
    }

    void keyIsTheCornerPixelWhateverItsColour()
    {
        // A picture in another colour scheme: key is pixel (0, 0), here blue,
        // and the silver pixels count as figure.
        QImage picture(10, 10, QImage::Format_RGB32);
        picture.fill(0xFF0000FF);
        picture.setPixel(3, 3, kKey);
        const QRegion region = *RegionFromRecord(MakeFrameRegion(picture, 12));
        QCOMPARE(region, QRegion(3, 3, 1, 1) + QRegion(10, 0, 3, 10) + QRegion(0, 10, 13, 3));
    }

    void equalPicturesGiveIdenticalRecords()
    {
        QImage rgb = keyPicture();
        for (int i = 10; i < 90; ++i)
            rgb.setPixel(i, 100 - i, 0xFF102030);
        // The same colours held as a palette picture scan the same.
        const QImage palette = rgb.convertToFormat(QImage::Format_Indexed8);
        QCOMPARE(MakeFrameRegion(rgb, 120), MakeFrameRegion(QImage(rgb), 120));
        QCOMPARE(MakeFrameRegion(palette, 120), MakeFrameRegion(rgb, 120));
    }

    void bandsMatchPixelByPixelOnNoise()
    {
        QRandomGenerator random(1234);
        for (int round = 0; round < 20; ++round) {
            QImage picture = keyPicture(24, 20);
            for (int y = 0; y < 20; ++y)
                for (int x = 0; x < 24; ++x)
                    if (random.bounded(3) == 0)
                        picture.setPixel(x, y, random.bounded(2) ? 0xFF000000 : 0xFFFFFFFF);
            const int limit = 18 + round % 10; // both inside and past the picture
            QCOMPARE(*RegionFromRecord(MakeFrameRegion(picture, limit)), PixelByPixelRegion(picture, limit));
        }
    }

    void translucentPixelsReadAsPixelReportsThem()
    {
        // In a premultiplied picture two pixels stored differently can have
        // the same colour once unpremultiplied, as pixel() reads them
        // (alpha 128 with red 64 and opaque red 127 are both red 127), and
        // converting the picture rounds otherwise. Pixels count by the colour
        // pixel() gives, in every format.
        QRandomGenerator random(99);
        for (const QImage::Format format : {QImage::Format_ARGB32_Premultiplied,
                                            QImage::Format_RGBA64_Premultiplied, QImage::Format_RGBA16FPx4}) {
            QImage picture(16, 16, QImage::Format_ARGB32_Premultiplied);
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x) {
                    const int alpha = int(random.bounded(2) ? 255 : 128 + random.bounded(4));
                    const int red = int(random.bounded(alpha / 2 - 2, alpha / 2 + 2));
                    picture.setPixel(x, y, qRgba(alpha == 255 ? 127 : red, 0, 0, alpha));
                }
            picture.setPixel(0, 0, qRgba(127, 0, 0, 255));
            picture = picture.convertToFormat(format);
            const QRegion region = *RegionFromRecord(MakeFrameRegion(picture, 18));
            QVERIFY2((region ^ PixelByPixelRegion(picture, 18)).isEmpty(),
                     qPrintable(QString::number(format)));
        }
    }

    void frameNeedingMoreThan601RectanglesGetsALargerRecord()
    {
        // A checkerboard: every row a different span list, about 50 spans each.
        QImage picture = keyPicture();
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 100; ++x)
                if ((x + y) % 2)
                    picture.setPixel(x, y, 0xFF000000);
        const FrameRgnData record = MakeFrameRegion(picture, 120);
        // Even rows: 49 single pixels plus one run joined to the strip; odd
        // rows: 50 pixels plus the strip; then the band below the picture.
        const quint32 count = 50 * 50 + 50 * 51 + 1;
        QCOMPARE(record.header().nCount, count);
        QCOMPARE(record.header().nRgnSize, count * 16);
        QCOMPARE(record.bytes().size(), qsizetype(32 + count * 16));
        QCOMPARE(*RegionFromRecord(record), PixelByPixelRegion(picture, 120));
    }

    void damagedHeaderGivesNoRegion()
    {
        QImage picture = keyPicture(8, 8);
        picture.setPixel(3, 3, 0xFF000000);
        const QByteArray good = MakeFrameRegion(picture, 8).bytes();
        QVERIFY(RegionFromRecord(FrameRgnData(good)).has_value());

        auto patched = [&](int offset, quint32 value) {
            QByteArray bytes = good;
            std::memcpy(bytes.data() + offset, &value, 4);
            return FrameRgnData(bytes);
        };
        QVERIFY(!RegionFromRecord(patched(0, 0)));          // dwSize
        QVERIFY(!RegionFromRecord(patched(4, 2)));          // iType
        QVERIFY(!RegionFromRecord(patched(8, 0x10000000))); // nCount far past the record
        QVERIFY(!RegionFromRecord(patched(12, 17)));        // nRgnSize not 16 a rectangle
        QVERIFY(!RegionFromRecord(FrameRgnData(good.left(good.size() - 1))));
        QVERIFY(!RegionFromRecord(FrameRgnData(QByteArray(10, '\0'))));
        QCOMPARE(FrameRgnData(QByteArray(10, '\0')).rects(), Rects{});
    }

    void edgesAtTheEndsOfTheIntRangeStayInReach()
    {
        // A hand-damaged record: edges at INT_MIN and INT_MAX, whose
        // right-minus-one or width would overflow an int.
        constexpr qint32 kMin = std::numeric_limits<qint32>::min(), kMax = std::numeric_limits<qint32>::max();
        const int limit = int(FrameRgnData::kCoordinateLimit);
        const std::vector<std::array<qint32, 4>> corners{
            {0, 0, kMin, 5}, {kMin, kMin, 3, 2}, {kMax, 0, kMax, 5}, {-4, 10, kMax, kMax}};
        QByteArray bytes = FrameRgnData::fromRects({}).bytes();
        const quint32 count = quint32(corners.size());
        const quint32 listSize = count * FrameRgnData::kRectSize;
        std::memcpy(bytes.data() + 8, &count, 4);
        std::memcpy(bytes.data() + 12, &listSize, 4);
        for (const auto& c : corners)
            bytes.append(reinterpret_cast<const char*>(c.data()), FrameRgnData::kRectSize);
        const FrameRgnData record(bytes);

        const Rects expected{rect(0, 0, -limit, 5), rect(-limit, -limit, 3, 2), rect(limit, 0, limit, 5),
                             rect(-4, 10, limit, limit)};
        QCOMPARE(record.rects(), expected);
        const std::optional<QRegion> region = RegionFromRecord(record);
        QVERIFY(region.has_value());
        QCOMPARE(*region, QRegion(rect(-limit, -limit, 3, 2)) + QRegion(rect(-4, 10, limit, limit)));
    }

    void rectanglesOutOfBandedOrderStillUnite()
    {
        // Overlapping, unsorted and empty rectangles, as a hand-made record might hold.
        const FrameRgnData record = FrameRgnData::fromRects(
            {rect(5, 5, 8, 8), rect(0, 0, 4, 4), rect(2, 2, 6, 6), rect(9, 9, 9, 12)});
        QCOMPARE(*RegionFromRecord(record), QRegion(0, 0, 4, 4) + QRegion(2, 2, 4, 4) + QRegion(5, 5, 3, 3));
        QCOMPARE(FrameRgnData().header().nCount, 0u);
        QCOMPARE(*RegionFromRecord(FrameRgnData()), QRegion());
    }

    void shippedArtworkFitsTheRecord_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("scanLimit");
        for (const char* pose : {"pose_a", "pose_b", "pose_c", "alert"})
            QTest::newRow(pose) << QString::fromLatin1(pose) << 120;
        for (const char* walker : {"walker_left", "walker_left_tilt", "walker_right", "walker_right_tilt"})
            QTest::newRow(walker) << QString::fromLatin1(walker) << 100;
    }

    void shippedArtworkFitsTheRecord()
    {
        QFETCH(QString, file);
        QFETCH(int, scanLimit);
        const QImage picture(qEnvironmentVariable("PAWMELO_SOURCE_DIR") + "/assets/mascot/" + file + ".png");
        QVERIFY(!picture.isNull());
        QCOMPARE(picture.size(), QSize(100, 100));
        QCOMPARE(picture.pixel(0, 0), kKey);
        const FrameRgnData record = MakeFrameRegion(picture, scanLimit);
        qInfo("%s: %u rectangles, %lld bytes", qPrintable(file), record.header().nCount,
              qint64(record.bytes().size()));
        // The pictures are drawn to stay within the 601 rectangles the
        // region record was first sized for.
        QVERIFY(record.header().nCount > 2);
        QVERIFY(record.header().nCount <= 601);
        QCOMPARE(*RegionFromRecord(record), PixelByPixelRegion(picture, scanLimit));
    }
};

QTEST_GUILESS_MAIN(FrameRegionsTest)
#include "frame_regions_test.moc"
