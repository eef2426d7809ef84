#include "base/text_value.h"

#include <charconv>
#include <cmath>
#include <limits>

double ValueOfText(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;

    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }

    // Accumulate the digits as text and convert them in one go, so "0.1" is
    // the nearest double and not a sum of rounded tenths. from_chars always
    // reads "." as the decimal sign; strtod would follow the user's locale.
    QByteArray digits;
    bool seenPoint = false;
    bool seenDigit = false;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (c >= u'0' && c <= u'9') {
            digits.append(char(c.unicode()));
            seenDigit = true;
        } else if (c == u'.' && !seenPoint) {
            digits.append('.');
            seenPoint = true;
        } else {
            break;
        }
    }
    if (!seenDigit)
        return 0.0;
    double magnitude = 0;
    const auto [end, error] =
        std::from_chars(digits.constData(), digits.constData() + digits.size(), magnitude);
    if (error == std::errc::result_out_of_range) {
        // Beyond a double's range, as strtod gives it: infinity when the
        // whole part is not zero, else a fraction too small to tell from 0.
        const QByteArray whole = seenPoint ? digits.left(digits.indexOf('.')) : digits;
        magnitude = whole.count('0') == whole.size() ? 0.0 : std::numeric_limits<double>::infinity();
    }
    return negative ? -magnitude : magnitude;
}

qint64 RoundHalfEven(double value)
{
    if (std::isnan(value))
        return 0;
    // The default floating-point rounding mode is round-to-nearest-even.
    const double rounded = std::nearbyint(value);
    if (rounded >= 9.2233720368547758e18)
        return std::numeric_limits<qint64>::max();
    if (rounded <= -9.2233720368547758e18)
        return std::numeric_limits<qint64>::min();
    return static_cast<qint64>(rounded);
}

qint16 RoundHalfEvenToInt16(double value)
{
    const qint64 whole = RoundHalfEven(value);
    if (whole > std::numeric_limits<qint16>::max())
        return std::numeric_limits<qint16>::max();
    if (whole < std::numeric_limits<qint16>::min())
        return std::numeric_limits<qint16>::min();
    return static_cast<qint16>(whole);
}

QString TrimAtNul(const QString& text)
{
    const qsizetype at = text.indexOf(QChar(u'\0'));
    return at < 0 ? text : text.left(at);
}

QByteArray TrimAtNul(const QByteArray& bytes)
{
    const qsizetype at = bytes.indexOf('\0');
    return at < 0 ? bytes : bytes.left(at);
}
