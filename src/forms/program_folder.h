#pragma once

#include <QString>

// The names in and around the program folder, said once. The installer, the
// companion mailer and files already on users' disks use these exact
// spellings, so they never change.

// The settings folder in the program folder; the program never creates it.
inline const QString kSettingsFolderName = QStringLiteral("★MailData");
// The folder of the status lamp's pictures in the program folder.
inline const QString kPicturesFolderName = QStringLiteral("画像データ");
// The folder of the alert tune in the program folder, and the tune in it.
inline const QString kSoundFolderName = QStringLiteral("Sound");
inline const QString kAlertTuneFileName = QStringLiteral("Kouka.mid");
// The companion mailer's server settings, in the current directory.
inline const QString kCompanionFileName = QStringLiteral("kestra.ini");
// What the preferences and the panel hold for "no mail program chosen".
inline const QString kMailerNotSet = QStringLiteral("未設定");
