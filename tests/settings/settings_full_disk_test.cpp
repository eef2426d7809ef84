// The settings files on a disk with no room left (a small tmpfs of the test's
// own, tests/support/on_small_disk.sh): every write says it failed and the
// old files stay whole, with nothing left beside them.

#include "settings/setting_keys.h"
#include "settings/settings_files.h"
#include "support/file_bytes.h"

#include <QDir>
#include <QTest>

class SettingsFullDiskTest final : public QObject
{
    Q_OBJECT

private slots:
    void aFullDiskLeavesEveryFileWhole()
    {
        const QString disk = qEnvironmentVariable("PAWMELO_SMALL_DISK");
        if (disk.isEmpty())
            QSKIP("needs a disk of its own to fill: run it through ctest (tests/support/on_small_disk.sh)");
        QVERIFY(QDir(disk).mkdir(QStringLiteral("★MailData")));
        const QString prefs = PreferencesFile(disk), account = AccountFile(disk);
        QVERIFY(WriteSettingText(prefs, SettingKey::CheckIntervalMinutes, QStringLiteral("15")));
        QVERIFY(WriteSettingText(account, SettingKey::AccountPassword, QStringLiteral("old-pass")));
        MailerSettings mailer{QStringLiteral("smtp.example.jp"), QStringLiteral("pop.example.jp"), {}, 1};
        QVERIFY(ExportMailerSettings(disk, mailer));
        const QStringList files{prefs, account, QDir(disk).filePath(QStringLiteral("kestra.ini"))};
        QByteArrayList before;
        for (const QString& file : files)
            before.append(readBytes(file));

        // Fill the disk to its last byte: tmpfs hands out whole pages.
        QFile filler(disk + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (filler.write(QByteArray(4096, 'f')) == 4096 || filler.write("f", 1) == 1) {
        }

        // What closing the preferences dialog and the two dialogs' OK write.
        QVERIFY(!WriteSettingText(prefs, SettingKey::CheckIntervalMinutes, QStringLiteral("0")));
        QVERIFY(!WriteSettingTexts(account, {{SettingKey::AccountName, QStringLiteral("hanako")},
                                             {SettingKey::AccountPassword, QStringLiteral("new-pass")}}));
        mailer.PopServer = QStringLiteral("pop.changed.jp");
        QVERIFY(!ExportMailerSettings(disk, mailer));
        for (qsizetype i = 0; i < files.size(); ++i)
            QCOMPARE(readBytes(files[i]), before[i]);
        QCOMPARE(QDir(disk).entryList(QDir::Files | QDir::Hidden), (QStringList{"filler", "kestra.ini"}));
        QCOMPARE(QDir(disk + QStringLiteral("/★MailData")).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{"ini.ini", "iniIdPass.ini"}));

        // With room again the same write goes through.
        QVERIFY(filler.remove());
        QVERIFY(ExportMailerSettings(disk, mailer));
    }
};

QTEST_GUILESS_MAIN(SettingsFullDiskTest)
#include "settings_full_disk_test.moc"
