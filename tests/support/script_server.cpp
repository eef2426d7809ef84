#include "support/script_server.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QSslSocket>
#include <QTcpServer>

namespace {
// The server's own patience; only a broken client ever makes it wait this long.
constexpr int kServerPatienceMs = 5000;
// Waits are cut into slices this long so the thread notices when told to stop.
constexpr int kPollMs = 50;

class DescriptorServer final : public QTcpServer
{
public:
    qintptr descriptor = -1;

protected:
    void incomingConnection(qintptr socketDescriptor) override { descriptor = socketDescriptor; }
};

QByteArray dotStuffed(const QByteArray& message, int bodyLines)
{
    QList<QByteArray> lines = message.split('\n');
    if (message.endsWith('\n'))
        lines.removeLast(); // the empty piece after the final line end
    QByteArray out;
    bool inBody = false;
    int bodyLeft = bodyLines;
    for (QByteArray line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (inBody && bodyLines >= 0 && bodyLeft-- <= 0)
            break;
        if (line.isEmpty())
            inBody = true;
        out += (line.startsWith('.') ? "." : "") + line + "\r\n";
    }
    return out + ".\r\n";
}
} // namespace

ScriptServer::ScriptServer() = default;

ScriptServer::~ScriptServer()
{
    // A test that failed half-way may leave the client connected: tell the
    // thread to stop waiting for it.
    m_stopping = true;
    wait();
}

ScriptServer& ScriptServer::send(const QByteArray& bytes)
{
    m_steps.push_back([this, bytes](QSslSocket& socket) { return write(socket, bytes); });
    return *this;
}

ScriptServer& ScriptServer::sendInParts(const QList<QByteArray>& parts)
{
    m_steps.push_back([this, parts](QSslSocket& socket) {
        for (const QByteArray& part : parts) {
            if (!write(socket, part))
                return false;
            QThread::msleep(20);
        }
        return true;
    });
    return *this;
}

ScriptServer& ScriptServer::drip(const QList<QByteArray>& lines, int pauseMs)
{
    m_steps.push_back([this, lines, pauseMs](QSslSocket& socket) {
        for (const QByteArray& line : lines) {
            if (!pause(socket, pauseMs) || !write(socket, line))
                return false;
        }
        return true;
    });
    return *this;
}

ScriptServer& ScriptServer::expect(const QByteArray& expected, const QByteArray& reply)
{
    m_steps.push_back([this, expected, reply](QSslSocket& socket) {
        QByteArray line;
        if (!readLine(socket, line, kServerPatienceMs)) {
            m_failure = QStringLiteral("client went away instead of sending \"%1\"")
                            .arg(QString::fromLatin1(expected));
            return false;
        }
        if (line != expected) {
            m_failure = QStringLiteral("expected \"%1\", got \"%2\"")
                            .arg(QString::fromLatin1(expected), QString::fromLatin1(line));
            return false;
        }
        return write(socket, reply);
    });
    return *this;
}

ScriptServer& ScriptServer::expectStartTls()
{
    expect("STLS", "+OK Begin TLS negotiation now.\r\n");
    m_steps.push_back([this](QSslSocket& socket) { return handshake(socket); });
    return *this;
}

ScriptServer& ScriptServer::serve(const Mailbox& mailbox)
{
    m_steps.push_back([this, mailbox](QSslSocket& socket) {
        QByteArray line;
        while (readLine(socket, line, kServerPatienceMs)) {
            if (!serveCommand(socket, mailbox, line))
                return false;
        }
        return false;
    });
    return *this;
}

ScriptServer& ScriptServer::claimMessages(int count, int patience, int pauseMs)
{
    m_steps.push_back([this, count, patience, pauseMs](QSslSocket& socket) {
        QByteArray line;
        for (int answered = 0; answered < patience && readLine(socket, line, kServerPatienceMs); ++answered) {
            if (line.toUpper() == "STAT")
                write(socket, "+OK " + QByteArray::number(count) + " 0\r\n");
            else if ((pauseMs > 0 && !pause(socket, pauseMs)) || !serveCommand(socket, {}, line))
                return false;
        }
        return false;
    });
    return *this;
}

ScriptServer& ScriptServer::flood(const QByteArray& pattern, qint64 total)
{
    m_steps.push_back([this, pattern, total](QSslSocket& socket) {
        while (m_bytesWritten < total && socket.state() == QAbstractSocket::ConnectedState && !m_stopping) {
            socket.write(pattern);
            m_bytesWritten += pattern.size();
            // Keep at most a little in the socket's own buffer, so the count
            // tells what the client actually let through.
            while (socket.bytesToWrite() > 0 && socket.state() == QAbstractSocket::ConnectedState &&
                   !m_stopping)
                socket.waitForBytesWritten(kPollMs);
        }
        return true;
    });
    return *this;
}

ScriptServer& ScriptServer::silence()
{
    m_steps.push_back([](QSslSocket&) { return true; });
    return *this;
}

