#include "base/ansi.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {
// CP932 lead bytes: 0x81-0x9F and 0xE0-0xFC start a two-byte character.
bool isLeadByte(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
} // namespace

QByteArray ToAnsi(QStringView text)
{
    QStringEncoder encoder(kAnsiCodePageName);
    return encoder.encode(text);
}

QString FromAnsi(QByteArrayView bytes)
{
    QStringDecoder decoder(kAnsiCodePageName);
    return decoder.decode(bytes);
}

qsizetype AnsiPrefixLength(QByteArrayView bytes, qsizetype limit)
{
    qsizetype i = 0;
    while (i < bytes.size()) {
        const qsizetype width =
            isLeadByte(static_cast<unsigned char>(bytes[i])) && i + 1 < bytes.size() ? 2 : 1;
        if (i + width > limit)
            break;
        i += width;
    }
    return i;
}
