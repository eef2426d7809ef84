#pragma once

#include "mail/host_lookup.h"
#include "mail/pop3_address.h"
#include "mail/pop3_line_reader.h"
#include "mail/server_trust.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QSslCertificate>
#include <QSslSocket>
#include <QString>
#include <memory>
#include <optional>

// The byte stream to one POP3 server: a QSslSocket used synchronously with
// deadlines, and the line reader over it. Any failure (time-out, dropped
// connection, refused certificate, broken stream) leaves the connection dead
// with one short sentence for the user; a dead connection fails every later
// call at once.
//
// Every wait has three deadlines: its own (the name lookup, the connect, the
// handshake, the next line of a reply), the overall limit of the library call
// it serves, and the limit of the whole connection. A server that keeps each
// line just inside the per-line deadline still cannot hold the calling thread
// past the call's limit, and one that keeps each call just inside its limit
// cannot hold it past the connection's: that limit grows only with the bytes
// the server really sends, never with what it claims.
class Pop3Connection final
{
public:
    struct Settings
    {
        int connectTimeoutMs = 15000; // name lookup included
        int lookupTimeoutMs = 10000;  // the name lookup's own part of it
        int replyTimeoutMs = 30000;   // per awaited line
        // Overall limits of one library call. A retrieval adds the time its
        // message's listed size takes at the allowance rate, up to the cap.
        int callLimitMs = 30000;
        int transferBytesPerSecond = 16384;
        int maxCallLimitMs = 600000;
        // Overall limit of the whole connection, from the connect to the
        // close, counted only while a call runs: this plus the bytes the
        // server has sent so far at the allowance rate, up to the same cap.
        int sessionLimitMs = 40000;
        // Looks the server's name up; empty: the system's resolver.
        HostResolver resolveHost;
        QList<QSslCertificate> extraCaCertificates;
        // Certificates the user trusted for one address; may be null.
        ServerTrust* trust = nullptr;
    };

    // Holds the overall limit of one library call while it lives: every
    // wait until then ends by the limit at the latest.
    class CallLimit final
    {
    public:
        CallLimit(Pop3Connection& connection, qint64 milliseconds);
        ~CallLimit();
        CallLimit(const CallLimit&) = delete;
        CallLimit& operator=(const CallLimit&) = delete;

    private:
        Pop3Connection& m_connection;
    };

    enum class Data
    {
        Line,
        End,
        Failed,
    };

    Pop3Connection(Pop3Address address, Settings settings);
    ~Pop3Connection();

    // Looks the name up and connects to its addresses in turn, with the TLS
    // handshake first when the address asks for it, all within the connect
    // deadline. The certificate is checked against the name, not the address.
    bool open();
    // Upgrades the plain connection after the server agreed to STLS.
    bool startTls();
    bool isEncrypted() const;

    // Queues command bytes (with their CR LF); they leave at the latest when
    // the client starts to wait for a reply, or at close.
    bool send(QByteArrayView bytes);
    // One line of a reply. The deadline starts anew for every line.
    bool readLine(QByteArray& line);
    // One line of a multi-line reply, dot-unstuffed, or its end. The view
    // stays valid until the next read.
    Data readDataLine(QByteArrayView& line);
    // Whether bytes arrived that nobody asked for yet.
    bool hasUnreadBytes() const;

    // Closes; `gracefully` waits (briefly) for queued bytes to leave and for
    // the server to close its side, which only makes sense when no replies
    // are still coming.
    void close(bool gracefully);
    // Marks the connection dead with a text for the user (for faults found
    // by the protocol layer above) and drops the socket.
    void fail(const QString& text);

    bool isDead() const { return m_dead; }
    /// After a handshake that failed on the server's certificate: what was
    /// refused and why.
    const std::optional<RefusedCertificate>& refusedCertificate() const { return m_refused; }
    const QString& error() const { return m_error; }
    const Pop3Address& address() const { return m_address; }
    QString where() const { return m_address.display(); }
    QString timeoutText(int milliseconds) const;

    // Lets the current call run until `milliseconds` after its start, when
    // that is later than its limit so far (a call that takes on the
    // transfer of a message gets the time the message needs).
    void raiseCallLimit(qint64 milliseconds);

private:
    // Which deadline ends a wait first.
    enum class Limit
    {
        Wait,
        Call,
        Session,
    };
    struct Bound
    {
        QDeadlineTimer until;
        Limit limit;
    };

    bool lookUp(const QDeadlineTimer& deadline, QList<QHostAddress>& addresses);
    bool connectTo(const QHostAddress& address, const QDeadlineTimer& deadline, bool lastAddress);
    void prepareTls();
    void checkAgainstSystemStore(const QList<QSslError>& errors);
    bool fill();
    bool takeFailed(Pop3LineReader::Result result);
    QString socketFailureText() const;
    bool handshakeFailed(Limit limit, int timeoutMs);
    // The earliest of `deadline`, the call's overall limit and the
    // connection's, and which of them it is.
    Bound bounded(const QDeadlineTimer& deadline) const;
    // Time left to the connection in this call: its allowance so far less
    // the time its calls have taken.
    qint64 sessionLeftMs() const;
    qint64 sessionAllowanceMs() const;
    // The text for a wait that `limit` ended; `timeoutMs` is the wait's own.
    QString expiryText(Limit limit, int timeoutMs) const;
    QString callTimeoutText() const;
    QString sessionTimeoutText() const;

    Pop3Address m_address;
    Settings m_settings;
    QSslSocket m_socket;
    Pop3LineReader m_reader;
    std::unique_ptr<char[]> m_chunk;
    QDeadlineTimer m_deadline;
    bool m_deadlineArmed = false; // false: starts when the next wait does
    QDeadlineTimer m_callStart;
    QDeadlineTimer m_callDeadline{QDeadlineTimer::Forever}; // forever between calls
    qint64 m_callLimitMs = 0;
    QElapsedTimer m_callClock;   // runs while a call does
    qint64 m_sessionSpentMs = 0; // in the calls that have ended
    qint64 m_received = 0;       // bytes from the server
    QString m_error;
    bool m_dead = false;
    std::optional<RefusedCertificate> m_refused;
    bool m_checksSystemStore = false;
};
