#include "platform/profile.h"

#include "base/ansi.h"
#include "platform/file_replace.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <algorithm>
#include <limits>
#include <optional>

namespace {

// CP932 lead bytes: 0x81-0x9F and 0xE0-0xFC start a two-byte character whose
// second byte may look like an ASCII letter, '[', ']' or '\'.
bool isLeadByte(char c)
{
    const auto b = static_cast<unsigned char>(c);
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArrayView trimBlanks(QByteArrayView text)
{
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Compares two names ignoring ASCII case, but compares the second byte of a
// double-byte character exactly: it is not a letter even when it looks like one.
// A lead byte that ends a name has no second byte and is compared on its own.
bool sameName(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (isLeadByte(a[i])) {
            if (a[i] != b[i] || (i + 1 < a.size() && a[i + 1] != b[i + 1]))
                return false;
            ++i;
        } else if (asciiLower(a[i]) != asciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

// Position of the first single-byte `wanted`, skipping double-byte characters.
qsizetype findSingleByte(QByteArrayView text, char wanted)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == wanted)
            return i;
        if (isLeadByte(text[i]))
            ++i;
    }
    return -1;
}

bool hasLineBreakOrNul(QByteArrayView text)
{
    return text.contains('\r') || text.contains('\n') || text.contains('\0');
}

struct ParsedLine
{
    enum Kind
    {
        Other,
        Section,
        Key
    };
    Kind kind = Other;
    QByteArrayView name;
    QByteArrayView value;
};

ParsedLine parseLine(QByteArrayView line)
{
    const QByteArrayView text = trimBlanks(line);
    if (text.isEmpty() || text.front() == ';')
        return {};
    if (text.front() == '[') {
        const QByteArrayView inner = text.sliced(1);
        const qsizetype close = findSingleByte(inner, ']');
        return {ParsedLine::Section, trimBlanks(close < 0 ? inner : inner.first(close)), {}};
    }
    const qsizetype equals = line.indexOf('=');
    if (equals < 0)
        return {};
    const QByteArrayView key = trimBlanks(line.first(equals));
    if (key.isEmpty())
        return {};
    // The value is kept verbatim: blanks and quotes are part of it.
    return {ParsedLine::Key, key, line.sliced(equals + 1)};
}

// Lines end at CR LF, a lone CR or a lone LF; a last line without an end
// still counts, an empty text has no lines.
QList<QByteArrayView> splitLines(QByteArrayView content)
{
    QList<QByteArrayView> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < content.size(); ++i) {
        const char c = content[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.append(content.sliced(start, i - start));
        if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < content.size())
        lines.append(content.sliced(start));
    return lines;
}

struct Location
{
    qsizetype sectionLine = -1;
    qsizetype keyLine = -1;
    qsizetype lastLineOfKeys = -1; // where a new key of the section goes after
    QByteArrayView value;
};

// An editor saving the file as UTF-8 may put this mark in front of its first
// line, where it would hide the first section's name.
constexpr QByteArrayView kByteOrderMark = "\xEF\xBB\xBF";

Location locate(const QList<QByteArrayView>& lines, QByteArrayView section, QByteArrayView key)
{
    Location at;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArrayView line = lines[i];
        if (i == 0 && line.startsWith(kByteOrderMark))
            line = line.sliced(kByteOrderMark.size());
        const ParsedLine parsed = parseLine(line);
        if (parsed.kind == ParsedLine::Section) {
            if (at.sectionLine >= 0)
                break; // the section ends where the next one starts
            if (sameName(parsed.name, section)) {
                at.sectionLine = i;
                at.lastLineOfKeys = i;
            }
        } else if (parsed.kind == ParsedLine::Key && at.sectionLine >= 0) {
            at.lastLineOfKeys = i;
            if (sameName(parsed.name, key)) {
                at.keyLine = i;
                at.value = parsed.value;
                break;
            }
        }
    }
    return at;
}

// The whole file, or nothing when it is missing, not an ordinary file,
// unreadable or larger than the limit.
std::optional<QByteArray> readBounded(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > Profile::MaxFileSize)
        return std::nullopt;
    QByteArray content = file.read(Profile::MaxFileSize + 1);
    if (content.size() > Profile::MaxFileSize || file.error() != QFileDevice::NoError)
        return std::nullopt;
    return content;
}

std::optional<QByteArray> findValue(const QString& path, QByteArrayView section, QByteArrayView key)
{
    const std::optional<QByteArray> content = readBounded(path);
    if (!content)
        return std::nullopt;
    const Location at = locate(splitLines(*content), trimBlanks(section), trimBlanks(key));
    if (at.keyLine < 0)
        return std::nullopt;
    return at.value.toByteArray();
}

