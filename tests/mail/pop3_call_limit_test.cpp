// The mail library's overall limits, against scripted servers that drip
// their replies: a call ends near its limit however slowly the lines come, a
// connection ends near its own however its calls keep inside theirs, a name
// lookup keeps its deadline, and an honest slow transfer within its
// allowance still arrives.
#include "base/ansi.h"
#include "mail/nmail.h"
#include "mail/pop3_test_support.h"
#include "support/script_server.h"

#include <QElapsedTimer>
#include <QHostInfo>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>

class Pop3CallLimitTest final : public QObject
{
    Q_OBJECT

    std::unique_ptr<NMail> m_mail;

    void useShortCallLimits()
    {
        m_mail->setReplyTimeout(kLineMs);
        m_mail->setCallLimit(kCallMs);
        m_mail->setTransferAllowance(1000);
        m_mail->setMaxCallLimit(2500);
    }

private slots:
    void init()
    {
        m_mail = std::make_unique<NMail>();
        m_mail->setConnectTimeout(5000);
        m_mail->setReplyTimeout(kReplyTimeoutMs);
    }

    // A server that keeps every line inside the per-line deadline but drips
    // its reply cannot hold a call past the call's overall limit (400 ms;
    // a retrieval adds its listed size at 1000 bytes a second, up to 2.5 s):
    // the call fails near it, and every later call on the handle at once.
    void overallLimitEndsADrippingCall_data()
    {
        QTest::addColumn<ScriptSetup>("setup");
        QTest::addColumn<int>("failingStep"); // 0 connect, 1 login, 2 status, 3 size, 4 message
        QTest::addColumn<int>("limitMs");
        QTest::addColumn<QString>("seconds"); // the limit as the text shows it
        const QList<QByteArray> lines = numberedLines("X-Line: ", 30);
        QTest::newRow("capability list") << ScriptSetup([](ScriptServer& s) {
            s.send("+OK\r\n").expect("CAPA", "+OK\r\n").drip(numberedLines("X-CAPA-", 30), kDripMs);
        }) << 0 << kCallMs << "0.4";
        QTest::newRow("login replies") << ScriptSetup([](ScriptServer& s) {
            s.send("+OK\r\n").expect("CAPA", "-ERR\r\n");
            s.expect("USER u", "").drip({"+OK\r\n"}, 250).expect("PASS p", "").drip({"+OK\r\n"}, 250);
            s.expect("STAT", "").drip({"+OK 1 600\r\n"}, 250);
        }) << 1 << kCallMs << "0.4";
        for (const QByteArray listed : {"600", "100000000"}) {
            QTest::addRow("message of %s bytes", listed.constData()) << ScriptSetup([=](ScriptServer& s) {
                greetAndLogIn(s);
                s.expect("STAT", "+OK 1 " + listed + "\r\n").expect("TOP 1 0", "+OK\r\n.\r\n");
                s.expect("LIST 1", "+OK 1 " + listed + "\r\n")
                    .expect("RETR 1", "+OK\r\n")
                    .drip(lines, kDripMs);
            }) << 4 << (listed == "600" ? 1000 : 2500) << (listed == "600" ? "1" : "2.5");
        }
        // Sizes asked for ahead come first and count against the status
        // that has to read past them.
        QTest::newRow("sizes read ahead") << ScriptSetup([](ScriptServer& s) {
            greetAndLogIn(s, "+OK\r\nPIPELINING\r\n.\r\n");
            s.expect("STAT", "+OK 20 2000\r\n");
            QList<QByteArray> replies;
            for (int n = 1; n <= 16; ++n) {
                s.expect("LIST " + QByteArray::number(n), "");
                replies.append("+OK " + QByteArray::number(n) + " 100\r\n");
            }
            s.drip(replies, kDripMs);
        }) << 2 << kCallMs << "0.4";
        // A status that reads its message whole ahead has the message's limit.
        QTest::newRow("message read ahead") << ScriptSetup([=](ScriptServer& s) {
            greetAndLogIn(s, "+OK\r\nPIPELINING\r\n.\r\n");
            s.expect("STAT", "+OK 1 600\r\n").expect("LIST 1", "+OK 1 600\r\n");
            s.expect("RETR 1", "+OK\r\n").drip(lines, kDripMs);
        }) << 2 << 1000 << "1";
    }
    void overallLimitEndsADrippingCall()
    {
        QFETCH(ScriptSetup, setup);
        QFETCH(int, failingStep);
        QFETCH(int, limitMs);
        QFETCH(QString, seconds);
        useShortCallLimits();
        ScriptServer script;
        setup(script);
        const quint16 port = script.begin();
        Buffers b;
        std::vector<char> body(4096, ' ');
        QElapsedTimer timer;
        timer.start();
        const int handle = m_mail->NMailPop3Connect(server(port));
        const int results[] = {
            handle,
            failingStep >= 1 ? m_mail->NMailPop3Authenticate(handle, "u", "p", 0) : 0,
            failingStep >= 2 ? m_mail->NMailPop3GetMailStatus(handle, 1, b.subject, b.from, b.date, b.id, 0)
                             : 0,
            failingStep >= 3 ? m_mail->NMailPop3GetMailSize(handle, 1) : 0,
            failingStep >= 4
                ? m_mail->NMailPop3GetMail(handle, 1, b.subject, b.from, b.date, b.id, body, 0, 0)
                : 0,
        };
        const qint64 took = timer.elapsed();
        for (int step = 0; step < failingStep; ++step)
            QVERIFY2(results[step] >= 0, qPrintable(QStringLiteral("step %1 failed").arg(step)));
        QCOMPARE(results[failingStep], -1);
        const QByteArray text = ToAnsi(QStringLiteral("%1 からの応答が %2 秒以内に終わりませんでした。")
                                           .arg(QString::fromLatin1(server(port)), seconds));
        QCOMPARE(lastMessage(*m_mail), text);
        QVERIFY2(took < limitMs + kSlackMs, qPrintable(QStringLiteral("took %1 ms").arg(took)));
        if (handle > 0) {
            timer.start();
            QCOMPARE(m_mail->NMailPop3Authenticate(handle, "u", "p", 0), -1);
            QCOMPARE(m_mail->NMailPop3GetMail(handle, 1, b.subject, b.from, b.date, b.id, body, 0, 0), -1);
            QCOMPARE(lastMessage(*m_mail), text);
            QCOMPARE(m_mail->NMailPop3Close(handle), 0);
            QVERIFY2(timer.elapsed() < kLineMs / 2, "a call on the closed connection waited");
        }
        QVERIFY(script.finish());
        QVERIFY2(script.failure().isEmpty(), qPrintable(script.failure()));
    }

