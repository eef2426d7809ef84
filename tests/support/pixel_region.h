#pragma once

// A frame's window region the slow, obvious way: one pixel at a time,
// exactly as the scan is defined (a pixel belongs when its colour differs
// from pixel (0, 0); coordinates outside the picture read as -1). The tests
// compare the real records against it; the benchmark times it.

#include <QImage>
#include <QRegion>

inline QRegion PixelByPixelRegion(const QImage& picture, int scanLimit)
{
    auto colour = [&](int x, int y) -> qint64 {
        if (x >= picture.width() || y >= picture.height())
            return -1;
        return qint64(picture.pixel(x, y) & 0xFFFFFF);
    };
    const qint64 key = colour(0, 0);
    QRegion region;
    for (int x = 0; x <= scanLimit; ++x)
        for (int y = 0; y <= scanLimit; ++y)
            if (colour(x, y) != key)
                region += QRect(x, y, 1, 1);
    return region;
}
