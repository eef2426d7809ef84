#include "core/ansi.h"
#include "settings/settings_files.h"
#include "support/file_bytes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const MailerSettings kBefore{"smtp.old", "pop.old", "old@example.jp", 1};
} // namespace

class SettingsFilesTest final : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    QString companion() const { return m_dir.filePath("kestra.ini"); }
    MailerSettings imported(const QByteArray& content)
    {
        writeBytes(companion(), content);
        MailerSettings settings = kBefore;
        ImportMailerSettings(m_dir.path(), settings);
        return settings;
    }

private slots:
    void locations()
    {
        QCOMPARE(PreferencesFile("/opt/p"), QStringLiteral("/opt/p/★MailData/ini.ini"));
        QCOMPARE(AccountFile("/opt/p/"), QStringLiteral("/opt/p//★MailData/iniIdPass.ini"));
    }

    void iniKeys()
    {
        QVERIFY(QDir(m_dir.path()).mkdir(u"★MailData"_s));
        const QString prefs = PreferencesFile(m_dir.path());
        const QString account = AccountFile(m_dir.path());
        WriteSettingText(prefs, "NUMBER2", "1.5");
        WriteSettingText(prefs, "NUMBER", "letters");
        WriteSettingText(prefs, "NAME", QString(300, u'表'));
        WriteSettingText(account, "NAME2", u" パス word "_s);
        QCOMPARE(ReadSettingInt(prefs, "number2"), 1);
        QCOMPARE(ReadSettingInt(prefs, "NUMBER"), 0);
        QCOMPARE(ReadSettingInt(prefs, "NUMBER3"), 0);
        QCOMPARE(ReadSettingText(prefs, "NAME", ""), QString(127, u'表'));
        QCOMPARE(ReadSettingText(prefs, "NAME9", u"未設定"_s), u"未設定"_s);
        QCOMPARE(ReadSettingText(account, "name2", ""), u" パス word "_s);
        QCOMPARE(readBytes(account), "[EXEINI]\r\nNAME2=" + ToAnsi(u" パス word ") + "\r\n");

        // Owner, group and other bits of QFileDevice::Permissions: 0x6000 is 0600.
        QCOMPARE(QFile::permissions(account).toInt() & 0x7077, 0x6000);
        QCOMPARE(QFile::permissions(prefs).toInt() & 0x7077, 0x6044);
    }

    void importLines()
    {
        const MailerSettings all =
            imported(ToAnsi(u"SMTP=s.jp\rPOP3=p.jp\r\n# x\r\nMAIL=太郎@例.jp\r\nAPOP=0"));
        QCOMPARE(all.SmtpServer, u"s.jp"_s);
        QCOMPARE(all.PopServer, u"p.jp"_s);
        QCOMPARE(all.MailAddress, u"太郎@例.jp"_s);
        QCOMPARE(all.UseApop, 0);
        // A lone LF does not end a line: the first prefix takes the rest.
        const MailerSettings lf = imported("SMTP=a\nPOP3=b\r\n");
        QCOMPARE(lf.SmtpServer, u"a\nPOP3=b"_s);
        QCOMPARE(lf.PopServer, kBefore.PopServer);
        QCOMPARE(imported("pop3=x\r\n").PopServer, kBefore.PopServer);
        QCOMPARE(imported("POP3=").PopServer, QString());
        QCOMPARE(imported(ToAnsi(u"MAIL= "_s + QString(120, u'あ'))).MailAddress,
                 u" "_s + QString(99, u'あ'));
        QCOMPARE(imported("MAIL=a@x\r\nMAIL=b@x\r\n").MailAddress, u"b@x"_s);
        QCOMPARE(imported(QByteArray(3'000'000, 'z') + "\r\nPOP3=after").PopServer, u"after"_s);

        const QList<std::pair<QByteArray, int>> apop{{"1", 1},    {"yes", 0},       {"2.5", 2},
                                                     {" 3.5", 4}, {"99999", 32767}, {"-99999", -32768}};
        for (const auto& [text, expected] : apop)
            QCOMPARE(int(imported("APOP=" + text + "\r\n").UseApop), expected);
    }

    void missingOrFolderLeavesValues()
    {
        QTemporaryDir other;
        QVERIFY(QDir(other.path()).mkdir("kestra.ini"));
        MailerSettings settings = kBefore;
        ImportMailerSettings(other.path(), settings);
        ImportMailerSettings(other.filePath("nowhere"), settings);
        QCOMPARE(settings.PopServer, kBefore.PopServer);
        QCOMPARE(settings.UseApop, kBefore.UseApop);
        QVERIFY(!ExportMailerSettings(other.path(), settings));
        QVERIFY(!ExportMailerSettings(other.filePath("nowhere"), settings));
    }

    void exportWritesExactlyFourLines()
    {
        writeBytes(companion(), "[mailer]\r\nPOP3=pop.jp\r\nSIG=--\r\nMAIL=me@x\nmore\r\n");
        MailerSettings settings;
        ImportMailerSettings(m_dir.path(), settings);
        settings.SmtpServer = u"送信\r\nPOP3=evil"_s;
        QVERIFY(ExportMailerSettings(m_dir.path(), settings));
        QCOMPARE(readBytes(companion()),
                 ToAnsi(u"SMTP=送信\r\nPOP3=pop.jp\r\nMAIL=me@x\nmore\r\nAPOP=0\r\n"));

        MailerSettings again;
        ImportMailerSettings(m_dir.path(), again);
        QCOMPARE(again.SmtpServer, u"送信"_s);
        QCOMPARE(again.PopServer, u"pop.jp"_s);
        QCOMPARE(again.MailAddress, u"me@x\nmore"_s);
    }
};

QTEST_GUILESS_MAIN(SettingsFilesTest)
#include "settings_files_test.moc"
