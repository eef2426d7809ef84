// The mail library against a scripted POP3 server: exact transcripts for the
// logins and the message commands, and servers that misbehave.
#include "base/ansi.h"
#include "mail/nmail.h"
#include "mail/pop3_test_support.h"
#include "support/script_server.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <QSslConfiguration>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <vector>

class Pop3SessionTest final : public QObject
{
    Q_OBJECT

    std::unique_ptr<NMail> m_mail;
    QTemporaryDir m_folder;
    TestCertificate m_certificate;

private slots:
    void initTestCase()
    {
        m_certificate = MakeTestCertificate(m_folder.path());
        QVERIFY(m_certificate.valid());
    }

    void init()
    {
        m_mail = std::make_unique<NMail>();
        m_mail->setConnectTimeout(5000);
        m_mail->setReplyTimeout(kReplyTimeoutMs);
    }

    void plainLoginReadsEveryMessage()
    {
        ScriptServer script;
        greetAndLogIn(script, "+OK\r\nTOP\r\nUSER\r\n.\r\n");
        script.serve({kMessage1, kMessage2});
        const quint16 port = script.begin();

        m_mail->NMailInitializeWinSock();
        m_mail->NMailSetOption(1, 8192);
        const int handle = m_mail->NMailPop3Connect(server(port));
        QVERIFY(handle > 0);
        QCOMPARE(m_mail->NMailPop3Authenticate(handle, "u", "p", 0), 2);
        Buffers buffers;
        const QList<QByteArray> bodies = fetchAll(*m_mail, handle, 2, buffers);
        QCOMPARE(m_mail->NMailPop3Close(handle), 0);
        QVERIFY(script.finish());

        QCOMPARE(bodies, (QList<QByteArray>{kMessage1, kMessage2}));
        QCOMPARE(text(buffers.subject), QByteArray("plain folded"));
        QCOMPARE(text(buffers.from), QByteArray("b@example.org"));
        QCOMPARE(script.transcript(), (Transcript{"CAPA", "USER u", "PASS p", "STAT", "TOP 1 0", "LIST 1",
                                                  "RETR 1", "TOP 2 0", "LIST 2", "RETR 2", "QUIT"}));
        QVERIFY2(script.failure().isEmpty(), qPrintable(script.failure()));
        m_mail->NMailEndWinSock();
        m_mail->NMailEndWinSock();
    }

    void statusDecodesHeadersIntoAnsi()
    {
        ScriptServer script;
        greetAndLogIn(script);
        script.serve({kMessage1});
        const int handle = m_mail->NMailPop3Connect(server(script.begin()));
        QCOMPARE(m_mail->NMailPop3Authenticate(handle, "u", "p", 0), 1);
        Buffers buffers;
        QCOMPARE(m_mail->NMailPop3GetMailStatus(handle, 1, buffers.subject, buffers.from, buffers.date,
                                                buffers.id, 0),
                 0);
        QCOMPARE(text(buffers.subject), ToAnsi(u"こんにちは"));
        QCOMPARE(text(buffers.from), ToAnsi(u"山田 <yamada@example.jp>"));
        QCOMPARE(text(buffers.date), QByteArray("Tue, 1 Dec 2026 10:00:00 +0900"));
        QCOMPARE(text(buffers.id), QByteArray("<1@example.jp>"));

        // A body buffer smaller than the message gets what fits, NUL-terminated;
        // small header buffers are cut on a character boundary.
        std::vector<char> body(11, '#');
        std::vector<char> subject(4, '#');
        QCOMPARE(
            m_mail->NMailPop3GetMail(handle, 1, subject, buffers.from, buffers.date, buffers.id, body, 0, 0),
            0);
        QCOMPARE(QByteArray(body.data(), 11), kMessage1.left(10) + '\0');
        QCOMPARE(QByteArray(subject.data()), ToAnsi(u"こ"));
        m_mail->NMailPop3Close(handle);
    }

