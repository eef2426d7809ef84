#pragma once

#include "forms/mailer_settings.h"

#include <QList>
#include <QString>
#include <QtGlobal>
#include <utility>

// The program's settings files: the preferences file and the account file
// (INI files, section "EXEINI", in the settings folder beside the program),
// and the companion mailer's "kestra.ini" in the current directory. Every
// call goes to the file at that moment; nothing is cached.

/// The preferences file: the program folder followed by "/★MailData/ini.ini".
QString PreferencesFile(const QString& programFolder);
/// The account file: the program folder followed by "/★MailData/iniIdPass.ini".
QString AccountFile(const QString& programFolder);
/// The mail library's memory of servers (trusted certificates, addresses
/// that spoke TLS): the program folder followed by "/★MailData/servers.ini".
QString ServersFile(const QString& programFolder);

/// The whole number the key's text in section "EXEINI" begins with; 0 when
/// the text has no leading digits or the key, the file or its folder is missing.
int ReadSettingInt(const QString& file, const QString& key);

/// The key's text in section "EXEINI", at most 255 bytes of it in the file's
/// code page; `defaultText` when the key is missing. Callers apply their own
/// fallback when this comes back empty.
QString ReadSettingText(const QString& file, const QString& key, const QString& defaultText);

/// Sets the key in section "EXEINI", creating the file, section and key
/// when missing (never the folder). The account file holds the password in
/// plain text, so every write leaves it readable by its owner only (0600),
/// whatever mode it had; a new preferences file is 0644, an existing one
/// keeps its mode. Returns whether the file was written; the program's
/// callers go on either way.
bool WriteSettingText(const QString& file, const QString& key, const QString& text);

/// Sets several keys of section "EXEINI" as WriteSettingText does, in one
/// replacement of the file, so that no moment (a kill, a full disk) leaves
/// some of them new and the others old: the account name with the password
/// it belongs to.
bool WriteSettingTexts(const QString& file, const QList<std::pair<QString, QString>>& keyTexts);

/// Where a text the user enters goes; each place has its own limits.
enum class TextStore
{
    /// A value of the preferences or account file: no CR, LF or NUL, at
    /// most 255 bytes in CP932 (a read gives back no more).
    SettingsFile,
    /// A line of kestra.ini: no CR (a lone LF stays inside the line), at
    /// most 100 characters after its prefix (the import takes no more).
    MailerFile,
    /// Handed on as CP932 bytes (to the mail library) but not kept: no CR,
    /// LF or NUL, which a protocol line cannot carry; any length.
    CodePageOnly,
};

/// Empty when `text` can go to `store` and come back exactly as it is.
/// Otherwise one Japanese sentence for the user that names `field` and says
/// why not: the characters CP932 cannot hold (line breaks among them), or
/// how long the value may be and how long it is.
QString UnstorableTextMessage(const QString& field, const QString& text, TextStore store);

/// Reads "kestra.ini" in `currentDir`: the lines beginning "SMTP=", "POP3=",
/// "MAIL=" and "APOP=" set the matching field (a later line wins), and the
/// three texts' bytes as the file held them are kept in `FileBytes`; other
/// lines are ignored. Fields keep their values when the file is missing.
void ImportMailerSettings(const QString& currentDir, MailerSettings& settings);

/// Whether `text` is still the text that `fileBytes` (a value as kestra.ini
/// held it) was read as, so that the bytes, not the text, go back to the file.
bool IsImportedText(const QString& text, const QByteArray& fileBytes);

/// Replaces "kestra.ini" in `currentDir` with exactly the four lines "SMTP=",
/// "POP3=", "MAIL=" and "APOP=", each ending in CR LF. A text still as it
/// was imported is written as the bytes it came from (IsImportedText), even
/// where they are not valid CP932. The old file stays whole when the new
/// one cannot be written; returns whether it was. A new file is 0644; an
/// existing one keeps its mode, and its owner may always read and write it.
bool ExportMailerSettings(const QString& currentDir, const MailerSettings& settings);
