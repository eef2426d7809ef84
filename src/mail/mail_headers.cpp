#include "mail/mail_headers.h"

#include "base/ansi.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <optional>

namespace {
struct EncodedWord
{
    QByteArray charset;
    QByteArray bytes;
    qsizetype end = 0; // index just past "?="
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isAllBlank(QByteArrayView bytes)
{
    for (char c : bytes) {
        if (!isBlank(c))
            return false;
    }
    return true;
}

// Mail in Japan labels CP932 text as Shift_JIS; the CP932 table is the one
// that round-trips what such senders meant (NEC and IBM extensions, ～).
QByteArray codecName(QByteArray charset)
{
    const qsizetype star = charset.indexOf('*'); // RFC 2231 language suffix
    if (star >= 0)
        charset.truncate(star);
    const QByteArray lower = charset.toLower();
    if (lower == "shift_jis" || lower == "shift-jis" || lower == "sjis" || lower == "x-sjis" ||
        lower == "cp932" || lower == "ms932" || lower == "windows-31j")
        return kAnsiCodePageName;
    if (lower == "gb2312" || lower == "gbk")
        return "GB18030";
    return charset;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

QByteArray decodeQ(QByteArrayView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '_') {
            out.append(' ');
        } else if (c == '=' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
                   hexValue(text[i + 2]) >= 0) {
            out.append(static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2])));
            i += 2;
        } else {
            out.append(c);
        }
    }
    return out;
}

// Parses "=?charset?enc?text?=" starting at `at`.
std::optional<EncodedWord> parseEncodedWord(QByteArrayView raw, qsizetype at)
{
    if (!raw.sliced(at).startsWith("=?"))
        return std::nullopt;
    const qsizetype q1 = raw.indexOf('?', at + 2);
    if (q1 < 0 || q1 == at + 2 || q1 + 3 >= raw.size() || raw[q1 + 2] != '?')
        return std::nullopt;
    const char encoding = raw[q1 + 1];
    const qsizetype textStart = q1 + 3;
    const qsizetype close = raw.indexOf("?=", textStart);
    if (close < 0)
        return std::nullopt;
    const QByteArrayView text = raw.sliced(textStart, close - textStart);
    const QByteArrayView charset = raw.sliced(at + 2, q1 - at - 2);
    for (char c : text) {
        if (isBlank(c))
            return std::nullopt;
    }
    for (char c : charset) {
        if (isBlank(c))
            return std::nullopt;
    }
    EncodedWord word;
    word.charset = charset.toByteArray();
    word.end = close + 2;
    if (encoding == 'B' || encoding == 'b')
        word.bytes = QByteArray::fromBase64(text.toByteArray());
    else if (encoding == 'Q' || encoding == 'q')
        word.bytes = decodeQ(text);
    else
        return std::nullopt;
    return word;
}

// Control characters would break the line in the user's box or act in it.
void blankControls(QString& text)
{
    for (QChar& c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u' ';
    }
}

// Bytes that came without a charset label.
QString decodeUnlabelled(QByteArrayView bytes)
{
    bool ascii = true;
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (bytes.contains("\x1b$B") || bytes.contains("\x1b$@")) {
        QStringDecoder jis("ISO-2022-JP");
        return jis.decode(bytes);
    }
    if (ascii)
        return QString::fromLatin1(bytes);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString asUtf8 = utf8.decode(bytes);
    if (!utf8.hasError())
        return asUtf8;
    QStringDecoder ansi(kAnsiCodePageName);
    return ansi.decode(bytes);
}

// Decodes the bytes of one run of adjacent encoded-words; `rawText` is what
// they looked like, kept for a charset the system does not know.
QString decodeLabelled(const QByteArray& charset, const QByteArray& bytes, const QByteArray& rawText)
{
    QStringDecoder decoder(codecName(charset).constData());
    if (!decoder.isValid())
        return QString::fromLatin1(rawText);
    return decoder.decode(bytes);
}
} // namespace

void MailHeaderCollector::addLine(QByteArrayView line)
{
    if (m_ended)
        return;
    if (line.isEmpty()) {
        m_ended = true;
        return;
    }
    if (isBlank(line.front())) {
        if (m_current >= 0 && m_raw[m_current].size() + line.size() <= kMaxFieldBytes)
            m_raw[m_current].append(line);
        return;
    }
    m_current = -1;
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0)
        return;
    const QByteArray name = line.first(colon).toByteArray().trimmed().toLower();
    static constexpr std::array<const char*, FieldCount> kNames = {"subject", "from", "date", "message-id"};
    for (int field = 0; field < FieldCount; ++field) {
        if (name == kNames[field] && !m_seen[field]) {
            m_seen[field] = true;
            m_current = field;
            m_raw[field] =
                line.sliced(colon + 1).first(std::min(line.size() - colon - 1, kMaxFieldBytes)).toByteArray();
            return;
        }
    }
}

MailHeaders MailHeaderCollector::headers() const
{
    return {DecodeHeaderText(m_raw[Subject]), DecodeHeaderText(m_raw[From]), DecodeHeaderText(m_raw[Date]),
            DecodeHeaderText(m_raw[MessageId])};
}

QString DecodeHeaderText(QByteArrayView raw)
{
    QString out;
    QByteArray literal;    // bytes since the last encoded-word
    QByteArray runCharset; // the run of adjacent encoded-words in one charset
    QByteArray runBytes;
    QByteArray runRaw;
    bool afterWord = false;
    const auto flushRun = [&] {
        if (!runRaw.isEmpty())
            out += decodeLabelled(runCharset, runBytes, runRaw);
        runCharset.clear();
        runBytes.clear();
        runRaw.clear();
    };

    qsizetype i = 0;
    while (i < raw.size()) {
        const std::optional<EncodedWord> word = raw[i] == '=' ? parseEncodedWord(raw, i) : std::nullopt;
        if (!word) {
            literal.append(raw[i]);
            ++i;
            continue;
        }
        // Blanks between two encoded-words are folding, not text; a multi-byte
        // character may even be split across the two words.
        const bool joins =
            afterWord && isAllBlank(literal) && word->charset.compare(runCharset, Qt::CaseInsensitive) == 0;
        if (!(afterWord && isAllBlank(literal))) {
            flushRun();
            out += decodeUnlabelled(literal);
        } else if (!joins) {
            flushRun();
        }
        literal.clear();
        runCharset = word->charset;
        runBytes += word->bytes;
        runRaw += raw.sliced(i, word->end - i);
        i = word->end;
        afterWord = true;
    }
    flushRun();
    out += decodeUnlabelled(literal);

    blankControls(out);
    return out.trimmed();
}

QString DecodeServerText(QByteArrayView line)
{
    QString text = decodeUnlabelled(line);
    blankControls(text);
    return text;
}

QByteArray HeaderTextToAnsi(const QString& text)
{
    bool ascii = true;
    for (QChar c : text)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii)
        return text.toLatin1();
    QStringEncoder encoder(kAnsiCodePageName);
    QByteArray whole = encoder.encode(text);
    if (!encoder.hasError())
        return whole;
    // Encode piece by piece so that only what CP932 lacks becomes "?".
    QByteArray out;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype width = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        QStringEncoder one(kAnsiCodePageName);
        const QByteArray bytes = one.encode(QStringView(text).sliced(i, width));
        out += one.hasError() ? QByteArray("?") : bytes;
        i += width;
    }
    return out;
}