    void apopSendsTheDigestOfTimestampAndPassword()
    {
        ScriptServer script;
        script.send("+OK POP3 server ready <1896.697170952@dbc.mtview.ca.us>\r\n")
            .expect("CAPA", "-ERR\r\n")
            .expect("APOP mrose c4c9334bac560ecc979e58001b3e22fb", "+OK maildrop has 0 messages\r\n")
            .expect("STAT", "+OK 0 0\r\n")
            .expect("QUIT", "+OK\r\n");
        const int handle = m_mail->NMailPop3Connect("pop3://" + server(script.begin()));
        QCOMPARE(m_mail->NMailPop3Authenticate(handle, "mrose", "tanstaaf", -1), 0);
        QCOMPARE(m_mail->NMailPop3Close(handle), 0);
        QVERIFY(script.finish());
        QVERIFY2(script.failure().isEmpty(), qPrintable(script.failure()));
    }

    void failedLoginKeepsTheServersWords()
    {
        ScriptServer script;
        script
            .send("+OK ready\r\n") // no time stamp: APOP cannot be asked for
            .expect("CAPA", "-ERR\r\n")
            .expect("USER u", "+OK\r\n")
            .expect("PASS wrong", "-ERR [AUTH] Authentication failed.\r\n")
            .expect("QUIT", "+OK\r\n");
        const quint16 port = script.begin();
        const int handle = m_mail->NMailPop3Connect(server(port));
        QVERIFY(m_mail->NMailPop3Authenticate(handle, "u", "p", -1) < 0);
        QCOMPARE(lastMessage(*m_mail),
                 server(port) + ToAnsi(u" は APOP に対応していません（挨拶にタイムスタンプがありません）。"));
        QVERIFY(m_mail->NMailPop3Authenticate(handle, "u", "p\r\nDELE 1", 0) < 0);
        QCOMPARE(lastMessage(*m_mail), ToAnsi(u"アカウント名かパスワードに改行が含まれています。"));
        QVERIFY(m_mail->NMailPop3Authenticate(handle, "u", "wrong", 0) < 0);
        QCOMPARE(
            FromAnsi(lastMessage(*m_mail)),
            u"サーバー "_qs + QString::fromLatin1(server(port)) +
                u" にログインを断られました。\nサーバーからの返事: -ERR [AUTH] Authentication failed."_qs);
        // The capacity given is respected, NUL included.
        std::vector<char> small(8192, 'x');
        int capacity = 5;
        QCOMPARE(m_mail->NMailGetMessage(0, small, &capacity), 4);
        QCOMPARE(QByteArray(small.data()), ToAnsi(u"サー"));
        QCOMPARE(m_mail->NMailPop3Close(handle), 0);
        QVERIFY(script.finish());
        QVERIFY2(script.failure().isEmpty(), qPrintable(script.failure()));
    }

