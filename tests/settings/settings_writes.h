#pragma once

// The settings files written over and over for the kill test: one numbered
// version of each file after another, always through the program's own
// calls. settings_writer runs them in a loop until it is killed; the test
// runs the same calls in a folder of its own to know what each version of a
// file must hold.

#include "settings/server_trust_file.h"
#include "settings/setting_keys.h"
#include "settings/settings_files.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

enum class SettingsKind
{
    Preferences, // ini.ini, WriteSettingText
    Account,     // iniIdPass.ini, the name and password together (WriteSettingTexts)
    Companion,   // kestra.ini, ExportMailerSettings
    Servers,     // servers.ini, ServerTrustFile
};

inline const QStringList kSettingsKindNames{"preferences", "account", "companion", "servers"};

// The file a kind writes, in the program folder `folder` (kestra.ini in the
// folder itself, the others in its settings folder).
inline QString SettingsFileOf(SettingsKind kind, const QString& folder)
{
    switch (kind) {
    case SettingsKind::Preferences:
        return PreferencesFile(folder);
    case SettingsKind::Account:
        return AccountFile(folder);
    case SettingsKind::Companion:
        return QDir(folder).filePath(QStringLiteral("kestra.ini"));
    case SettingsKind::Servers:
        return ServersFile(folder);
    }
    return {};
}

// A value that names its version and whose length changes from one version
// to the next, so that a file cut short or mixed from two versions shows.
inline QString VersionText(int version)
{
    QString text = QStringLiteral("v%1:").arg(version);
    const int length = (version * 37) % 150;
    for (int i = 0; i < length; ++i)
        text += QChar(u'a' + (version + i) % 26);
    return text + QStringLiteral("パス");
}

// Writes version `version` of the kind's file; true when the call says it was
// written (the trust file says nothing: true).
inline bool WriteSettingsVersion(SettingsKind kind, const QString& folder, int version)
{
    switch (kind) {
    case SettingsKind::Preferences:
        return WriteSettingText(PreferencesFile(folder), SettingKey::MailerPath, VersionText(version));
    case SettingsKind::Account:
        // As the account dialog saves them: a file holding one version's
        // name with another's password is no whole version.
        return WriteSettingTexts(AccountFile(folder),
                                 {{SettingKey::AccountName, QStringLiteral("user%1").arg(version)},
                                  {SettingKey::AccountPassword, VersionText(version)}});
    case SettingsKind::Companion: {
        const MailerSettings settings{QStringLiteral("smtp.example.jp"), VersionText(version),
                                      QStringLiteral("taro@example.jp"), qint16(version % 2)};
        return ExportMailerSettings(folder, settings);
    }
    case SettingsKind::Servers:
        ServerTrustFile(ServersFile(folder))
            .pin(QStringLiteral("pop.example.jp:995"), VersionText(version).toUtf8());
        return true;
    }
    return false;
}

// The settings folder, the keys that no version touches, and version 0.
inline void SetUpSettingsFolder(SettingsKind kind, const QString& folder)
{
    QDir(folder).mkpath(QStringLiteral("★MailData"));
    switch (kind) {
    case SettingsKind::Preferences:
        WriteSettingText(PreferencesFile(folder), SettingKey::CheckIntervalMinutes, QStringLiteral("15"));
        break;
    case SettingsKind::Account:
        WriteSettingText(AccountFile(folder), SettingKey::AccountSaved, QStringLiteral("1"));
        break;
    case SettingsKind::Companion:
        break;
    case SettingsKind::Servers:
        ServerTrustFile(ServersFile(folder)).noteTls(QStringLiteral("other.example.jp:995"));
        break;
    }
    WriteSettingsVersion(kind, folder, 0);
}
