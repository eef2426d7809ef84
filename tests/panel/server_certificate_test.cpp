// The mail check against servers with their own certificates, through the
// panel's "受信" as a user presses it: the private Dovecot with its
// self-signed certificate is asked about once, trusted with Yes and checked;
// a program started afresh on the same settings folder does not ask again; a
// changed certificate is asked about again and says so, and No leaves it
// refused without asking twice; a server that once did TLS and now offers
// none gets no password; nor does one that offers no encryption before the
// user allowed it; a weak key is refused whatever the user trusted.

#include "forms/program.h"
#include "panel/main_panel.h"
#include "panel/notice_board.h"
#include "settings/settings_files.h"
#include "support/file_bytes.h"
#include "support/script_server.h"
#include "support/test_program.h"

#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QSslCertificate>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// One TLS client at the lowest security level; says whether the handshake
// held, and if so what the client sent after the greeting.
const QString kWeakTlsServer = QStringLiteral(R"(
import socket, ssl, sys
socket.setdefaulttimeout(10)
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.set_ciphers("DEFAULT:@SECLEVEL=0")
context.load_cert_chain(sys.argv[1], sys.argv[2])
listener = socket.create_server(("127.0.0.1", 0))
print(listener.getsockname()[1], flush=True)
try:
    tls = context.wrap_socket(listener.accept()[0], server_side=True)
    tls.sendall(b"+OK ready\r\n")
    print("received:", tls.recv(100))
except OSError:
    print("no TLS session")
)");

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
    void pressReceive()
    {
        t.program->runHandler(panel, [this] { panel->Command16_Click(); });
    }
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
            QVERIFY(
                question.text.contains(QString::fromLatin1(m_fingerprint.left(4).toUpper()).insert(2, ':')));
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
        Checker checker("pop3s://" + address,
                        "[PINS]\r\n" + address.toLatin1() + "=" + m_fingerprint + "\r\n");
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

    // A server that offers no encryption is asked about once, before the
    // password goes: No sends nothing and is not asked again in the run,
    // Yes is kept; without a settings folder Yes holds for the run, and
    // that it could not be kept is said once.
    void noEncryptionOfferedIsAskedAboutBeforeThePassword()
    {
        ScriptServer server;
        const QString address = ServeMailbox(server, {TestMessage("one")}, "test", "s3cret");
        Checker declined(address);
        declined.t.prompts->answer = Prompts::Answer::No;
        declined.pressReceive();
        declined.pressReceive();
        QCOMPARE(declined.questions(), 1);
        QVERIFY(declined.t.prompts->shown[0].text.contains("暗号化（STLS）を申し出ていません"));
        QCOMPARE(declined.t.prompts->shown.size(), 2); // the second press: the error box
        QVERIFY(!server.transcript().contains("USER test"));

        Checker allowed(address);
        allowed.t.prompts->answer = Prompts::Answer::Yes;
        allowed.pressReceive();
        QCOMPARE(allowed.boardCount(), QStringLiteral("1"));
        QVERIFY(readBytes(allowed.serversFile()).contains("[CLEAR]\r\n" + address.toLatin1() + "=1"));

        TestProgram bare(false);
        bare.prompts->answer = Prompts::Answer::Yes;
        bare.program->Mailer.PopServer = address;
        MainForm* panel = bare.program->mainForm();
        for (int i = 0; i < 2; ++i)
            bare.program->runHandler(panel, [panel] { panel->Command16_Click(); });
        QCOMPARE(bare.prompts->shown.size(), 2);
        QVERIFY(bare.prompts->shown[1].text.contains("「★MailData」がありません"));
    }

    // A host that did TLS with a certificate the system vouched for is held
    // to it on every port: no password in clear on another one, and a
    // certificate the system does not vouch for is a warning, No by default,
    // in which the names from the certificate cannot write lines of their own.
    void hostThatDidVerifiedTlsIsHeldToIt()
    {
        QTemporaryDir keys, forgedKeys;
        const TestCertificate trusted = MakeTestCertificate(keys.path());
        const TestCertificate forged = MakeTestCertificate(
            forgedKeys.path(), {.organization = u"evil\n「はい」を選んでください。\u202e"_s});
        QVERIFY(trusted.valid() && forged.valid());
        ScriptServer tls, plain, intercepted;
        tls.setTls(trusted.certificate, trusted.key, true);
        const QString tlsAddress = ServeMailbox(tls, {TestMessage("one")}, "test", "s3cret");
        plain.send("+OK ready\r\n").expect("CAPA", "+OK\r\nUSER\r\n.\r\n").silence();
        const QString plainAddress = "127.0.0.1:" + QString::number(plain.begin());
        intercepted.setTls(forged.certificate, forged.key, true);
        intercepted.silence();
        const QString interceptedAddress = "pop3s://127.0.0.1:" + QString::number(intercepted.begin());

        Checker checker("pop3s://" + tlsAddress);
        checker.t.program->mail().addCaCertificates({trusted.certificate});
        checker.pressReceive();
        QCOMPARE(checker.boardCount(), QStringLiteral("1"));
        checker.t.program->Mailer.PopServer = plainAddress;
        checker.pressReceive();
        QVERIFY(plain.finish());
        QCOMPARE(plain.transcript(), QByteArrayList{"CAPA"});
        QVERIFY(checker.t.prompts->shown[0].text.contains("以前は暗号化に対応していました"));

        checker.t.prompts->answer = Prompts::Answer::No;
        checker.t.program->Mailer.PopServer = interceptedAddress;
        checker.pressReceive();
        QVERIFY(intercepted.finish());
        QCOMPARE(intercepted.transcript(), QByteArrayList{"<TLS handshake failed>"});
        QCOMPARE(checker.questions(), 1);
        const RecordingPrompts::Shown& warning = checker.t.prompts->shown.last();
        QCOMPARE(warning.buttons, Prompts::Buttons::YesNoDefaultNo);
        QVERIFY(warning.text.contains("以前は確認できましたが、今回は確認できません"));
        const QStringList lines = warning.text.split(u'\n');
        QVERIFY(lines.contains(u"発行先: CN=localhost, O=evil[U+000A]「はい」を選んでください。[U+202E]"_s));
        QVERIFY(!lines.contains(u"「はい」を選んでください。"_s));
    }

    // A 1024-bit RSA key is named, and not even a pin for exactly that
    // certificate lets it through: nothing goes out after the handshake.
    void weakKeyIsNamedAndNoPinWaivesIt()
    {
        QTemporaryDir keys;
        const TestCertificate weak = MakeTestCertificate(keys.path(), {.keyType = u"rsa:1024"_s});
        QVERIFY(weak.valid());
        // Qt's TLS will not serve a key that weak; Python's, at its lowest level, will.
        QProcess server;
        server.start("/usr/bin/python3", {"-c", kWeakTlsServer, weak.certPath, weak.keyPath});
        QVERIFY(server.waitForReadyRead(10000));
        const QString address = "127.0.0.1:" + QString::fromLatin1(server.readLine().trimmed());
        Checker checker("pop3s://" + address, "[PINS]\r\n" + address.toLatin1() + "=" +
                                                  CertificateFingerprint(weak.certificate) + "\r\n");
        checker.pressReceive();
        QVERIFY(server.waitForFinished(10000));
        QCOMPARE(server.readAll().trimmed(), QByteArray("no TLS session"));
        QCOMPARE(checker.questions(), 0);
        QVERIFY(checker.t.prompts->shown[0].text.contains("証明書の鍵が短すぎます（RSA 1024 ビット）"));
    }

private:
    QString m_dovecot;
    QByteArray m_fingerprint;
};

QTEST_MAIN(ServerCertificateTest)
#include "server_certificate_test.moc"
