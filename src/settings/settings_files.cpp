#include "settings/settings_files.h"

#include "base/ansi.h"
#include "base/text_value.h"
#include "platform/file_replace.h"
#include "platform/profile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <array>

namespace {

constexpr QByteArrayView kSection = "EXEINI";
constexpr int kTextBufferSize = 256;
constexpr QLatin1StringView kCompanionFileName("kestra.ini");

// Only the prefix and the first 100 characters after it are ever used. A
// character takes at most two bytes in the code page, so keeping this many
// bytes of each line bounds the memory however long the line is.
constexpr qsizetype kPrefixLength = 5;
constexpr qsizetype kValueLength = 100;
constexpr qsizetype kKeptLineBytes = 2 * (kPrefixLength + kValueLength);
// A companion settings file is a few lines; reading stops here so a stray
// huge file cannot hold the user interface for long.
constexpr qint64 kMaxCompanionBytes = 16 * 1024 * 1024;
// A refusal names at most this many different characters.
constexpr qsizetype kListedCharacters = 10;

QString settingsFile(const QString& programFolder, const QString& name)
{
    const QChar sep = QDir::separator();
    return programFolder + sep + QStringLiteral("★MailData") + sep + name;
}

// The bytes of `value` (a value's bytes after its prefix) that its first
// `text` was decoded from: all of them for a value of at most 100
// characters, otherwise the longest start that decodes to exactly `text`.
// Empty when no start does, and the text is then written anew.
QByteArray bytesOfText(QByteArrayView value, const QString& text)
{
    for (qsizetype length = value.size(); length >= 0; --length) {
        const QString decoded = FromAnsi(value.first(length));
        if (decoded == text)
            return value.first(length).toByteArray();
        if (decoded.size() < text.size())
            break;
    }
    return {};
}

void applyCompanionLine(QByteArrayView bytes, MailerSettings& settings)
{
    const QString line = FromAnsi(bytes);
    const QStringView prefix = QStringView(line).left(kPrefixLength);
    const auto setText = [&](QString& text, QByteArray& fileBytes) {
        // The prefix is five ASCII bytes, so the value starts at the sixth.
        text = line.mid(kPrefixLength, kValueLength);
        fileBytes = bytesOfText(bytes.sliced(kPrefixLength), text);
    };
    if (prefix == u"SMTP=")
        setText(settings.SmtpServer, settings.FileBytes.SmtpServer);
    else if (prefix == u"POP3=")
        setText(settings.PopServer, settings.FileBytes.PopServer);
    else if (prefix == u"MAIL=")
        setText(settings.MailAddress, settings.FileBytes.MailAddress);
    else if (prefix == u"APOP=")
        settings.UseApop = RoundHalfEvenToInt16(ValueOfText(line.mid(kPrefixLength, kValueLength)));
}

// One line as written: the bytes the value was imported from while it is
// unchanged, else its text in the code page. A CR would end the line early
// on reading and turn the rest of the value into a line of its own, so the
// value stops there.
QByteArray companionLine(QByteArrayView prefix, const QString& value, const QByteArray& fileBytes = {})
{
    QByteArray bytes = IsImportedText(value, fileBytes) ? fileBytes : ToAnsi(value);
    const qsizetype cr = bytes.indexOf('\r');
    if (cr >= 0)
        bytes.truncate(cr);
    return prefix.toByteArray() + bytes + "\r\n";
}

// Characters that end a value early: CR, LF and NUL cut an INI value (and
// a mail protocol line); kestra.ini lines end only at CR.
bool endsTheValue(char32_t c, TextStore store)
{
    return store == TextStore::MailerFile ? c == U'\r' : c == U'\r' || c == U'\n' || c == U'\0';
}

// Whether one character (one or two UTF-16 units) reads back as itself once
// written in CP932. The encoder writes a substitute for a character it has
// no code for, and gives some look-alikes another character's code (U+301C
// WAVE DASH is written as the fullwidth tilde): both come back changed.
bool survivesTheCodePage(QStringView character)
{
    return FromAnsi(ToAnsi(character)) == character;
}

// A character as a message shows it: itself when it can be seen on its
// own, otherwise by its code point (a combining accent, a no-break space,
// an unpaired surrogate), and a line break by name.
QString shownCharacter(char32_t code, QStringView character)
{
    if (code == U'\r' || code == U'\n')
        return QStringLiteral("改行");
    switch (QChar::category(code)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned:
        return QStringLiteral("U+%1").arg(uint(code), 4, 16, QLatin1Char('0')).toUpper();
    default:
        return character.toString();
    }
}

// The different characters of `text` that cannot be stored, as shown to the
// user, in order of first appearance; one more than are listed at most.
QStringList unstorableCharacters(const QString& text, TextStore store)
{
    const bool whole = std::none_of(text.cbegin(), text.cend(),
                                    [store](QChar c) { return endsTheValue(c.unicode(), store); });
    if (whole && survivesTheCodePage(text))
        return {};
    QStringList shown;
    for (qsizetype i = 0; i < text.size() && shown.size() <= kListedCharacters;) {
        const bool pair = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const QStringView character = QStringView(text).sliced(i, pair ? 2 : 1);
        const char32_t code = pair ? QChar::surrogateToUcs4(text[i], text[i + 1]) : text[i].unicode();
        i += character.size();
        // ASCII is CP932's single-byte half and always comes back.
        if (!endsTheValue(code, store) && (code < 0x80 || survivesTheCodePage(character)))
            continue;
        const QString name = shownCharacter(code, character);
        if (!shown.contains(name))
            shown.append(name);
    }
    return shown;
}

} // namespace