    // The server's refusal reaches the user in the user's code page whether
    // the server wrote it in CP932 or UTF-8; what CP932 lacks becomes "?".
    void serverWordsReachTheUser_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("text");
        const QString refusal = QStringLiteral("-ERR パスワードが違います");
        QTest::newRow("Shift_JIS") << ToAnsi(refusal) << refusal;
        QTest::newRow("UTF-8") << refusal.toUtf8() << refusal;
        QTest::newRow("UTF-8 beyond CP932") << QStringLiteral("-ERR ❌ パスワードが違います").toUtf8()
                                            << QStringLiteral("-ERR ? パスワードが違います");
    }
    void serverWordsReachTheUser()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, text);
        ScriptServer script;
        script.send("+OK ready\r\n")
            .expect("CAPA", "-ERR\r\n")
            .expect("USER u", "+OK\r\n")
            .expect("PASS p", reply + "\r\n")
            .expect("QUIT", "+OK\r\n");
        const int handle = m_mail->NMailPop3Connect(server(script.begin()));
        QVERIFY(m_mail->NMailPop3Authenticate(handle, "u", "p", 0) < 0);
        QCOMPARE(FromAnsi(lastMessage(*m_mail)).section(u"サーバーからの返事: "_qs, 1), text);
        QCOMPARE(m_mail->NMailPop3Close(handle), 0);
        QVERIFY(script.finish());
        QVERIFY2(script.failure().isEmpty(), qPrintable(script.failure()));
    }

    void stlsUpgradesBeforeTheLogin()
    {
        ScriptServer script;
        script.setTls(m_certificate.certificate, m_certificate.key, false);
        script.send("+OK ready\r\n").expect("CAPA", "+OK\r\nSTLS\r\nUSER\r\n.\r\n").expectStartTls();
        script.expect("CAPA", "+OK\r\nUSER\r\n.\r\n").expect("USER u", "+OK\r\n").expect("PASS p", "+OK\r\n");
        script.serve({kMessage3});
        m_mail->addCaCertificates({m_certificate.certificate});
        const int handle = m_mail->NMailPop3Connect(server(script.begin()));
        QVERIFY2(handle > 0, lastMessage(*m_mail).constData());
        QCOMPARE(m_mail->NMailPop3Authenticate(handle, "u", "p", 0), 1);
        QCOMPARE(m_mail->NMailPop3GetMailSize(handle, 1), int(kMessage3.size()));
        m_mail->NMailPop3Close(handle);
        QVERIFY(script.finish());
        QCOMPARE(script.transcript(),
                 (Transcript{"CAPA", "STLS", "CAPA", "USER u", "PASS p", "STAT", "LIST 1", "QUIT"}));
    }

    void implicitTlsFromTheFirstByte()
    {
        ScriptServer script;
        script.setTls(m_certificate.certificate, m_certificate.key, true);
        greetAndLogIn(script, "+OK\r\nUSER\r\n.\r\n");
        script.serve({});
        m_mail->addCaCertificates({m_certificate.certificate});
        const int handle = m_mail->NMailPop3Connect("pop3s://" + server(script.begin()));
        QVERIFY2(handle > 0, lastMessage(*m_mail).constData());
        QCOMPARE(m_mail->NMailPop3Authenticate(handle, "u", "p", 0), 0);
        m_mail->NMailPop3Close(handle);
        QVERIFY(script.finish());
        QVERIFY2(script.failure().isEmpty(), qPrintable(script.failure()));
    }

    // Without the test CA the certificate is refused: the connection fails and
    // neither the account nor the password ever leaves in clear.
    void untrustedCertificateEndsTheConnection()
    {
        ScriptServer script;
        script.setTls(m_certificate.certificate, m_certificate.key, false);
        script.send("+OK ready\r\n").expect("CAPA", "+OK\r\nSTLS\r\n.\r\n").expectStartTls();
        const quint16 port = script.begin();
        QCOMPARE(m_mail->NMailPop3Connect(server(port)), -1);
        QVERIFY(script.finish());
        QCOMPARE(script.transcript(), (Transcript{"CAPA", "STLS", "<TLS handshake failed>"}));
        QCOMPARE(
            FromAnsi(lastMessage(*m_mail)),
            QString::fromLatin1(server(port)) +
                u" のサーバー証明書を確認できませんでした（自己署名の証明書で、信頼できる発行元がありません）。"_qs);
    }

    // Pinned certificates are checked first; when they do not vouch for the
    // server, the trusted store does (the default configuration's CAs stand
    // in for the system's here). A certificate neither vouches for is refused.
    void pinnedCertificatesThenTheTrustedStore_data()
    {
        QTest::addColumn<bool>("storeTrustsServer");
        QTest::newRow("store vouches") << true;
        QTest::newRow("neither vouches") << false;
    }
    void pinnedCertificatesThenTheTrustedStore()
    {
        QFETCH(bool, storeTrustsServer);
        QTemporaryDir otherFolder;
        const TestCertificate other = MakeTestCertificate(otherFolder.path());
        QVERIFY(other.valid());
        const QSslConfiguration original = QSslConfiguration::defaultConfiguration();
        const auto restore = qScopeGuard([&] { QSslConfiguration::setDefaultConfiguration(original); });
        if (storeTrustsServer) {
            QSslConfiguration store = original;
            store.setCaCertificates({m_certificate.certificate});
            QSslConfiguration::setDefaultConfiguration(store);
        }
        ScriptServer script;
        script.setTls(m_certificate.certificate, m_certificate.key, true);
        if (storeTrustsServer) {
            greetAndLogIn(script, "+OK\r\nUSER\r\n.\r\n");
            script.serve({});
        }
        m_mail->addCaCertificates({other.certificate});
        const quint16 port = script.begin();
        const int handle = m_mail->NMailPop3Connect("pop3s://" + server(port));
        if (storeTrustsServer) {
            QVERIFY2(handle > 0, lastMessage(*m_mail).constData());
            QCOMPARE(m_mail->NMailPop3Authenticate(handle, "u", "p", 0), 0);
            m_mail->NMailPop3Close(handle);
        } else {
            QCOMPARE(handle, -1);
            QCOMPARE(
                FromAnsi(lastMessage(*m_mail)),
                QString::fromLatin1(server(port)) +
                    u" のサーバー証明書を確認できませんでした（自己署名の証明書で、信頼できる発行元がありません）。"_qs);
        }
        QVERIFY(script.finish());
        QVERIFY2(script.failure().isEmpty(), qPrintable(script.failure()));
    }

    // A server that answers in clear where TLS was asked for.
    void plainServerOnATlsAddress()
    {
        ScriptServer script;
        script.send("+OK ready\r\n").silence();
        const quint16 port = script.begin();
        QCOMPARE(m_mail->NMailPop3Connect("pop3s://" + server(port)), -1);
        QCOMPARE(
            FromAnsi(lastMessage(*m_mail)),
            QString::fromLatin1(server(port)) +
                u" との暗号化通信を確立できませんでした（サーバーが暗号化通信（TLS）で応答しませんでした）。"_qs);
        QVERIFY(script.finish());
    }

    void dotStuffingSplitAcrossReads()
    {
        ScriptServer script;
        greetAndLogIn(script);
        script.expect("STAT", "+OK 1 20\r\n").expect("RETR 1", "");
        script.sendInParts({"+OK\r\nA\r\n.", ".x\r\n", "\r\n.", ".\r", "\n.", "\r", "\n"});
        script.expect("QUIT", "+OK\r\n");
        const int handle = m_mail->NMailPop3Connect(server(script.begin()));
        QCOMPARE(m_mail->NMailPop3Authenticate(handle, "u", "p", 0), 1);
        Buffers buffers;
        std::vector<char> body(64, ' ');
        QCOMPARE(m_mail->NMailPop3GetMail(handle, 1, buffers.subject, buffers.from, buffers.date, buffers.id,
                                          body, 0, 0),
                 0);
        QCOMPARE(QByteArray(body.data()), QByteArray("A\r\n.x\r\n\r\n.\r\n"));
        m_mail->NMailPop3Close(handle);
        QVERIFY(script.finish());
        QVERIFY2(script.failure().isEmpty(), qPrintable(script.failure()));
    }

    // Small messages go ahead whole and their headers answer the status; a
    // large one is asked for with TOP and RETR when its turn comes, and holds
    // back the messages after it until then.
    void pipeliningSendsAheadInTheCheckOrder()
    {
        QByteArray large = "Subject: large\r\n\r\n";
        for (int i = 0; i < 1100; ++i)
            large += QByteArray(1000, 'x') + "\r\n";
        ScriptServer script;
        greetAndLogIn(script, "+OK\r\nPIPELINING\r\nTOP\r\n.\r\n");
        script.serve({kMessage1, large, kMessage3});
        const int handle = m_mail->NMailPop3Connect(server(script.begin()));
        QCOMPARE(m_mail->NMailPop3Authenticate(handle, "u", "p", 0), 3);
        Buffers buffers;
        QCOMPARE(fetchAll(*m_mail, handle, 3, buffers), (QList<QByteArray>{kMessage1, large, kMessage3}));
        QCOMPARE(text(buffers.subject), QByteArray("third"));
        m_mail->NMailPop3Close(handle);
        QVERIFY(script.finish());
        QCOMPARE(script.transcript(),
                 (Transcript{"CAPA", "USER u", "PASS p", "STAT", "LIST 1", "LIST 2", "LIST 3", "RETR 1",
                             "TOP 2 0", "RETR 2", "RETR 3", "QUIT"}));
    }

    // A caller that leaves the usual order still gets each message's own
    // answer, even with replies to commands sent ahead still on their way.
    void pipelinedRepliesNeverGoToTheWrongCall()
    {
        ScriptServer script;
        greetAndLogIn(script, "+OK\r\nPIPELINING\r\n.\r\n");
        script.serve({kMessage1, kMessage2, kMessage3});
        const quint16 port = script.begin();
        const int handle = m_mail->NMailPop3Connect(server(port));
        QCOMPARE(m_mail->NMailPop3Authenticate(handle, "u", "p", 0), 3);
        Buffers buffers;
        QCOMPARE(m_mail->NMailPop3GetMailStatus(handle, 1, buffers.subject, buffers.from, buffers.date,
                                                buffers.id, 0),
                 0);
        QCOMPARE(m_mail->NMailPop3GetMailSize(handle, 1), int(kMessage1.size()));
        std::vector<char> body(256, ' ');
        QCOMPARE(m_mail->NMailPop3GetMail(handle, 3, buffers.subject, buffers.from, buffers.date, buffers.id,
                                          body, 0, 0),
                 0);
        QCOMPARE(QByteArray(body.data()), kMessage3);
        QCOMPARE(text(buffers.subject), QByteArray("third"));
        QCOMPARE(m_mail->NMailPop3GetMailStatus(handle, 2, buffers.subject, buffers.from, buffers.date,
                                                buffers.id, 0),
                 0);
        QCOMPARE(text(buffers.subject), QByteArray("plain folded"));
        QCOMPARE(m_mail->NMailPop3GetMailSize(handle, 3), int(kMessage3.size()));
        QCOMPARE(m_mail->NMailPop3GetMailSize(handle, 2), int(kMessage2.size()));
        QCOMPARE(m_mail->NMailPop3GetMail(handle, 1, buffers.subject, buffers.from, buffers.date, buffers.id,
                                          body, 0, 0),
                 0);
        QCOMPARE(QByteArray(body.data()), kMessage1);
        QCOMPARE(m_mail->NMailPop3GetMailSize(handle, 4), -1);
        QCOMPARE(lastMessage(*m_mail), server(port) + ToAnsi(u" に 4 番のメールはありません。"));
        QCOMPARE(m_mail->NMailPop3GetMailSize(handle + 1, 1), -1);
        m_mail->NMailPop3Close(handle);
        QCOMPARE(m_mail->NMailPop3Close(handle), -1);
        QVERIFY(script.finish());
        QVERIFY2(script.failure().isEmpty(), qPrintable(script.failure()));
    }

    // Each failing server ends the call within the test's short deadline with
    // a text that says what happened; what a server sent never sizes memory.
    void brokenServers_data()
    {
        QTest::addColumn<ScriptSetup>("setup");
        QTest::addColumn<int>("failingStep"); // 0 connect, 1 login, 2 size, 3 message
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("no greeting") << ScriptSetup([](ScriptServer& s) { s.silence(); }) << 0
                                     << ToAnsi(u" から 0.3 秒以内に応答がありませんでした。");
        QTest::newRow("endless line")
            << ScriptSetup([](ScriptServer& s) { s.send("+OK ").flood(QByteArray(4096, 'x'), 64 << 20); })
            << 0 << ToAnsi(u" から 65536 バイトを超える長さの行が届きました。");
        QTest::newRow("NUL byte") << ScriptSetup([](ScriptServer& s) {
            s.send(QByteArray("+OK a\0b\r\n", 9));
        }) << 0 << ToAnsi(u" から POP3 では使えない NUL 文字が届きました。");
        QTest::newRow("not POP3") << ScriptSetup([](ScriptServer& s) {
            s.send("220 smtp.example.jp ESMTP\r\n");
        }) << 0 << ToAnsi(u" から POP3 の応答ではないデータが届きました。");
        QTest::newRow("STLS offered, then refused") << ScriptSetup([](ScriptServer& s) {
            s.send("+OK\r\n").expect("CAPA", "+OK\r\nSTLS\r\nUSER\r\n.\r\n").expect("STLS", "-ERR no\r\n");
        }) << 0 << ToAnsi(u" に暗号化（STLS）を断られました: -ERR no");
        QTest::newRow("reply smuggled in before TLS") << ScriptSetup([](ScriptServer& s) {
            s.send("+OK\r\n").expect("CAPA", "+OK\r\nSTLS\r\n.\r\n").expect("STLS", "+OK\r\n+OK 1 1\r\n");
        }) << 0 << ToAnsi(u" から暗号化の開始前にデータが届きました。");
        QTest::newRow("unasked reply after PASS")
            << ScriptSetup([](ScriptServer& s) {
                   s.send("+OK\r\n")
                       .expect("CAPA", "-ERR\r\n")
                       .expect("USER u", "+OK\r\n")
                       .expect("PASS p", "+OK\r\n+OK 7 700\r\n");
               })
            << 1
            << ToAnsi(u" から、まだ送っていないコマンドへの応答が届きました（POP3 の手順に反しています）。");
        QTest::newRow("disconnect mid-login") << ScriptSetup([](ScriptServer& s) {
            s.send("+OK\r\n")
                .expect("CAPA", "-ERR\r\n")
                .expect("USER u", "+OK\r\n")
                .expect("PASS p", "")
                .hangUp();
        }) << 1 << ToAnsi(u" との接続が切れました。");
        QTest::newRow("huge count") << ScriptSetup([](ScriptServer& s) {
            greetAndLogIn(s);
            s.expect("STAT", "+OK 1000001 1\r\n").expect("QUIT", "+OK\r\n");
        }) << 1 << ToAnsi(u" から届いたメールの件数が正しくありません（上限は 1000000 通）。");
        QTest::newRow("huge size") << ScriptSetup([](ScriptServer& s) {
            greetAndLogIn(s);
            s.expect("STAT", "+OK 1 1\r\n").expect("LIST 1", "+OK 1 268435457\r\n").expect("QUIT", "+OK\r\n");
        }) << 2 << ToAnsi(u" の 1 番のメールは 268435456 バイトを超えています。");
        QTest::newRow("half a message, then silence") << ScriptSetup([](ScriptServer& s) {
            greetAndLogIn(s);
            s.expect("STAT", "+OK 1 100\r\n").expect("LIST 1", "+OK 1 100\r\n");
            s.expect("RETR 1", "+OK\r\nSubject: half\r\nand a line without its end").silence();
        }) << 3 << ToAnsi(u" から 0.3 秒以内に応答がありませんでした。");
    }
    void brokenServers()
    {
        QFETCH(ScriptSetup, setup);
        QFETCH(int, failingStep);
        QFETCH(QByteArray, text);
        ScriptServer script;
        setup(script);
        const quint16 port = script.begin();
        const int handle = m_mail->NMailPop3Connect(server(port));
        Buffers buffers;
        std::vector<char> body(101, ' ');
        const int results[] = {
            handle,
            failingStep >= 1 ? m_mail->NMailPop3Authenticate(handle, "u", "p", 0) : 0,
            failingStep >= 2 ? m_mail->NMailPop3GetMailSize(handle, 1) : 0,
            failingStep >= 3 ? m_mail->NMailPop3GetMail(handle, 1, buffers.subject, buffers.from,
                                                        buffers.date, buffers.id, body, 0, 0)
                             : 0,
        };
        for (int step = 0; step < failingStep; ++step)
            QVERIFY2(results[step] >= 0, qPrintable(QStringLiteral("step %1 failed").arg(step)));
        QCOMPARE(results[failingStep], -1);
        QCOMPARE(lastMessage(*m_mail), server(port) + text);
        if (failingStep == 3)
            QCOMPARE(QByteArray(body.data()),
                     QByteArray()); // nothing half-written is passed off as a message
        if (failingStep >= 2) {
            // The message whose size was refused is not fetched; a dead
            // connection fails at once and sends nothing more.
            QCOMPARE(m_mail->NMailPop3GetMail(handle, 1, buffers.subject, buffers.from, buffers.date,
                                              buffers.id, body, 0, 0),
                     -1);
            QCOMPARE(lastMessage(*m_mail), server(port) + text);
        }
        if (handle > 0)
            QCOMPARE(m_mail->NMailPop3Close(handle), 0);
        QVERIFY(script.finish());
        QVERIFY2(script.failure().isEmpty(), qPrintable(script.failure()));
        QVERIFY(script.bytesWritten() < (64 << 20));
    }

    void refusedConnection()
    {
        quint16 port = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            port = probe.serverPort();
        }
        QCOMPARE(m_mail->NMailPop3Connect(server(port)), -1);
        QCOMPARE(lastMessage(*m_mail),
                 server(port) + ToAnsi(u" に接続できませんでした（接続を拒否されました）。"));
        QCOMPARE(m_mail->NMailPop3Connect("imap://127.0.0.1"), -1);
        QCOMPARE(lastMessage(*m_mail),
                 ToAnsi(u"「imap://127.0.0.1」は POP3 サーバーのアドレスではありません。"));
        QCOMPARE(m_mail->NMailPop3Authenticate(12345, "u", "p", 0), -1);
        QCOMPARE(lastMessage(*m_mail), ToAnsi(u"接続番号 12345 の接続はありません。"));
    }
};

QTEST_GUILESS_MAIN(Pop3SessionTest)
#include "pop3_session_test.moc"
