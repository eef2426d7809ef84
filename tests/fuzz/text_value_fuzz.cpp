// Numbers from text against the C library: the number a text begins with is
// the one strtod reads from the same leading blanks, sign, digits and single
// point in the "C" locale; rounding halves to even and the 16-bit clamp agree
// with a plain reading too.
//
// Input: text in UTF-8 (invalid bytes become U+FFFD); the same bytes are
// also read as Latin-1, which reaches every character below U+0100.

#include "base/text_value.h"
#include "fuzz/fuzz_support.h"

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {
// The text strtod is given: the prefix of `text` that the number rules take.
QByteArray numberPrefix(const QString& text)
{
    QByteArray out;
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        out += char(text[i++].unicode());
    bool point = false;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= u'0' && c <= u'9') {
            out += char(c);
        } else if (c == u'.' && !point) {
            out += '.';
            point = true;
        } else {
            break;
        }
    }
    return out;
}

bool sameNumber(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

void check(const QString& text)
{
    const double value = ValueOfText(text);
    const QByteArray prefix = numberPrefix(text);
    const bool hasDigit = prefix.contains('0') || prefix.contains('1') || prefix.contains('2') ||
                          prefix.contains('3') || prefix.contains('4') || prefix.contains('5') ||
                          prefix.contains('6') || prefix.contains('7') || prefix.contains('8') ||
                          prefix.contains('9');
    double expected = hasDigit ? std::strtod(prefix.constData(), nullptr) : 0.0;
    // Below the smallest normal double the library may give the subnormal
    // or zero; both mean "too small to tell from 0" here.
    if (expected != 0 && std::fabs(expected) < std::numeric_limits<double>::min() && value == 0)
        expected = value;
    FUZZ_CHECK(sameNumber(value, expected), "'%s': %.17g, strtod %.17g", prefix.constData(), value, expected);

    const qint64 rounded = RoundHalfEven(value);
    const double nearest = std::nearbyint(value); // the default mode: ties to even
    if (std::fabs(nearest) < 9.2233720368547758e18) {
        FUZZ_CHECK(double(rounded) == nearest, "%.17g rounded to %lld", value, qint64(rounded));
        FUZZ_CHECK(std::fabs(value - double(rounded)) <= 0.5);
    } else if (!std::isnan(value)) {
        FUZZ_CHECK(rounded ==
                   (value > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min()));
    }
    const qint16 small = RoundHalfEvenToInt16(value);
    FUZZ_CHECK(small == qint16(std::clamp<qint64>(rounded, -32768, 32767)));
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::setlocale(LC_ALL, "C");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    check(QString::fromUtf8(input));
    check(QString::fromLatin1(input));
    return 0;
}
