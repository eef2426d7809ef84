#include "settings/settings_files.h"

#include "core/ansi.h"
#include "core/text_value.h"
#include "platform/profile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
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

QString settingsFile(const QString& programFolder, const QString& name)
{
    const QChar sep = QDir::separator();
    return programFolder + sep + QStringLiteral("★MailData") + sep + name;
}

void applyCompanionLine(QByteArrayView bytes, MailerSettings& settings)
{
    const QString line = FromAnsi(bytes);
    const QStringView prefix = QStringView(line).left(kPrefixLength);
    const QString value = line.mid(kPrefixLength, kValueLength);
    if (prefix == u"SMTP=")
        settings.SmtpServer = value;
    else if (prefix == u"POP3=")
        settings.PopServer = value;
    else if (prefix == u"MAIL=")
        settings.MailAddress = value;
    else if (prefix == u"APOP=")
        settings.UseApop = RoundHalfEvenToInt16(ValueOfText(value));
}

// One line as written: a CR would end the line early on reading and turn the
// rest of the value into a line of its own, so the value stops there.
QByteArray companionLine(QByteArrayView prefix, const QString& value)
{
    QByteArray bytes = ToAnsi(value);
    const qsizetype cr = bytes.indexOf('\r');
    if (cr >= 0)
        bytes.truncate(cr);
    return prefix.toByteArray() + bytes + "\r\n";
}

} // namespace

QString PreferencesFile(const QString& programFolder)
{
    return settingsFile(programFolder, QStringLiteral("ini.ini"));
}

QString AccountFile(const QString& programFolder)
{
    return settingsFile(programFolder, QStringLiteral("iniIdPass.ini"));
}

int ReadSettingInt(const QString& file, const QString& key)
{
    return Profile::getInt(file, kSection, ToAnsi(key), 0);
}

QString ReadSettingText(const QString& file, const QString& key, const QString& defaultText)
{
    return FromAnsi(Profile::getString(file, kSection, ToAnsi(key), ToAnsi(defaultText), kTextBufferSize));
}

void WriteSettingText(const QString& file, const QString& key, const QString& text)
{
    using P = QFileDevice::Permission;
    const QFileDevice::Permissions ownerOnly = P::ReadOwner | P::WriteOwner;
    const QFileDevice::Permissions mode = file.endsWith(u"iniIdPass.ini", Qt::CaseInsensitive)
                                              ? ownerOnly
                                              : ownerOnly | P::ReadGroup | P::ReadOther;
    Profile::writeString(file, kSection, ToAnsi(key), ToAnsi(text), mode);
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

bool ExportMailerSettings(const QString& currentDir, const MailerSettings& settings)
{
    const QByteArray content = companionLine("SMTP=", settings.SmtpServer) +
                               companionLine("POP3=", settings.PopServer) +
                               companionLine("MAIL=", settings.MailAddress) +
                               companionLine("APOP=", QString::number(settings.UseApop));
    // Written beside the old file and renamed over it, so a failed write
    // leaves the old settings in place.
    QSaveFile file(QDir(currentDir).filePath(kCompanionFileName));
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.commit();
}
