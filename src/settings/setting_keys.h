#pragma once

#include <QString>

// The keys of the two INI files, all in section "EXEINI". Flags hold "1" or
// "0"; the other values are texts as the user gave them.
namespace SettingKey {

// The preferences file, ini.ini.

// Flag: hang up the dial-up connections after each check.
inline const QString HangUpAfterCheck = QStringLiteral("NUMBER");
// Minutes between automatic checks, as typed; 0 means none.
inline const QString CheckIntervalMinutes = QStringLiteral("NUMBER2");
// Flag: on new mail start the mailer instead of raising the notice board.
inline const QString LaunchMailerOnNewMail = QStringLiteral("NUMBER3");
// Flag: the notice board closes itself one second after it comes up.
inline const QString AutoCloseNotice = QStringLiteral("NUMBER4");
// The mailer's full path; "未設定" means none.
inline const QString MailerPath = QStringLiteral("NAME");

// The account file, iniIdPass.ini.

// The POP3 account name.
inline const QString AccountName = QStringLiteral("NAME");
// The password, in plain text, as the login needs it.
inline const QString AccountPassword = QStringLiteral("NAME2");
// "1" when the last OK saved the pair, "0" when it did not; never read.
inline const QString AccountSaved = QStringLiteral("NAME3");

} // namespace SettingKey
