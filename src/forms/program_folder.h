#pragma once

#include <QString>

// The names in and around the program folder, said once. The installer, the
// companion mailer and files already on users' disks use these exact
// spellings, so they never change.

/// The settings folder in the program folder; the program never creates it.
inline QString SettingsFolderName()
{
    return QStringLiteral("★MailData");
}

/// The folder of the status lamp's pictures in the program folder.
inline QString PicturesFolderName()
{
    return QStringLiteral("画像データ");
}

/// The folder of the alert tune in the program folder.
inline QString SoundFolderName()
{
    return QStringLiteral("Sound");
}

/// The alert tune in the sound folder.
inline QString AlertTuneFileName()
{
    return QStringLiteral("Kouka.mid");
}

/// The companion mailer's server settings, in the current directory.
inline QString CompanionFileName()
{
    return QStringLiteral("kestra.ini");
}

/// What the preferences and the panel hold for "no mail program chosen".
inline QString MailerNotSet()
{
    return QStringLiteral("未設定");
}
