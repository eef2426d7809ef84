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
    // is, whatever its chain or name; any other one is checked as usual.
    QObject::connect(&m_socket, &QSslSocket::sslErrors, [this](const QList<QSslError>&) {
        const QByteArray pinned = m_settings.trust ? m_settings.trust->pinnedFingerprint(where()) : QByteArray();
        if (!pinned.isEmpty() && pinned == CertificateFingerprint(m_socket.peerCertificate()))
            m_socket.ignoreSslErrors();
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
    connection.m_callClock.start();
}

Pop3Connection::CallLimit::~CallLimit()
{
    m_connection.m_callDeadline = QDeadlineTimer(QDeadlineTimer::Forever);
    m_connection.m_callLimitMs = 0;
    m_connection.m_sessionSpentMs += m_connection.m_callClock.elapsed();
    m_connection.m_callClock.invalidate();
}

void Pop3Connection::raiseCallLimit(qint64 milliseconds)
{
    if (m_callDeadline.isForever() || milliseconds <= m_callLimitMs)
        return;
    m_callLimitMs = milliseconds;
    m_callDeadline = m_callStart + milliseconds;
}

qint64 Pop3Connection::sessionAllowanceMs() const
{
    const qint64 earned = m_received * 1000 / std::max(1, m_settings.transferBytesPerSecond);
    return std::min<qint64>(m_settings.sessionLimitMs + earned, m_settings.maxCallLimitMs);
}

qint64 Pop3Connection::sessionLeftMs() const
{
    const qint64 inCall = m_callClock.isValid() ? m_callClock.elapsed() : 0;
    return sessionAllowanceMs() - m_sessionSpentMs - inCall;
}

Pop3Connection::Bound Pop3Connection::bounded(const QDeadlineTimer& deadline) const
{
    Bound bound{deadline, Limit::Wait};
    if (!m_callDeadline.isForever() && !(bound.until < m_callDeadline))
        bound = {m_callDeadline, Limit::Call};
    const QDeadlineTimer session(std::max<qint64>(0, sessionLeftMs()));
    if (!(bound.until < session))
        bound = {session, Limit::Session};
    return bound;
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

// The allowance is shown to the tenth of a second: it grows with every byte.
QString Pop3Connection::sessionTimeoutText() const
{
    return QStringLiteral("%1 とのやりとりが %2以内に終わりませんでした。")
        .arg(where(), secondsText(sessionAllowanceMs() / 100 * 100));
}

QString Pop3Connection::expiryText(Limit limit, int timeoutMs) const
{
    switch (limit) {
    case Limit::Call:
        return callTimeoutText();
    case Limit::Session:
        return sessionTimeoutText();
    case Limit::Wait:
        break;
    }
    return timeoutText(timeoutMs);
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
    // The socket is connected to an address; the certificate names the host.
    m_socket.setPeerVerifyName(m_address.host);
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

// The socket would look a name up itself, but its blocking wait does so
// without any deadline; so the name is looked up here, and the socket is
// given addresses only.
bool Pop3Connection::open()
{
    const QDeadlineTimer deadline(m_settings.connectTimeoutMs);
    QList<QHostAddress> addresses;
    if (!lookUp(deadline, addresses))
        return false;
    for (qsizetype i = 0; i < addresses.size(); ++i) {
        if (connectTo(addresses[i], deadline, i + 1 == addresses.size()))
            return true;
        if (m_dead)
            return false;
    }
    return false;
}

bool Pop3Connection::lookUp(const QDeadlineTimer& deadline, QList<QHostAddress>& addresses)
{
    const QHostAddress literal(m_address.host);
    if (!literal.isNull()) {
        addresses = {literal};
        return true;
    }
    const int lookupMs = std::min(m_settings.lookupTimeoutMs, m_settings.connectTimeoutMs);
    const QDeadlineTimer own(lookupMs);
    const Bound bound = bounded(own < deadline ? own : deadline);
    const std::optional<QHostInfo> info = LookUpHost(m_address.host, bound.until, m_settings.resolveHost);
    if (!info) {
        fail(bound.limit == Limit::Wait
                 ? QStringLiteral("サーバー名 %1 の名前解決が %2以内に終わりませんでした。")
                       .arg(m_address.host, secondsText(lookupMs))
                 : expiryText(bound.limit, lookupMs));
        return false;
    }
    addresses = info->addresses();
    if (info->error() == QHostInfo::HostNotFound ||
        (info->error() == QHostInfo::NoError && addresses.isEmpty())) {
        fail(QStringLiteral("サーバー %1 が見つかりませんでした。").arg(where()));
        return false;
    }
    if (info->error() != QHostInfo::NoError) {
        fail(QStringLiteral("サーバー名 %1 の名前解決に失敗しました: %2。")
                 .arg(m_address.host, info->errorString()));
        return false;
    }
    return true;
}

// One address of the server. When it refuses or cannot be reached, the next
// one may still answer: the connection is then left open for another try.
bool Pop3Connection::connectTo(const QHostAddress& address, const QDeadlineTimer& deadline, bool lastAddress)
{
    const Bound bound = bounded(deadline);
    bool done = false;
    if (m_address.implicitTls) {
        prepareTls();
        m_socket.connectToHostEncrypted(address.toString(), m_address.port, m_address.host);
        done = m_socket.waitForEncrypted(remainingMs(bound.until));
    } else {
        m_socket.connectToHost(address, m_address.port);
        done = m_socket.waitForConnected(remainingMs(bound.until));
    }
    if (done)
        return true;
    const QAbstractSocket::SocketError error = m_socket.error();
    const bool unreachable =
        error == QAbstractSocket::ConnectionRefusedError || error == QAbstractSocket::NetworkError;
    if (!lastAddress && unreachable && !bound.until.hasExpired()) {
        m_socket.abort();
        return false;
    }
    if (m_address.implicitTls)
        return handshakeFailed(bound.limit, m_settings.connectTimeoutMs);
    fail(error == QAbstractSocket::SocketTimeoutError || bound.until.hasExpired()
             ? expiryText(bound.limit, m_settings.connectTimeoutMs)
             : socketFailureText());
    return false;
}

bool Pop3Connection::startTls()
{
    const Bound bound = bounded(QDeadlineTimer(m_settings.replyTimeoutMs));
    prepareTls();
    m_socket.startClientEncryption();
    if (!m_socket.waitForEncrypted(remainingMs(bound.until)))
        return handshakeFailed(bound.limit, m_settings.replyTimeoutMs);
    return true;
}

bool Pop3Connection::handshakeFailed(Limit limit, int timeoutMs)
{
    const QList<QSslError> errors = m_socket.sslHandshakeErrors();
    if (!errors.isEmpty()) {
        RefusedCertificate refused;
        refused.address = where();
        refused.certificate = m_socket.peerCertificate();
        for (const QSslError& error : errors)
            if (!refused.reasons.contains(CertificateErrorReason(error)))
                refused.reasons.append(CertificateErrorReason(error));
        const QByteArray pinned = m_settings.trust ? m_settings.trust->pinnedFingerprint(where()) : QByteArray();
        refused.changed = !pinned.isEmpty();
        fail(CertificateRefusalText(where(), errors));
        m_refused = std::move(refused);
    } else if (m_socket.error() == QAbstractSocket::SocketTimeoutError) {
        fail(expiryText(limit, timeoutMs));
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
    const Bound bound = bounded(m_deadline);
    m_socket.flush();
    for (;;) {
        // The call's limit and the connection's hold even while bytes keep
        // coming: a stream that never pauses must not outlast them either.
        if (m_callDeadline.hasExpired()) {
            fail(callTimeoutText());
            return false;
        }
        if (sessionLeftMs() <= 0) {
            fail(sessionTimeoutText());
            return false;
        }
        if (m_socket.bytesAvailable() > 0) {
            const qint64 got = m_socket.read(m_chunk.get(), kReadChunk);
            if (got > 0) {
                m_received += got;
                m_reader.append(QByteArrayView(m_chunk.get(), got));
                return true;
            }
        }
        if (m_socket.state() != QAbstractSocket::ConnectedState) {
            fail(QStringLiteral("%1 との接続が切れました。").arg(where()));
            return false;
        }
        if (bound.until.hasExpired()) {
            fail(expiryText(bound.limit, m_settings.replyTimeoutMs));
            return false;
        }
        AcknowledgePromptly(m_socket.socketDescriptor());
        if (!m_socket.waitForReadyRead(remainingMs(bound.until)) && m_socket.bytesAvailable() == 0) {
            if (m_socket.error() == QAbstractSocket::SocketTimeoutError || bound.until.hasExpired())
                fail(expiryText(bound.limit, m_settings.replyTimeoutMs));
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

void Pop3Connection::close(bool gracefully)
{
    if (!m_dead)
        m_socket.flush();
    if (gracefully && !m_dead && m_socket.state() == QAbstractSocket::ConnectedState) {
        m_socket.disconnectFromHost();
        if (m_socket.state() != QAbstractSocket::UnconnectedState)
            m_socket.waitForDisconnected(remainingMs(
                bounded(QDeadlineTimer(std::min(kCloseWaitMs, m_settings.replyTimeoutMs))).until));
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
