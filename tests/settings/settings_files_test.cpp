#include "base/ansi.h"
#include "settings/settings_files.h"
#include "support/file_bytes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(TextStore)

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
        // An account file that others may read (copied, restored, made by
        // hand) is its owner's alone again after the next write.
        QVERIFY(QFile::setPermissions(account, QFile::permissions(prefs)));
        WriteSettingText(account, "NAME", "taro");
        QCOMPARE(QFile::permissions(account).toInt() & 0x7077, 0x6000);
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

    // Text the settings files hold as it is passes; anything else is named.
    void storableText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<TextStore>("store");
        QTest::addColumn<QString>("message"); // empty: storable

        const QString cp932 = u"新着メールが有ります ★MailData ～－①ⅰ＼ \"q\" \t"_s;
        for (const TextStore store :
             {TextStore::SettingsFile, TextStore::MailerFile, TextStore::CodePageOnly})
            QTest::addRow("CP932 text, store %d", int(store)) << cp932 << store << QString();
        QTest::newRow("accent") << u"renée"_s << TextStore::SettingsFile
                                << u"パスワードの次の文字は保存できません: é"_s;
        QTest::newRow("umlaut, not kept")
            << u"Passwört"_s << TextStore::CodePageOnly << u"パスワードに次の文字は使えません: ö"_s;
        QTest::newRow("emoji named once each, in order")
            << u"🎉ok😀🎉"_s << TextStore::MailerFile << u"パスワードの次の文字は保存できません: 🎉 😀"_s;
        QTest::newRow("Korean") << u"사용자"_s << TextStore::SettingsFile
                                << u"パスワードの次の文字は保存できません: 사 용 자"_s;
        // The encoder writes the fullwidth tilde's code for the wave dash.
        QTest::newRow("look-alike that comes back as another character")
            << u"a〜b"_s << TextStore::SettingsFile << u"パスワードの次の文字は保存できません: 〜"_s;
        QTest::newRow("combining accent by code point")
            << u"re\u0301e"_s << TextStore::SettingsFile << u"パスワードの次の文字は保存できません: U+0301"_s;
        QTest::newRow("many characters: ten listed")
            << u"àáâãäåæçèéêë"_s << TextStore::SettingsFile
            << u"パスワードの次の文字は保存できません: à á â ã ä å æ ç è é など"_s;
        QTest::newRow("line breaks in an INI value")
            << u"a\r\nb\nc"_s << TextStore::SettingsFile << u"パスワードの次の文字は保存できません: 改行"_s;
        QTest::newRow("line break in a protocol line")
            << u"pass\r\nQUIT"_s << TextStore::CodePageOnly << u"パスワードに次の文字は使えません: 改行"_s;
        // kestra.ini lines end only at CR: a lone LF reads back.
        QTest::newRow("LF in kestra.ini") << u"a\nb"_s << TextStore::MailerFile << QString();
        QTest::newRow("CR in kestra.ini")
            << u"a\rb"_s << TextStore::MailerFile << u"パスワードの次の文字は保存できません: 改行"_s;

        // 255 bytes come back from an INI value, counted in CP932.
        QTest::newRow("255 bytes") << (QString(127, u'表') + u"a"_s) << TextStore::SettingsFile << QString();
        QTest::newRow("256 bytes") << QString(128, u'表') << TextStore::SettingsFile
                                   << u"パスワードは255バイトまでしか保存できません（今は256バイト）。"_s;
        QTest::newRow("256 single bytes")
            << QString(256, u'ｱ') << TextStore::SettingsFile
            << u"パスワードは255バイトまでしか保存できません（今は256バイト）。"_s;
        // kestra.ini's import takes 100 characters, whatever their width.
        QTest::newRow("100 characters") << QString(100, u'表') << TextStore::MailerFile << QString();
        QTest::newRow("101 characters") << QString(101, u'a') << TextStore::MailerFile
                                        << u"パスワードは100文字までしか保存できません（今は101文字）。"_s;
        QTest::newRow("not kept: no length limit")
            << QString(300, u'表') << TextStore::CodePageOnly << QString();
    }
    void storableText()
    {
        QFETCH(QString, text);
        QFETCH(TextStore, store);
        QTEST(UnstorableTextMessage(u"パスワード"_s, text, store), "message");
    }

    // What the check lets through is what the files give back, at the limits.
    void storableTextReadsBackUnchanged()
    {
        QVERIFY(QDir(m_dir.path()).exists(u"★MailData"_s) || QDir(m_dir.path()).mkdir(u"★MailData"_s));
        const QString account = AccountFile(m_dir.path());
        const QStringList iniValues{QString(127, u'表') + u"a"_s, QString(128, u'表'), u"renée"_s, u"a〜b"_s};
        for (const QString& value : iniValues) {
            WriteSettingText(account, "NAME2", value);
            const bool accepted = UnstorableTextMessage("x", value, TextStore::SettingsFile).isEmpty();
            QCOMPARE(ReadSettingText(account, "NAME2", "") == value, accepted);
        }

        const QStringList mailerValues{QString(100, u'表'), QString(101, u'表'), u"a\nb"_s, u"a\rb"_s,
                                       u"Müller"_s};
        for (const QString& value : mailerValues) {
            MailerSettings settings;
            settings.MailAddress = value;
            QVERIFY(ExportMailerSettings(m_dir.path(), settings));
            MailerSettings back;
            ImportMailerSettings(m_dir.path(), back);
            const bool accepted = UnstorableTextMessage("x", value, TextStore::MailerFile).isEmpty();
            QCOMPARE(back.MailAddress == value, accepted);
        }
    }
};

QTEST_GUILESS_MAIN(SettingsFilesTest)
#include "settings_files_test.moc"
