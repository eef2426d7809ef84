#include "mail/pop3_connection.h"

#include "mail/tcp_acknowledge.h"
#include "mail/tls_failure.h"

#include <QDeadlineTimer>
#include <QSslConfiguration>
#include <algorithm>

namespace {
// Bytes taken from the socket at a time, and the most the socket may hold
// undelivered: when it is full the kernel window closes and the server
// waits, so replies sent ahead cannot pile up in memory.
constexpr qint64 kReadChunk = 64 * 1024;
constexpr qint64 kSocketBuffer = 256 * 1024;
constexpr int kCloseWaitMs = 1000;

QString secondsText(qint64 milliseconds)
{
    return QString::number(milliseconds / 1000.0, 'g', 6) + QStringLiteral(" 秒");
}

int remainingMs(const QDeadlineTimer& deadline)
{
    return static_cast<int>(std::max<qint64>(0, deadline.remainingTime()));
}
} // namespace

Pop3Connection::Pop3Connection(Pop3Address address, Settings settings)
    : m_address(std::move(address))
    , m_settings(std::move(settings))
    , m_chunk(std::make_unique<char[]>(kReadChunk))
{
    m_socket.setReadBufferSize(kSocketBuffer);
    // The client gathers its commands itself and writes them when it starts
    // to wait (see send), so holding a small write back until the one
    // before is acknowledged would only delay the commands.
    QObject::connect(&m_socket, &QAbstractSocket::connected, &m_socket,
                     [this] { m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1); });
    // The certificate the user trusted for this address is accepted as it
    // is, whatever its chain or name, unless the TLS library itself finds it
    // too weak; any other one is checked as usual.
    QObject::connect(&m_socket, &QSslSocket::sslErrors, [this](const QList<QSslError>& errors) {
        const QByteArray pinned =
            m_settings.trust ? m_settings.trust->pinnedFingerprint(m_address) : QByteArray();
        if (!pinned.isEmpty() && pinned == CertificateFingerprint(m_socket.peerCertificate()) &&
            std::all_of(errors.begin(), errors.end(), IsWaivableError)) {
            m_pinAccepted = true;
            m_socket.ignoreSslErrors();
        }
    });
}

Pop3Connection::~Pop3Connection()
{
    m_socket.abort();
}

Pop3Connection::CallLimit::CallLimit(Pop3Connection& connection, qint64 milliseconds)
    : m_connection(connection)
{
    connection.m_callStart = QDeadlineTimer::current();
    connection.m_callLimitMs = milliseconds;
    connection.m_callDeadline = connection.m_callStart + milliseconds;
}

Pop3Connection::CallLimit::~CallLimit()
{
    m_connection.m_callDeadline = QDeadlineTimer(QDeadlineTimer::Forever);
    m_connection.m_callLimitMs = 0;
}

void Pop3Connection::raiseCallLimit(qint64 milliseconds)
{
    if (m_callDeadline.isForever() || milliseconds <= m_callLimitMs)
        return;
    m_callLimitMs = milliseconds;
    m_callDeadline = m_callStart + milliseconds;
}

QDeadlineTimer Pop3Connection::bounded(const QDeadlineTimer& deadline) const
{
    return m_callDeadline < deadline ? m_callDeadline : deadline;
}

QString Pop3Connection::timeoutText(int milliseconds) const
{
    return QStringLiteral("%1 から %2以内に応答がありませんでした。").arg(where(), secondsText(milliseconds));
}

QString Pop3Connection::callTimeoutText() const
{
    return QStringLiteral("%1 からの応答が %2以内に終わりませんでした。")
        .arg(where(), secondsText(m_callLimitMs));
}

QString Pop3Connection::expiryText(const QDeadlineTimer& deadline, int timeoutMs) const
{
    const bool callEnded = !m_callDeadline.isForever() && !(deadline < m_callDeadline);
    return callEnded ? callTimeoutText() : timeoutText(timeoutMs);
}

// The TLS settings are made only when TLS starts, so a plain connection
// never touches them. Without pinned certificates the system store is left
// to the TLS library, which looks up only the issuers a chain needs. Naming
// any certificate would make it read the whole store first (some 70 ms), so
// with pinned ones the server is checked against those alone, and the
// system store is consulted only when they do not vouch for it.
void Pop3Connection::prepareTls()
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setPeerVerifyMode(QSslSocket::VerifyPeer);
    if (!m_settings.extraCaCertificates.isEmpty()) {
        configuration.setCaCertificates(m_settings.extraCaCertificates);
        if (!m_checksSystemStore) {
            QObject::connect(&m_socket, &QSslSocket::sslErrors, &m_socket,
                             [this](const QList<QSslError>& errors) { checkAgainstSystemStore(errors); });
            m_checksSystemStore = true;
        }
    }
    m_socket.setSslConfiguration(configuration);
}