QByteArrayView cutAtLineBreak(QByteArrayView value)
{
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == '\r' || value[i] == '\n' || value[i] == '\0')
            return value.first(i);
    }
    return value;
}

// Whether the last byte of `text` is a lead byte with no second byte after it.
bool endsInLeadByte(QByteArrayView text)
{
    qsizetype i = 0;
    while (i < text.size())
        i += isLeadByte(text[i]) ? 2 : 1;
    return i > text.size();
}

bool isStorableSection(QByteArrayView section)
{
    // A lead byte at the end would take the closing ']' as its second byte,
    // and the section would read back under another name.
    return !section.isEmpty() && !hasLineBreakOrNul(section) && findSingleByte(section, ']') < 0 &&
           !endsInLeadByte(section);
}

bool isStorableKey(QByteArrayView key)
{
    // A key starting with ';' or '[' would read back as a comment or a section.
    return !key.isEmpty() && !hasLineBreakOrNul(key) && !key.contains('=') && key.front() != ';' &&
           key.front() != '[';
}

QByteArray withKeySet(const QList<QByteArrayView>& lines, QByteArrayView section, QByteArrayView key,
                      QByteArrayView value)
{
    const QByteArray keyLine = key.toByteArray() + '=' + value.toByteArray();
    const Location at = locate(lines, section, key);
    QByteArray out;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        out += i == at.keyLine ? QByteArrayView(keyLine) : lines[i];
        out += "\r\n";
        if (at.keyLine < 0 && i == at.lastLineOfKeys)
            out += keyLine + "\r\n";
    }
    if (at.sectionLine < 0)
        out += '[' + section.toByteArray() + "]\r\n" + keyLine + "\r\n";
    return out;
}

} // namespace

int Profile::getInt(const QString& file, QByteArrayView section, QByteArrayView key, int defaultValue)
{
    const std::optional<QByteArray> value = findValue(file, section, key);
    if (!value)
        return defaultValue;
    qsizetype i = 0;
    while (i < value->size() && isBlank(value->at(i)))
        ++i;
    bool negative = false;
    if (i < value->size() && (value->at(i) == '-' || value->at(i) == '+'))
        negative = value->at(i++) == '-';
    qint64 magnitude = 0;
    constexpr qint64 kLimit = qint64(std::numeric_limits<int>::max()) + 1;
    for (; i < value->size() && value->at(i) >= '0' && value->at(i) <= '9'; ++i)
        magnitude = std::min(kLimit, magnitude * 10 + (value->at(i) - '0'));
    const qint64 signedValue = negative ? -magnitude : magnitude;
    return int(
        std::clamp<qint64>(signedValue, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

QByteArray Profile::getString(const QString& file, QByteArrayView section, QByteArrayView key,
                              QByteArrayView defaultValue, int bufferSize)
{
    if (bufferSize <= 0)
        return {};
    const std::optional<QByteArray> value = findValue(file, section, key);
    QByteArrayView text = value ? QByteArrayView(*value) : defaultValue;
    const qsizetype nul = text.indexOf('\0');
    if (nul >= 0)
        text = text.first(nul);
    return text.first(AnsiPrefixLength(text, bufferSize - 1)).toByteArray();
}

bool Profile::writeString(const QString& file, QByteArrayView section, QByteArrayView key,
                          QByteArrayView value, QFileDevice::Permissions mode, FileModeRule rule)
{
    return writeStrings(file, section, {{key.toByteArray(), value.toByteArray()}}, mode, rule);
}

bool Profile::writeStrings(const QString& file, QByteArrayView section,
                           const QList<std::pair<QByteArray, QByteArray>>& keyValues,
                           QFileDevice::Permissions mode, FileModeRule rule)
{
    section = trimBlanks(section);
    if (!isStorableSection(section) || keyValues.isEmpty())
        return false;
    for (const auto& [key, value] : keyValues) {
        if (!isStorableKey(trimBlanks(key)))
            return false;
    }

    QByteArray content;
    if (QFileInfo::exists(file)) {
        // Rewriting a file we could not read whole would throw its lines away.
        std::optional<QByteArray> existing = readBounded(file);
        if (!existing)
            return false;
        content = std::move(*existing);
    }
    for (const auto& [key, value] : keyValues)
        content = withKeySet(splitLines(content), section, trimBlanks(key), cutAtLineBreak(value));
    return ReplaceFile(file, content, mode, rule);
}
