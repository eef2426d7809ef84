// Header and server-text decoding on arbitrary bytes, and encoded-words made
// here from known text, which must decode to exactly that text.
//
// Input: the whole input is tried as a header value, as a server's line and
// as a header block (lines split at LF). When it is valid UTF-8 it is also
// the text of encoded-words: byte 0 picks B or Q, how many bytes go into
// each word and whether a folding blank separates them; a word may end in
// the middle of a character.

#include "base/ansi.h"
#include "fuzz/fuzz_support.h"
#include "mail/mail_headers.h"

#include <QStringDecoder>

namespace {
void checkShown(const QString& text, const char* what)
{
    for (const QChar c : text)
        FUZZ_CHECK(c.unicode() >= 0x20 && c.unicode() != 0x7f, "%s holds control character U+%04X", what,
                   c.unicode());
    // Whatever was decoded can be handed on in the code page.
    const QByteArray ansi = HeaderTextToAnsi(text);
    FUZZ_CHECK(ansi.size() <= 2 * text.size(), "%s: %lld bytes for %lld characters", what,
               qint64(ansi.size()), qint64(text.size()));
    FUZZ_CHECK(!ansi.contains('\0'), "%s: NUL in the code page text", what);
}

QByteArray qEncoded(QByteArrayView bytes)
{
    QByteArray out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9'))
            out += c;
        else if (b == ' ')
            out += '_';
        else
            out += '=' + QByteArray::number(b, 16).rightJustified(2, '0').toUpper();
    }
    return out;
}

// The header value that carries `text` as UTF-8 in encoded-words of
// `chunk` bytes each.
QByteArray encodedWords(const QByteArray& utf8, bool base64, qsizetype chunk, bool folded)
{
    QByteArray out = "Re: ";
    for (qsizetype at = 0; at < utf8.size(); at += chunk) {
        const QByteArray piece = utf8.mid(at, chunk);
        if (at > 0)
            out += folded ? "\r\n " : " ";
        out += "=?UTF-8?" + QByteArray(base64 ? "B" : "q") + "?" +
               (base64 ? piece.toBase64() : qEncoded(piece)) + "?=";
    }
    return out;
}

QString expectedText(QString text)
{
    for (QChar& c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u' ';
    return text.trimmed();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));

    const QString header = DecodeHeaderText(input);
    checkShown(header, "header value");
    FUZZ_CHECK(header == header.trimmed(), "a header value comes trimmed");
    checkShown(DecodeServerText(input), "server text");

    MailHeaderCollector collector;
    for (const QByteArrayView line : input.toByteArray().split('\n')) {
        collector.addLine(line);
        if (collector.headerEnded())
            break;
    }
    const MailHeaders headers = collector.headers();
    for (const QString* field : {&headers.subject, &headers.from, &headers.date, &headers.messageId})
        checkShown(*field, "collected field");

    // Plain ASCII with no encoded-word start (nor ISO-2022-JP escape) is taken
    // as it is.
    bool ascii = true;
    for (const char c : input)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii && !input.contains("=?") && !input.contains('\x1b')) {
        FUZZ_CHECK(header == expectedText(QString::fromLatin1(input)), "plain ASCII changed: '%s'",
                   qPrintable(header));
        FUZZ_CHECK(DecodeServerText(input).trimmed() == header);
    }

    // Encoded-words round trip.
    if (size < 2)
        return 0;
    const QByteArray text = input.sliced(1).toByteArray();
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString decoded = utf8.decode(text);
    if (utf8.hasError() || text.contains('\0') || text.contains('?'))
        return 0;
    const bool base64 = data[0] & 1;
    const qsizetype chunk = 1 + (data[0] >> 2) % 40;
    const bool folded = data[0] & 2;
    const QByteArray value = encodedWords(text, base64, chunk, folded);
    const QString want = expectedText(QStringLiteral("Re: ") + decoded);
    const QString got = DecodeHeaderText(value);
    FUZZ_CHECK(got == want, "value '%s'\ndecoded '%s'\nwanted  '%s'", Printable(value).constData(),
               got.toUtf8().toPercentEncoding().constData(), want.toUtf8().toPercentEncoding().constData());
    return 0;
}