    // A slow but honest server is not cut short: a message sent at about
    // twice the allowance takes longer than the base limit and passes,
    // whether the retrieval reads it or the status reads it ahead.
    void slowMessageWithinItsLimitArrives_data()
    {
        QTest::addColumn<bool>("pipelining");
        QTest::newRow("one command at a time") << false;
        QTest::newRow("read ahead by the status") << true;
    }
    void slowMessageWithinItsLimitArrives()
    {
        QFETCH(bool, pipelining);
        useShortCallLimits();
        QList<QByteArray> lines{"Subject: slow\r\n", "\r\n"};
        for (char c = 'a'; c < 'k'; ++c)
            lines.append(QByteArray(198, c) + "\r\n");
        const QByteArray message = lines.join();
        const QByteArray size = QByteArray::number(message.size());
        ScriptServer script;
        greetAndLogIn(script, pipelining ? "+OK\r\nPIPELINING\r\n.\r\n" : "-ERR\r\n");
        script.expect("STAT", "+OK 1 " + size + "\r\n");
        if (!pipelining)
            script.expect("TOP 1 0", "+OK\r\n.\r\n");
        script.expect("LIST 1", "+OK 1 " + size + "\r\n").expect("RETR 1", "+OK\r\n");
        script.drip(lines + QList<QByteArray>{".\r\n"}, 80).expect("QUIT", "+OK\r\n");
        // The connection's own limit is shorter than the transfer, which
        // passes because every byte that comes earns it time.
        m_mail->setSessionLimit(kCallMs);
        const int handle = m_mail->NMailPop3Connect(server(script.begin()));
        QCOMPARE(m_mail->NMailPop3Authenticate(handle, "u", "p", 0), 1);
        Buffers buffers;
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(fetchAll(*m_mail, handle, 1, buffers), QList<QByteArray>{message});
        QVERIFY2(timer.elapsed() > kCallMs, "the message came faster than the test means it to");
        QCOMPARE(m_mail->NMailPop3Close(handle), 0);
        QVERIFY(script.finish());
        QVERIFY2(script.failure().isEmpty(), qPrintable(script.failure()));
    }