// Called during the handshake when the pinned certificates did not vouch
// for the server. Only a missing trust anchor may be mended by the system
// store; an expired or misnamed certificate stays refused. The pinned
// certificates go along as intermediates, so a chain that needs one of them
// on its way to a system root still holds.
void Pop3Connection::checkAgainstSystemStore(const QList<QSslError>& errors)
{
    if (!std::all_of(errors.begin(), errors.end(), IsTrustAnchorError))
        return;
    const QList<QSslCertificate> chain = m_socket.peerCertificateChain() + m_settings.extraCaCertificates;
    if (QSslCertificate::verify(chain, m_address.host).isEmpty())
        m_socket.ignoreSslErrors(errors);
}

bool Pop3Connection::open()
{
    const QDeadlineTimer deadline(m_settings.connectTimeoutMs);
    const QDeadlineTimer until = bounded(deadline);
    if (m_address.implicitTls) {
        prepareTls();
        m_socket.connectToHostEncrypted(m_address.host, m_address.port);
        if (!m_socket.waitForEncrypted(remainingMs(until)))
            return handshakeFailed(deadline, m_settings.connectTimeoutMs);
        return true;
    }
    m_socket.connectToHost(m_address.host, m_address.port);
    if (!m_socket.waitForConnected(remainingMs(until))) {
        fail(m_socket.error() == QAbstractSocket::SocketTimeoutError || until.hasExpired()
                 ? expiryText(deadline, m_settings.connectTimeoutMs)
                 : socketFailureText());
        return false;
    }
    return true;
}

bool Pop3Connection::startTls()
{
    const QDeadlineTimer deadline(m_settings.replyTimeoutMs);
    prepareTls();
    m_socket.startClientEncryption();
    if (!m_socket.waitForEncrypted(remainingMs(bounded(deadline))))
        return handshakeFailed(deadline, m_settings.replyTimeoutMs);
    return true;
}

bool Pop3Connection::handshakeFailed(const QDeadlineTimer& deadline, int timeoutMs)
{
    const QList<QSslError> errors = m_socket.sslHandshakeErrors();
    if (!errors.isEmpty()) {
        fail(CertificateRefusalText(where(), errors));
        // Only a certificate that trusting it would let through is put to
        // the user.
        if (!std::all_of(errors.begin(), errors.end(), IsWaivableError))
            return false;
        RefusedCertificate refused;
        refused.server = m_address;
        refused.address = where();
        refused.certificate = m_socket.peerCertificate();
        for (const QSslError& error : errors)
            if (!refused.reasons.contains(CertificateErrorReason(error)))
                refused.reasons.append(CertificateErrorReason(error));
        ServerTrust* trust = m_settings.trust;
        refused.changed = trust && !trust->pinnedFingerprint(m_address).isEmpty();
        refused.verifiedBefore = trust && trust->systemVerified(m_address);
        m_refused = std::move(refused);
    } else if (m_socket.error() == QAbstractSocket::SocketTimeoutError) {
        fail(expiryText(deadline, timeoutMs));
    } else {
        fail(socketFailureText());
    }
    return false;
}

bool Pop3Connection::isEncrypted() const
{
    return m_socket.isEncrypted();
}

QString Pop3Connection::socketFailureText() const
{
    switch (m_socket.error()) {
    case QAbstractSocket::ConnectionRefusedError:
        return QStringLiteral("%1 に接続できませんでした（接続を拒否されました）。").arg(where());
    case QAbstractSocket::HostNotFoundError:
        return QStringLiteral("サーバー %1 が見つかりませんでした。").arg(where());
    case QAbstractSocket::RemoteHostClosedError:
        return QStringLiteral("%1 との接続が切れました。").arg(where());
    case QAbstractSocket::SslHandshakeFailedError:
    case QAbstractSocket::SslInternalError:
    case QAbstractSocket::SslInvalidUserDataError:
        return HandshakeFailureText(where(), m_socket.errorString());
    default:
        return QStringLiteral("%1 との通信に失敗しました: %2。").arg(where(), m_socket.errorString());
    }
}

bool Pop3Connection::send(QByteArrayView bytes)
{
    if (m_dead)
        return false;
    // Commands collect in the socket until the client waits for an answer
    // (fill), so commands sent ahead leave in as few packets as possible.
    if (m_socket.write(bytes.data(), bytes.size()) != bytes.size()) {
        fail(socketFailureText());
        return false;
    }
    return true;
}