ScriptServer& ScriptServer::hangUp()
{
    m_steps.push_back([](QSslSocket& socket) {
        socket.disconnectFromHost();
        if (socket.state() != QAbstractSocket::UnconnectedState)
            socket.waitForDisconnected(kServerPatienceMs);
        return false;
    });
    return *this;
}

void ScriptServer::setTls(const QSslCertificate& certificate, const QSslKey& key, bool implicit)
{
    m_certificate = certificate;
    m_key = key;
    m_implicitTls = implicit;
}

quint16 ScriptServer::begin()
{
    start();
    m_listening.acquire();
    return m_port;
}

bool ScriptServer::finish(int milliseconds)
{
    return wait(milliseconds);
}

ScriptServer& ScriptServer::login(const QByteArray& user, const QByteArray& password)
{
    m_steps.push_back([this, user, password](QSslSocket& socket) {
        QByteArray line;
        QByteArray userSeen;
        while (readLine(socket, line, kServerPatienceMs)) {
            const QList<QByteArray> words = line.split(' ');
            const QByteArray verb = words.first().toUpper();
            bool in = false;
            if (verb == "CAPA") {
                write(socket, "+OK\r\nTOP\r\nUSER\r\nUIDL\r\n.\r\n");
                continue;
            }
            if (verb == "USER") {
                userSeen = words.value(1);
                write(socket, "+OK\r\n");
                continue;
            }
            if (verb == "QUIT") {
                write(socket, "+OK\r\n");
                return false;
            }
            if (verb == "PASS") {
                in = userSeen == user && line.mid(5) == password;
            } else if (verb == "APOP") {
                const QByteArray digest =
                    QCryptographicHash::hash(kTimestamp + password, QCryptographicHash::Md5).toHex();
                in = words.value(1) == user && words.value(2) == digest;
            } else {
                write(socket, "-ERR Unknown command.\r\n");
                continue;
            }
            if (in)
                return write(socket, "+OK Logged in.\r\n");
            write(socket, "-ERR [AUTH] Authentication failed.\r\n");
        }
        return false;
    });
    return *this;
}

ScriptServer& ScriptServer::everyClient()
{
    m_everyClient = true;
    return *this;
}

QList<QByteArray> ScriptServer::transcript() const
{
    QMutexLocker lock(&m_record);
    return m_transcript;
}

int ScriptServer::connections() const
{
    QMutexLocker lock(&m_record);
    return m_connections;
}

void ScriptServer::run()
{
    DescriptorServer server;
    server.listen(QHostAddress::LocalHost, 0);
    m_port = server.serverPort();
    m_listening.release();
    do {
        server.descriptor = -1;
        const QDeadlineTimer patience(kServerPatienceMs);
        while (server.descriptor < 0 && !m_stopping && (m_everyClient || !patience.hasExpired()))
            server.waitForNewConnection(kPollMs);
        if (server.descriptor < 0) {
            if (!m_everyClient)
                m_failure = QStringLiteral("no client came");
            return;
        }
        {
            QMutexLocker lock(&m_record);
            ++m_connections;
        }
        playFor(server.descriptor);
    } while (m_everyClient && !m_stopping);
}

void ScriptServer::playFor(qintptr descriptor)
{
    m_pending.clear();
    QSslSocket socket;
    socket.setSocketDescriptor(descriptor);
    if (!m_certificate.isNull()) {
        socket.setLocalCertificate(m_certificate);
        socket.setPrivateKey(m_key);
        socket.setPeerVerifyMode(QSslSocket::VerifyNone);
    }
    if (m_implicitTls && !handshake(socket))
        return waitForGoodbye(socket);
    for (const Step& step : m_steps) {
        if (!step(socket))
            break;
    }
    waitForGoodbye(socket);
}

bool ScriptServer::handshake(QSslSocket& socket)
{
    socket.startServerEncryption();
    if (!socket.waitForEncrypted(kServerPatienceMs)) {
        QMutexLocker lock(&m_record);
        m_transcript.append("<TLS handshake failed>");
        return false;
    }
    return true;
}

void ScriptServer::waitForGoodbye(QSslSocket& socket)
{
    QByteArray line;
    while (socket.state() == QAbstractSocket::ConnectedState && readLine(socket, line, kServerPatienceMs)) {
        if (m_failure.isEmpty())
            m_failure = QStringLiteral("unexpected \"%1\" after the script").arg(QString::fromLatin1(line));
    }
}

bool ScriptServer::readLine(QSslSocket& socket, QByteArray& line, int milliseconds)
{
    const QDeadlineTimer deadline(milliseconds);
    for (;;) {
        const qsizetype lf = m_pending.indexOf('\n');
        if (lf >= 0) {
            line = m_pending.left(lf);
            if (line.endsWith('\r'))
                line.chop(1);
            m_pending.remove(0, lf + 1);
            QMutexLocker lock(&m_record);
            m_transcript.append(line);
            return true;
        }
        if (socket.bytesAvailable() > 0) {
            m_pending += socket.readAll();
            continue;
        }
        if (socket.state() != QAbstractSocket::ConnectedState || deadline.hasExpired() || m_stopping)
            return false;
        socket.waitForReadyRead(static_cast<int>(std::clamp<qint64>(deadline.remainingTime(), 1, kPollMs)));
    }
}