    // Calls that each keep inside their own limits (five slow headers; one
    // message listed at 10 MB, which its size would give the cap, dripped)
    // cannot hold the connection past its limit of 600 ms and what the
    // server sent: the call that passes it fails, and later ones at once.
    void sessionLimitEndsASlowServer_data()
    {
        QTest::addColumn<ScriptSetup>("setup");
        QTest::addColumn<int>("count");
        QTest::newRow("slow headers") << ScriptSetup([](ScriptServer& s) {
            greetAndLogIn(s);
            s.expect("STAT", "+OK 5 500\r\n");
            for (const QByteArray n : {"1", "2", "3", "4", "5"}) {
                s.expect("TOP " + n + " 0", "").drip({"+OK\r\n", "Subject: x\r\n", ".\r\n"}, 100);
                s.expect("LIST " + n, "+OK " + n + " 100\r\n")
                    .expect("RETR " + n, "+OK\r\n\r\nbody\r\n.\r\n");
            }
        }) << 5;
        QTest::newRow("slow message") << ScriptSetup([](ScriptServer& s) {
            greetAndLogIn(s);
            s.expect("STAT", "+OK 1 10000000\r\n").expect("TOP 1 0", "+OK\r\n.\r\n");
            s.expect("LIST 1", "+OK 1 10000000\r\n").expect("RETR 1", "+OK\r\n");
            s.drip(numberedLines("X-Line: ", 30), kDripMs);
        }) << 1;
    }
    void sessionLimitEndsASlowServer()
    {
        QFETCH(ScriptSetup, setup);
        QFETCH(int, count);
        useShortCallLimits();
        m_mail->setSessionLimit(600);
        ScriptServer script;
        setup(script);
        const quint16 port = script.begin();
        const int handle = m_mail->NMailPop3Connect(server(port));
        QCOMPARE(m_mail->NMailPop3Authenticate(handle, "u", "p", 0), count);
        Buffers b;
        QVERIFY2(fetchAll(*m_mail, handle, count, b).last().isEmpty(), "every message came");
        const QString text = FromAnsi(lastMessage(*m_mail));
        QVERIFY2(text.startsWith(QString::fromLatin1(server(port)) + QStringLiteral(" とのやりとりが ")),
                 qPrintable(text));
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(m_mail->NMailPop3GetMailSize(handle, 1), -1);
        QCOMPARE(m_mail->NMailPop3Close(handle), 0);
        QVERIFY2(timer.elapsed() < kLineMs / 2, "a call on the ended connection waited");
        QVERIFY(script.finish());
    }

    // A name lookup that never answers ends at its own deadline, inside the
    // connect timeout, and the text says it was the lookup.
    void silentNameLookupEndsAtItsDeadline()
    {
        m_mail->setLookupTimeout(300);
        const auto answer = std::make_shared<QSemaphore>();
        m_mail->setHostResolver([answer](const QString& name) {
            answer->tryAcquire(1, 5000);
            return QHostInfo::fromName(name);
        });
        QCOMPARE(m_mail->NMailPop3Connect("pop.example.test"), -1);
        QCOMPARE(FromAnsi(lastMessage(*m_mail)),
                 QStringLiteral("サーバー名 pop.example.test の名前解決が 0.3 秒以内に終わりませんでした。"));
        answer->release(); // the abandoned lookup ends in its thread
    }

    // Through the system's resolver: the name's address is connected to,
    // and the certificate, which names only the host, is checked against
    // that name.
    void hostNameIsLookedUpAndVerified()
    {
        QTemporaryDir folder;
        const TestCertificate named = MakeTestCertificate(folder.path(), QStringLiteral("DNS:localhost"));
        QVERIFY(named.valid());
        ScriptServer script;
        script.setTls(named.certificate, named.key, true);
        script.send("+OK ready\r\n").expect("CAPA", "-ERR\r\n").expect("QUIT", "+OK\r\n");
        const quint16 port = script.begin();
        m_mail->addCaCertificates({named.certificate});
        const int handle = m_mail->NMailPop3Connect("pop3s://localhost:" + QByteArray::number(port));
        QVERIFY2(handle > 0, lastMessage(*m_mail).constData());
        QCOMPARE(m_mail->NMailPop3Close(handle), 0);
        QVERIFY(script.finish());
        QVERIFY2(script.failure().isEmpty(), qPrintable(script.failure()));
    }
};

QTEST_GUILESS_MAIN(Pop3CallLimitTest)
#include "pop3_call_limit_test.moc"
