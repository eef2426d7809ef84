// The profile reader and writer on arbitrary files, names and values: a
// value written reads back as it was written (cut at its first line break),
// writing it again changes nothing, every other key reads as before, and a
// write that is refused leaves the file as it was. The whole number read
// from the value agrees with a plain reading of its digits.
//
// Input: fields separated by 0x1E: the file's bytes (empty: no file), the
// section, the key, the value.

#include "fuzz/fuzz_support.h"
#include "platform/profile.h"

#include <QFile>
#include <limits>
#include <map>

namespace {
using P = QFileDevice::Permission;
constexpr QFileDevice::Permissions kMode = P::ReadOwner | P::WriteOwner;
constexpr int kWholeBuffer = 1 << 20;

bool isLeadByte(char c)
{
    const auto b = static_cast<unsigned char>(c);
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

QByteArray trimmed(QByteArrayView text)
{
    while (!text.isEmpty() && (text.front() == ' ' || text.front() == '\t'))
        text = text.sliced(1);
    while (!text.isEmpty() && (text.back() == ' ' || text.back() == '\t'))
        text.chop(1);
    return text.toByteArray();
}

bool hasBreak(QByteArrayView text)
{
    return text.contains('\r') || text.contains('\n') || text.contains('\0');
}

// Walks the name as single- and double-byte characters: whether a ']' stands
// on its own, and whether the last character is only half there.
struct Walk
{
    bool singleCloseBracket = false;
    bool endsInLeadByte = false;
};
Walk walk(QByteArrayView name)
{
    Walk w;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (isLeadByte(name[i])) {
            if (i + 1 == name.size())
                w.endsInLeadByte = true;
            ++i;
        } else if (name[i] == ']') {
            w.singleCloseBracket = true;
        }
    }
    return w;
}

// Which names an INI line can hold: the section is written "[name]", the key
// "name=value".
bool storable(const QByteArray& section, const QByteArray& key)
{
    const Walk s = walk(section);
    return !section.isEmpty() && !hasBreak(section) && !s.singleCloseBracket && !s.endsInLeadByte &&
           !key.isEmpty() && !hasBreak(key) && !key.contains('=') && !key.startsWith(';') &&
           !key.startsWith('[');
}

QByteArray lowered(QByteArrayView name)
{
    return name.toByteArray().toLower();
}

// The section and key names a plain reading of the file finds; only used to
// pick keys whose values must not change.
std::vector<std::pair<QByteArray, QByteArray>> namesIn(QByteArrayView content)
{
    std::vector<std::pair<QByteArray, QByteArray>> names;
    QByteArray section;
    QByteArray text = content.toByteArray();
    text.replace('\r', '\n');
    for (const QByteArray& line : text.split('\n')) {
        const QByteArray t = trimmed(line);
        if (t.startsWith('[')) {
            const qsizetype close = t.indexOf(']');
            section = trimmed(close < 0 ? t.sliced(1) : t.sliced(1, close - 1));
        } else if (const qsizetype equals = t.indexOf('='); equals > 0) {
            names.emplace_back(section, trimmed(t.first(equals)));
        }
        if (names.size() >= 64)
            break;
    }
    return names;
}

int modelInt(QByteArrayView value)
{
    qsizetype i = 0;
    while (i < value.size() && (value[i] == ' ' || value[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-'))
        negative = value[i++] == '-';
    long double magnitude = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i)
        magnitude = std::min<long double>(magnitude * 10 + (value[i] - '0'), 1e12L);
    const long double v = negative ? -magnitude : magnitude;
    if (v > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (v < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return int(v);
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    const QList<QByteArrayView> fields = SplitFields(input, 4);
    const QByteArrayView content = fields[0];
    const bool noFile = content.isEmpty();
    const QByteArray section = fields[1].toByteArray(), key = fields[2].toByteArray();
    const QByteArrayView value = fields[3];

    const QString path = ScratchFolder() + QStringLiteral("/p.ini");
    QFile::remove(path);
    if (!noFile) {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly) &&
                   file.write(content.data(), content.size()) == content.size());
    }

    // Values of the other keys before the write.
    const QByteArray sectionName = trimmed(section), keyName = trimmed(key);
    std::map<std::pair<QByteArray, QByteArray>, QByteArray> before;
    for (const auto& [s, k] : namesIn(content)) {
        if (lowered(s) == lowered(sectionName) && lowered(k) == lowered(keyName))
            continue;
        before[{s, k}] = Profile::getString(path, s, k, "<none>", kWholeBuffer);
    }

    const QByteArray old = fileBytes(path);
    const bool written = Profile::writeString(path, section, key, value, kMode);
    FUZZ_CHECK(written == storable(sectionName, keyName), "write %s for section '%s' key '%s'",
               written ? "succeeded" : "failed", Printable(section).constData(), Printable(key).constData());
    if (!written) {
        FUZZ_CHECK(fileBytes(path) == old, "a refused write changed the file");
        return 0;
    }
    if (noFile)
        FUZZ_CHECK((QFile::permissions(path) & 0x7077) == kMode, "a new file gets the mode asked for");

    qsizetype cut = 0;
    while (cut < value.size() && value[cut] != '\r' && value[cut] != '\n' && value[cut] != '\0')
        ++cut;
    const QByteArray stored = value.first(cut).toByteArray();
    const QByteArray readBack = Profile::getString(path, section, key, "<none>", kWholeBuffer);
    FUZZ_CHECK(readBack == stored, "section '%s' key '%s': wrote '%s', read '%s'",
               Printable(section).constData(), Printable(key).constData(), Printable(stored).constData(),
               Printable(readBack).constData());
    FUZZ_CHECK(Profile::getInt(path, section, key, 12345) == modelInt(stored), "whole number of '%s'",
               Printable(stored).constData());

    const QByteArray once = fileBytes(path);
    FUZZ_CHECK(Profile::writeString(path, section, key, value, kMode));
    FUZZ_CHECK(fileBytes(path) == once, "writing the same value again changed the file:\n%s\n---\n%s",
               Printable(once).constData(), Printable(fileBytes(path)).constData());

    for (const auto& [name, was] : before) {
        const QByteArray now = Profile::getString(path, name.first, name.second, "<none>", kWholeBuffer);
        FUZZ_CHECK(now == was, "section '%s' key '%s' was '%s', is '%s'", Printable(name.first).constData(),
                   Printable(name.second).constData(), Printable(was).constData(),
                   Printable(now).constData());
    }
    return 0;
}
