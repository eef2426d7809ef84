#pragma once

#include <QString>
#include <QtGlobal>

// The program's settings files: the preferences file and the account file
// (INI files, section "EXEINI", in the settings folder beside the program),
// and the companion mailer's "kestra.ini" in the current directory. Every
// call goes to the file at that moment; nothing is cached.

/// The preferences file: the program folder followed by "/★MailData/ini.ini".
QString PreferencesFile(const QString& programFolder);
/// The account file: the program folder followed by "/★MailData/iniIdPass.ini".
QString AccountFile(const QString& programFolder);

/// The whole number the key's text in section "EXEINI" begins with; 0 when
/// the text has no leading digits or the key, the file or its folder is missing.
int ReadSettingInt(const QString& file, const QString& key);

/// The key's text in section "EXEINI", at most 255 bytes of it in the file's
/// code page; `defaultText` when the key is missing. Callers apply their own
/// fallback when this comes back empty.
QString ReadSettingText(const QString& file, const QString& key, const QString& defaultText);

/// Sets the key in section "EXEINI", creating the file, section and key
/// when missing (never the folder). A new account file is readable by its
/// owner only, since it holds the password in plain text; other new files
/// are 0644; an existing file keeps its mode. Failures are silent.
void WriteSettingText(const QString& file, const QString& key, const QString& text);

// The server settings shared with the companion mailer.
struct MailerSettings
{
    QString SmtpServer;
    QString PopServer;
    QString MailAddress;
    qint16 UseApop = 0;
};

/// Reads "kestra.ini" in `currentDir`: the lines beginning "SMTP=", "POP3=",
/// "MAIL=" and "APOP=" set the matching field (a later line wins); other
/// lines are ignored. Fields keep their values when the file is missing.
void ImportMailerSettings(const QString& currentDir, MailerSettings& settings);

/// Replaces "kestra.ini" in `currentDir` with exactly the four lines "SMTP=",
/// "POP3=", "MAIL=" and "APOP=", each ending in CR LF. The old file stays
/// whole when the new one cannot be written; returns whether it was.
bool ExportMailerSettings(const QString& currentDir, const MailerSettings& settings);