bool ScriptServer::write(QSslSocket& socket, const QByteArray& bytes)
{
    if (socket.state() != QAbstractSocket::ConnectedState)
        return false;
    socket.write(bytes);
    m_bytesWritten += bytes.size();
    const QDeadlineTimer deadline(kServerPatienceMs);
    while (socket.bytesToWrite() > 0 && socket.state() == QAbstractSocket::ConnectedState && !m_stopping &&
           !deadline.hasExpired())
        socket.waitForBytesWritten(kPollMs);
    return true;
}

bool ScriptServer::pause(QSslSocket& socket, int milliseconds)
{
    // Waiting on the socket rather than sleeping notices at once when the
    // client drops the connection; what it sends meanwhile stays buffered
    // for the steps after.
    const QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired()) {
        if (socket.state() != QAbstractSocket::ConnectedState || m_stopping)
            return false;
        socket.waitForReadyRead(static_cast<int>(std::clamp<qint64>(deadline.remainingTime(), 1, kPollMs)));
    }
    return socket.state() == QAbstractSocket::ConnectedState;
}

bool ScriptServer::serveCommand(QSslSocket& socket, const Mailbox& mailbox, const QByteArray& line)
{
    const QList<QByteArray> words = line.split(' ');
    const QByteArray verb = words.first().toUpper();
    const auto message = [&](int index) -> const QByteArray* {
        const int number = words.value(index).toInt();
        return number >= 1 && number <= mailbox.size() ? &mailbox[number - 1] : nullptr;
    };
    if (verb == "QUIT") {
        write(socket, "+OK Logging out.\r\n");
        socket.disconnectFromHost();
        return false;
    }
    if (verb == "STAT") {
        qint64 total = 0;
        for (const QByteArray& m : mailbox)
            total += m.size();
        return write(socket,
                     "+OK " + QByteArray::number(mailbox.size()) + ' ' + QByteArray::number(total) + "\r\n");
    }
    if (verb == "NOOP")
        return write(socket, "+OK\r\n");
    const QByteArray* m = message(1);
    if (!m)
        return write(socket, "-ERR There's no message " + words.value(1) + ".\r\n");
    if (verb == "LIST")
        return write(socket, "+OK " + words.value(1) + ' ' + QByteArray::number(m->size()) + "\r\n");
    if (verb == "RETR")
        return write(socket, "+OK " + QByteArray::number(m->size()) + " octets\r\n" + dotStuffed(*m, -1));
    if (verb == "TOP")
        return write(socket, "+OK\r\n" + dotStuffed(*m, words.value(2).toInt()));
    return write(socket, "-ERR Unknown command: " + verb + "\r\n");
}

QByteArray TestMessage(const QByteArray& subject, int bodyLines)
{
    QByteArray m = "From: a@example.org\r\nSubject: " + subject +
                   "\r\nDate: Tue, 8 Dec 2026 06:00:00 +0000\r\n"
                   "Message-ID: <" +
                   subject + "@example.org>\r\n\r\n";
    for (int i = 0; i < bodyLines; ++i)
        m += "line " + QByteArray::number(i) + "\r\n";
    return m;
}

QString ServeMailbox(ScriptServer& server, const ScriptServer::Mailbox& mailbox, const QByteArray& user,
                     const QByteArray& password)
{
    server.send(QByteArray("+OK ready ") + ScriptServer::kTimestamp + "\r\n")
        .login(user, password)
        .serve(mailbox)
        .everyClient();
    return QStringLiteral("127.0.0.1:%1").arg(server.begin());
}

TestCertificate MakeTestCertificate(const QString& folder, const TestCertificateOptions& options)
{
    TestCertificate result;
    result.keyPath = folder + QStringLiteral("/key.pem");
    result.certPath = folder + QStringLiteral("/cert.pem");
    const QStringList curve{QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1")};
    const QString subject = QStringLiteral("/CN=localhost") +
                            (options.organization.isEmpty() ? QString() : "/O=" + options.organization);
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  QStringList{QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                              options.keyType} +
                      (options.keyType == QStringLiteral("ec") ? curve : QStringList()) +
                      QStringList{QStringLiteral("-nodes"), QStringLiteral("-keyout"), result.keyPath,
                                  QStringLiteral("-out"), result.certPath, QStringLiteral("-days"),
                                  QStringLiteral("2"), QStringLiteral("-utf8"), QStringLiteral("-subj"),
                                  subject, QStringLiteral("-addext"),
                                  QStringLiteral("subjectAltName=") + options.names});
    if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0)
        return result; // without a certificate: not valid()
    const QList<QSslCertificate> certificates = QSslCertificate::fromPath(result.certPath);
    if (!certificates.isEmpty())
        result.certificate = certificates.first();
    QFile keyFile(result.keyPath);
    if (keyFile.open(QIODevice::ReadOnly))
        result.key = QSslKey(&keyFile, options.keyType == QStringLiteral("ec") ? QSsl::Ec : QSsl::Rsa);
    return result;
}
