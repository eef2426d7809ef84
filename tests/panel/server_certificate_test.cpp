// The mail check against servers with their own certificates, through the
// panel's "受信" as a user presses it: the private Dovecot with its
// self-signed certificate is asked about once, trusted with Yes and checked;
// a program started afresh on the same settings folder does not ask again; a
// changed certificate is asked about again and says so, and No leaves it
// refused without asking twice; a server that once did TLS and now offers
// none gets no password.

#include "forms/program.h"
#include "support/script_server.h"
#include "panel/main_panel.h"
#include "panel/notice_board.h"
#include "settings/settings_files.h"
#include "support/file_bytes.h"
#include "support/test_program.h"

#include <QFile>
#include <QLineEdit>
#include <QSslCertificate>
#include <QTemporaryDir>
#include <QTest>

namespace {
// A program whose account is saved and whose server is `server`, loaded as
// at start-up; `servers` is the servers file to start from, if any.
struct Checker
{
    TestProgram t;
    MainForm* panel = nullptr;

    Checker(const QString& server, const QByteArray& servers = {})
    {
        WriteSettingText(t.account(), "NAME", "test");
        WriteSettingText(t.account(), "NAME2", "s3cret");
        if (!servers.isEmpty())
            writeBytes(serversFile(), servers);
        t.program->Mailer.PopServer = server;
        panel = t.program->mainForm();
    }
    QString serversFile() const { return ServersFile(t.program->programFolder()); }
    void pressReceive() { t.program->runHandler(panel, [this] { panel->Command16_Click(); }); }
    int questions() const
    {
        return int(std::count_if(t.prompts->shown.begin(), t.prompts->shown.end(),
                                 [](const auto& box) { return box.title == QStringLiteral("確認"); }));
    }
    QString boardCount() const
    {
        const MsgForm* board = t.program->loadedMsgForm();
        return board ? board->Text2->text() : QString();
    }
};
} // namespace

class ServerCertificateTest final : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        const QString dir = qEnvironmentVariable("PAWMELO_DOVECOT_DIR");
        QFile ports(dir + QStringLiteral("/ports"));
        QVERIFY2(ports.open(QIODevice::ReadOnly), "the Dovecot fixture did not start");
        m_dovecot = "127.0.0.1:" + QString::fromLatin1(ports.readAll().trimmed().split(' ').value(0));
        const QList<QSslCertificate> certificates = QSslCertificate::fromPath(dir + "/ssl/cert.pem");
        QCOMPARE(certificates.size(), 1);
        m_fingerprint = certificates.first().digest(QCryptographicHash::Sha256).toHex();
    }

    void selfSignedHomeServerIsAskedAboutOnceThenTrusted()
    {
        QByteArray servers;
        {
            Checker first(m_dovecot);
            first.t.prompts->answer = Prompts::Answer::Yes;
            first.pressReceive();
            QCOMPARE(first.questions(), 1);
            const auto& question = first.t.prompts->shown.first();
            QCOMPARE(question.buttons, Prompts::Buttons::YesNo);
            QVERIFY(question.text.contains(m_dovecot));
            QVERIFY(question.text.contains("自己署名"));
            QVERIFY(question.text.contains(QString::fromLatin1(m_fingerprint.left(4).toUpper()).insert(2, ':')));
            QVERIFY(question.text.endsWith("この証明書を信頼して接続しますか？"));
            QVERIFY(!question.text.contains("変わっています"));
            QCOMPARE(first.boardCount(), QStringLiteral("3"));
            servers = readBytes(first.serversFile());
            QVERIFY(servers.contains(m_fingerprint));
            QVERIFY(!servers.contains("s3cret"));
        }
        // Started afresh on the same settings: no question, straight to the board.
        Checker again(m_dovecot, servers);
        again.pressReceive();
        QCOMPARE(again.t.prompts->shown.size(), 0);
        QCOMPARE(again.boardCount(), QStringLiteral("3"));
    }

    void changedCertificateAsksAgainAndNoMeansNo()
    {
        QTemporaryDir keys;
        const TestCertificate other = MakeTestCertificate(keys.path());
        QVERIFY(other.valid());
        // The Dovecot certificate is trusted; another one answers this time.
        ScriptServer server;
        server.setTls(other.certificate, other.key, true);
        server.silence();
        const QString address = "127.0.0.1:" + QString::number(server.begin());
        Checker checker("pop3s://" + address, "[PINS]\r\n" + address.toLatin1() + "=" + m_fingerprint + "\r\n");
        checker.t.prompts->answer = Prompts::Answer::No;
        checker.pressReceive();
        QCOMPARE(checker.questions(), 1);
        QVERIFY(checker.t.prompts->shown.first().text.contains("変わっています"));
        QVERIFY(checker.boardCount().isEmpty());
        checker.pressReceive();
        QCOMPARE(checker.questions(), 1);
        QVERIFY(readBytes(checker.serversFile()).contains(m_fingerprint));
    }

    void serverThatOnceDidTlsGetsNoPasswordInClear()
    {
        ScriptServer server;
        server.send("+OK ready\r\n").expect("CAPA", "+OK\r\nUSER\r\n.\r\n").silence();
        const QString address = "127.0.0.1:" + QString::number(server.begin());
        Checker checker(address, "[TLS]\r\n" + address.toLatin1() + "=1\r\n");
        checker.pressReceive();
        QCOMPARE(checker.t.prompts->shown.size(), 1);
        QVERIFY2(checker.t.prompts->shown[0].text.contains("以前は暗号化に対応していました"),
                 qPrintable(checker.t.prompts->shown[0].text));
        QVERIFY(server.finish());
        for (const QByteArray& line : server.transcript())
            QVERIFY2(!line.startsWith("USER") && !line.startsWith("PASS"), line.constData());
    }

private:
    QString m_dovecot;
    QByteArray m_fingerprint;
};

QTEST_MAIN(ServerCertificateTest)
#include "server_certificate_test.moc"
