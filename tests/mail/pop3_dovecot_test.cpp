// The mail library against a real Dovecot, started by the test fixture with
// three messages for test / s3cret.
#include "base/ansi.h"
#include "mail/nmail.h"

#include <QFile>
#include <QTest>
#include <vector>

namespace {
struct Fetched
{
    QList<QByteArray> subjects;
    QList<QByteArray> bodies;
    QList<int> sizes;
};

QByteArray lastMessage(NMail& mail)
{
    std::vector<char> buffer(8192, 'x');
    int capacity = 8192;
    mail.NMailGetMessage(0, buffer, &capacity);
    return QByteArray(buffer.data());
}

// The mail check's loop: status, size, message, for every message.
Fetched fetchAll(NMail& mail, int handle, int count)
{
    Fetched fetched;
    std::vector<char> subject(8192), from(8192), date(8192), id(8192);
    for (int n = 1; n <= count; ++n) {
        mail.NMailPop3GetMailStatus(handle, n, subject, from, date, id, 0);
        const int size = mail.NMailPop3GetMailSize(handle, n);
        std::vector<char> body(size + 1, ' ');
        mail.NMailPop3GetMail(handle, n, subject, from, date, id, body, 0, 0);
        fetched.subjects.append(QByteArray(subject.data()));
        fetched.bodies.append(QByteArray(body.data()));
        fetched.sizes.append(size);
    }
    return fetched;
}
} // namespace

class Pop3DovecotTest final : public QObject
{
    Q_OBJECT

    QByteArray m_plain;
    QByteArray m_tls;
    QList<QSslCertificate> m_ca;
    std::unique_ptr<NMail> m_mail;

    int connectAndLogIn(const QByteArray& server, const QByteArray& password, int apop)
    {
        const int handle = m_mail->NMailPop3Connect(server);
        if (handle < 0)
            return -100;
        const int count = m_mail->NMailPop3Authenticate(handle, "test", password, apop);
        if (count < 0)
            m_mail->NMailGetMessage(0, m_failure, &m_capacity);
        m_mail->NMailPop3Close(handle);
        return count;
    }
    std::vector<char> m_failure = std::vector<char>(8192);
    int m_capacity = 8192;

private slots:
    void initTestCase()
    {
        const QString dir = qEnvironmentVariable("PAWMELO_DOVECOT_DIR");
        QFile ports(dir + QStringLiteral("/ports"));
        QVERIFY2(ports.open(QIODevice::ReadOnly), "the Dovecot fixture did not start");
        const QList<QByteArray> numbers = ports.readAll().trimmed().split(' ');
        QCOMPARE(numbers.size(), 2);
        m_plain = "127.0.0.1:" + numbers[0];
        m_tls = "127.0.0.1:" + numbers[1];
        m_ca = QSslCertificate::fromPath(dir + QStringLiteral("/ssl/cert.pem"));
        QCOMPARE(m_ca.size(), 1);
    }

    void init()
    {
        m_mail = std::make_unique<NMail>();
        m_mail->NMailInitializeWinSock();
        m_mail->setReplyTimeout(10000);
        m_mail->addCaCertificates(m_ca);
    }

    // STLS on the plain port; the same pass with and without sending ahead
    // must read exactly the same.
    void plainPortReadsEveryMessage()
    {
        Fetched passes[2];
        for (int window : {8, 0}) {
            m_mail->setPipelineWindow(window);
            const int handle = m_mail->NMailPop3Connect(m_plain);
            QVERIFY2(handle > 0, lastMessage(*m_mail).constData());
            QCOMPARE(m_mail->NMailPop3Authenticate(handle, "test", "s3cret", 0), 3);
            passes[window == 0] = fetchAll(*m_mail, handle, 3);
            QCOMPARE(m_mail->NMailPop3Close(handle), 0);
        }
        const Fetched& fetched = passes[0];
        QCOMPARE(fetched.subjects, (QList<QByteArray>{ToAnsi(u"テスト1"), "second", ToAnsi(u"件名3")}));
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(fetched.bodies[i].size(), fetched.sizes[i]);
            QVERIFY(fetched.bodies[i].endsWith("message.\r\n") || fetched.bodies[i].endsWith("two\r\n"));
        }
        QVERIFY(fetched.bodies[0].contains("\r\n\r\nFirst message.\r\n.a line that starts with a dot\r\n"
                                           "..and one with two\r\n"));
        QCOMPARE(passes[1].bodies, fetched.bodies);
        QCOMPARE(passes[1].subjects, fetched.subjects);
    }

    void logins_data()
    {
        QTest::addColumn<bool>("tlsPort");
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<int>("apop");
        QTest::addColumn<int>("count");
        QTest::newRow("APOP") << false << QByteArray("s3cret") << -1 << 3;
        QTest::newRow("implicit TLS") << true << QByteArray("s3cret") << 0 << 3;
        QTest::newRow("implicit TLS, APOP") << true << QByteArray("s3cret") << -1 << 3;
        QTest::newRow("wrong password") << false << QByteArray("wrong") << 0 << -1;
        QTest::newRow("wrong password, APOP") << false << QByteArray("wrong") << -1 << -1;
    }
    void logins()
    {
        QFETCH(bool, tlsPort);
        QFETCH(QByteArray, password);
        QFETCH(int, apop);
        QFETCH(int, count);
        const QByteArray server = tlsPort ? "pop3s://" + m_tls : "pop3://" + m_plain;
        QCOMPARE(connectAndLogIn(server, password, apop), count);
        if (count < 0)
            QVERIFY(QByteArray(m_failure.data())
                        .endsWith(ToAnsi(u"サーバーからの返事: -ERR [AUTH] Authentication failed.")));
    }

    // Without the test CA both ports refuse to go on: Connect fails, so the
    // password, which only Authenticate sends, never leaves.
    void untrustedCertificateFailsTheConnection()
    {
        NMail plainMail;
        for (const QByteArray& server : {m_plain, "pop3s://" + m_tls}) {
            QCOMPARE(plainMail.NMailPop3Connect(server), -1);
            const QByteArray where = server.mid(server.indexOf("127."));
            QCOMPARE(
                FromAnsi(lastMessage(plainMail)),
                QString::fromLatin1(where) +
                    u" のサーバー証明書を確認できませんでした（自己署名の証明書で、信頼できる発行元がありません）。"_qs);
        }
    }
};

QTEST_GUILESS_MAIN(Pop3DovecotTest)
#include "pop3_dovecot_test.moc"