bool Pop3Connection::fill()
{
    // The deadline runs from the moment the client starts waiting after the
    // last whole line, which is when a line has just been taken: taking
    // lines costs no time worth counting, and no clock is read per line.
    if (!m_deadlineArmed) {
        m_deadline.setRemainingTime(m_settings.replyTimeoutMs);
        m_deadlineArmed = true;
    }
    const QDeadlineTimer until = bounded(m_deadline);
    m_socket.flush();
    for (;;) {
        // The call's limit holds even while bytes keep coming: a stream that
        // never pauses must not outlast it either.
        if (m_callDeadline.hasExpired()) {
            fail(callTimeoutText());
            return false;
        }
        if (m_socket.bytesAvailable() > 0) {
            const qint64 got = m_socket.read(m_chunk.get(), kReadChunk);
            if (got > 0) {
                m_reader.append(QByteArrayView(m_chunk.get(), got));
                return true;
            }
        }
        if (m_socket.state() != QAbstractSocket::ConnectedState) {
            fail(QStringLiteral("%1 との接続が切れました。").arg(where()));
            return false;
        }
        if (until.hasExpired()) {
            fail(expiryText(m_deadline, m_settings.replyTimeoutMs));
            return false;
        }
        AcknowledgePromptly(m_socket.socketDescriptor());
        if (!m_socket.waitForReadyRead(remainingMs(until)) && m_socket.bytesAvailable() == 0) {
            if (m_socket.error() == QAbstractSocket::SocketTimeoutError || until.hasExpired())
                fail(expiryText(m_deadline, m_settings.replyTimeoutMs));
            else if (m_socket.error() == QAbstractSocket::RemoteHostClosedError ||
                     m_socket.state() != QAbstractSocket::ConnectedState)
                fail(QStringLiteral("%1 との接続が切れました。").arg(where()));
            else
                fail(socketFailureText());
            return false;
        }
    }
}

bool Pop3Connection::takeFailed(Pop3LineReader::Result result)
{
    if (result == Pop3LineReader::Result::TooLong)
        fail(QStringLiteral("%1 から %2 バイトを超える長さの行が届きました。")
                 .arg(where())
                 .arg(m_reader.maxLineLength()));
    else
        fail(QStringLiteral("%1 から POP3 では使えない NUL 文字が届きました。").arg(where()));
    return false;
}

bool Pop3Connection::readLine(QByteArray& line)
{
    if (m_dead)
        return false;
    for (;;) {
        QByteArrayView view;
        const Pop3LineReader::Result result = m_reader.takeLine(view);
        if (result == Pop3LineReader::Result::Line) {
            m_deadlineArmed = false;
            line = view.toByteArray();
            return true;
        }
        if (result != Pop3LineReader::Result::NeedMore)
            return takeFailed(result);
        if (!fill())
            return false;
    }
}

Pop3Connection::Data Pop3Connection::readDataLine(QByteArrayView& line)
{
    if (m_dead)
        return Data::Failed;
    for (;;) {
        const Pop3LineReader::Result result = m_reader.takeDataLine(line);
        if (result == Pop3LineReader::Result::Line || result == Pop3LineReader::Result::EndOfData)
            m_deadlineArmed = false;
        if (result == Pop3LineReader::Result::Line)
            return Data::Line;
        if (result == Pop3LineReader::Result::EndOfData)
            return Data::End;
        if (result != Pop3LineReader::Result::NeedMore) {
            takeFailed(result);
            return Data::Failed;
        }
        if (!fill())
            return Data::Failed;
    }
}

bool Pop3Connection::hasUnreadBytes() const
{
    return m_reader.buffered() > 0 || m_socket.bytesAvailable() > 0;
}

bool Pop3Connection::receivedUnasked()
{
    if (m_dead || hasUnreadBytes())
        return !m_dead;
    // What reached the system but not the socket yet counts too: a look
    // without waiting takes it in (and, with TLS, decrypts it, so the
    // protocol's own records are not mistaken for data).
    if (m_socket.state() == QAbstractSocket::ConnectedState)
        m_socket.waitForReadyRead(0);
    return m_socket.bytesAvailable() > 0;
}

bool Pop3Connection::systemVerified() const
{
    return m_socket.isEncrypted() && !m_pinAccepted;
}

void Pop3Connection::close(bool gracefully)
{
    if (!m_dead)
        m_socket.flush();
    if (gracefully && !m_dead && m_socket.state() == QAbstractSocket::ConnectedState) {
        m_socket.disconnectFromHost();
        if (m_socket.state() != QAbstractSocket::UnconnectedState)
            m_socket.waitForDisconnected(
                remainingMs(bounded(QDeadlineTimer(std::min(kCloseWaitMs, m_settings.replyTimeoutMs)))));
    }
    m_socket.abort();
    m_dead = true;
}

void Pop3Connection::fail(const QString& text)
{
    if (!m_dead)
        m_error = text;
    m_dead = true;
    m_socket.abort();
}
