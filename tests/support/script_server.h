#pragma once

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QSemaphore>
#include <QSslCertificate>
#include <QSslKey>
#include <QStringList>
#include <QThread>
#include <atomic>
#include <functional>
#include <vector>

class QSslSocket;

// A POP3 server on 127.0.0.1 that plays a script for one client, or for
// every client that comes (everyClient()). It runs in its own thread,
// because the client under test blocks its thread in waitFor* calls. Every
// line a client sends is recorded, so a test can check the exact transcript.
class ScriptServer final : public QThread
{
public:
    // A message for serve(): its text with CR LF line ends, not dot-stuffed.
    using Mailbox = QList<QByteArray>;

    ScriptServer();
    ~ScriptServer() override;

    // Sends bytes as they are.
    ScriptServer& send(const QByteArray& bytes);
    // Sends the parts one write at a time, with a short pause between, so
    // that they tend to reach the client in separate reads.
    ScriptServer& sendInParts(const QList<QByteArray>& parts);
    // Sends the lines one at a time, each after a pause of `pauseMs`, like a
    // server that keeps every line just inside the client's per-line
    // deadline. Stops when the client goes.
    ScriptServer& drip(const QList<QByteArray>& lines, int pauseMs);
    // Reads one line, which must be `line`, and answers `reply`.
    ScriptServer& expect(const QByteArray& line, const QByteArray& reply);
    // Agrees to STLS and runs the server side of the handshake.
    ScriptServer& expectStartTls();
    // Answers STAT, LIST, TOP, RETR, UIDL, NOOP and QUIT from `mailbox`
    // until QUIT or until the client goes.
    ScriptServer& serve(const Mailbox& mailbox);
    // Answers STAT with `count` messages of which it has none, and every
    // message command with "-ERR" (after `pauseMs`), until QUIT or
    // `patience` commands, then hangs up.
    ScriptServer& claimMessages(int count, int patience, int pauseMs = 0);
    // Answers CAPA, and USER/PASS or APOP (against kTimestamp) until the
    // client has logged in as `user` with `password`; a wrong login gets
    // "-ERR [AUTH] Authentication failed." and another try.
    ScriptServer& login(const QByteArray& user, const QByteArray& password);
    // The APOP timestamp for a greeting that offers APOP.
    static constexpr const char* kTimestamp = "<1234.5678@script>";
    // Plays the script for every client that comes, one after another,
    // until the server is destroyed, instead of for the first one only.
    ScriptServer& everyClient();
    // Writes `total` bytes of `pattern` repeated, as long as the client takes them.
    ScriptServer& flood(const QByteArray& pattern, qint64 total);
    // Says nothing more; records what comes until the client goes.
    ScriptServer& silence();
    // Closes the connection.
    ScriptServer& hangUp();

    // TLS identity; with `implicit` the handshake comes first.
    void setTls(const QSslCertificate& certificate, const QSslKey& key, bool implicit);

    // Listens and starts playing in the server thread; returns the port.
    quint16 begin();
    // Waits for the script to end (the client gone or the last step done).
    bool finish(int milliseconds = 10000);

    QList<QByteArray> transcript() const;
    // Clients that came so far.
    int connections() const;
    // The first thing that went against the script, or empty.
    QString failure() const { return m_failure; }
    // Bytes the server managed to write (for floods).
    qint64 bytesWritten() const { return m_bytesWritten; }

protected:
    void run() override;

private:
    using Step = std::function<bool(QSslSocket&)>;
    bool readLine(QSslSocket& socket, QByteArray& line, int milliseconds);
    bool write(QSslSocket& socket, const QByteArray& bytes);
    // Waits `milliseconds`; false when the client went meanwhile.
    bool pause(QSslSocket& socket, int milliseconds);
    bool handshake(QSslSocket& socket);
    bool serveCommand(QSslSocket& socket, const Mailbox& mailbox, const QByteArray& line);
    void waitForGoodbye(QSslSocket& socket);
    void playFor(qintptr descriptor);

    std::vector<Step> m_steps;
    QSslCertificate m_certificate;
    QSslKey m_key;
    bool m_implicitTls = false;
    QSemaphore m_listening;
    quint16 m_port = 0;
    QByteArray m_pending;
    QList<QByteArray> m_transcript;
    int m_connections = 0;
    bool m_everyClient = false;
    mutable QMutex m_record; // the transcript and the count, read by the test while clients come
    QString m_failure;
    qint64 m_bytesWritten = 0;
    std::atomic<bool> m_stopping = false;
};

// A short message with the usual header fields, CR LF line ends.
QByteArray TestMessage(const QByteArray& subject, int bodyLines = 3);

// Plays for every client: a greeting with an APOP timestamp, a login as
// `user` with `password`, then `mailbox`. Returns the "127.0.0.1:port".
QString ServeMailbox(ScriptServer& server, const ScriptServer::Mailbox& mailbox,
                     const QByteArray& user = "user", const QByteArray& password = "secret");

// A certificate for 127.0.0.1 and localhost made with openssl for the test.
struct TestCertificate
{
    QSslCertificate certificate;
    QSslKey key;
    bool valid() const { return !certificate.isNull() && !key.isNull(); }
};
// `names` is its subjectAltName.
TestCertificate MakeTestCertificate(const QString& folder,
                                    const QString& names = QStringLiteral("DNS:localhost,IP:127.0.0.1"));