QString UnstorableTextMessage(const QString& field, const QString& text, TextStore store)
{
    QStringList characters = unstorableCharacters(text, store);
    if (!characters.isEmpty()) {
        const bool more = characters.size() > kListedCharacters;
        characters = characters.mid(0, kListedCharacters);
        const QString list = characters.join(u' ') + (more ? QStringLiteral(" など") : QString());
        return store == TextStore::CodePageOnly
                   ? QStringLiteral("%1に次の文字は使えません: %2").arg(field, list)
                   : QStringLiteral("%1の次の文字は保存できません: %2").arg(field, list);
    }
    switch (store) {
    case TextStore::SettingsFile:
        if (const qsizetype bytes = ToAnsi(text).size(); bytes > kTextBufferSize - 1)
            return QStringLiteral("%1は%2バイトまでしか保存できません（今は%3バイト）。")
                .arg(field, QString::number(kTextBufferSize - 1), QString::number(bytes));
        break;
    case TextStore::MailerFile:
        // Every character CP932 holds is one UTF-16 unit, as the import counts.
        if (text.size() > kValueLength)
            return QStringLiteral("%1は%2文字までしか保存できません（今は%3文字）。")
                .arg(field, QString::number(kValueLength), QString::number(text.size()));
        break;
    case TextStore::CodePageOnly:
        break;
    }
    return {};
}

QString PreferencesFile(const QString& programFolder)
{
    return settingsFile(programFolder, QStringLiteral("ini.ini"));
}

QString AccountFile(const QString& programFolder)
{
    return settingsFile(programFolder, QStringLiteral("iniIdPass.ini"));
}

QString ServersFile(const QString& programFolder)
{
    return settingsFile(programFolder, QStringLiteral("servers.ini"));
}

int ReadSettingInt(const QString& file, const QString& key)
{
    return Profile::getInt(file, kSection, ToAnsi(key), 0);
}

QString ReadSettingText(const QString& file, const QString& key, const QString& defaultText)
{
    return FromAnsi(Profile::getString(file, kSection, ToAnsi(key), ToAnsi(defaultText), kTextBufferSize));
}

bool WriteSettingText(const QString& file, const QString& key, const QString& text)
{
    return WriteSettingTexts(file, {{key, text}});
}

bool WriteSettingTexts(const QString& file, const QList<std::pair<QString, QString>>& keyTexts)
{
    using P = QFileDevice::Permission;
    const QFileDevice::Permissions ownerOnly = P::ReadOwner | P::WriteOwner;
    // The password is in the account file in plain text: however the file
    // came to be (copied, restored, made by hand), a write leaves it private.
    const bool account = file.endsWith(u"iniIdPass.ini", Qt::CaseInsensitive);
    QList<std::pair<QByteArray, QByteArray>> keyValues;
    for (const auto& [key, text] : keyTexts)
        keyValues.append({ToAnsi(key), ToAnsi(text)});
    return account
               ? Profile::writeStrings(file, kSection, keyValues, ownerOnly, FileModeRule::EveryWrite)
               : Profile::writeStrings(file, kSection, keyValues, ownerOnly | P::ReadGroup | P::ReadOther);
}

void ImportMailerSettings(const QString& currentDir, MailerSettings& settings)
{
    const QString path = QDir(currentDir).filePath(kCompanionFileName);
    if (!QFileInfo(path).isFile())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;

    // Lines end at CR LF or a lone CR; a lone LF stays inside its line.
    QByteArray line;
    bool afterCr = false;
    std::array<char, 64 * 1024> chunk;
    qint64 total = 0;
    while (total < kMaxCompanionBytes) {
        const qint64 count =
            file.read(chunk.data(), std::min<qint64>(chunk.size(), kMaxCompanionBytes - total));
        if (count <= 0)
            break;
        total += count;
        for (qint64 i = 0; i < count; ++i) {
            const char c = chunk[i];
            if (afterCr) {
                afterCr = false;
                if (c == '\n')
                    continue;
            }
            if (c == '\r') {
                applyCompanionLine(line, settings);
                line.clear();
                afterCr = true;
            } else if (line.size() < kKeptLineBytes) {
                line.append(c);
            }
        }
    }
    if (!line.isEmpty())
        applyCompanionLine(line, settings);
}

bool IsImportedText(const QString& text, const QByteArray& fileBytes)
{
    return FromAnsi(fileBytes) == text;
}

bool ExportMailerSettings(const QString& currentDir, const MailerSettings& settings)
{
    const MailerFileBytes& imported = settings.FileBytes;
    const QByteArray content = companionLine("SMTP=", settings.SmtpServer, imported.SmtpServer) +
                               companionLine("POP3=", settings.PopServer, imported.PopServer) +
                               companionLine("MAIL=", settings.MailAddress, imported.MailAddress) +
                               companionLine("APOP=", QString::number(settings.UseApop));
    // Saved whole beside the old file and renamed over it, so a failed or
    // killed write leaves the old settings in place.
    using P = QFileDevice::Permission;
    return ReplaceFile(QDir(currentDir).filePath(kCompanionFileName), content,
                       P::ReadOwner | P::WriteOwner | P::ReadGroup | P::ReadOther);
}
