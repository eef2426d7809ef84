#pragma once

#include "mail/mail_headers.h"
#include "mail/pop3_address.h"
#include "mail/pop3_connection.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <deque>
#include <map>
#include <span>

// One POP3 session, driven synchronously by the mail library's calls. The
// session moves through explicit states:
//
//   Connecting -> Greeting -> Capa -> [Stls -> Capa] -> Auth -> Transaction
//
// and ends in Closed, by QUIT or by any failure of the connection. A failed
// login stays in Auth (the server allows another try); a server's "-ERR" to
// a message command leaves the session usable; a broken stream, a time-out
// or a dropped connection does not.
//
// When the server offers PIPELINING and the caller asks, message by message,
// for status, size and the message itself (the order the mail check uses),
// the LIST and RETR commands for the next few messages go out ahead, and the
// answers are taken from what has already arrived; the status then comes
// from the message's own header instead of a TOP. The replies are always
// read in the order the commands were sent, so a caller that asks in any
// other order still gets the right answer; it only stops the sending ahead.
//
// Each public call runs under an overall limit (the connection's call limit;
// a retrieval adds the time its listed size takes at the allowance rate).
// Replies to commands sent ahead that a call has to read before its own
// answer count against that call, and a status that reads its message whole
// ahead gets the time that message's retrieval would have had. A call that
// passes its limit ends the session like any other broken connection.
class Pop3Session final
{
public:
    enum class State
    {
        Connecting,
        Greeting,
        Capa,
        Stls,
        Auth,
        Transaction,
        Closed,
    };

    struct Settings
    {
        Pop3Connection::Settings connection;
        int pipelineWindow = 8; // messages whose commands may be in flight; 0 = none
    };

    // Bounds on what a server may claim.
    static constexpr int kMaxMessageCount = 1'000'000;
    static constexpr qint64 kMaxMessageSize = 256LL * 1024 * 1024;

    Pop3Session(Pop3Address address, Settings settings);
    ~Pop3Session();

    // Connects, reads the greeting and the capabilities, and upgrades to TLS
    // with STLS when a plain connection is offered it.
    bool open();
    // Logs in with USER/PASS or APOP and returns the message count, or -1.
    int login(QByteArrayView user, QByteArrayView password, bool apop);
    // Header fields of a message (TOP n 0).
    bool status(int number, MailHeaders& headers);
    // Size of a message as the server lists it, or -1.
    qint64 size(int number);
    // The message, dot-unstuffed with CR LF line ends, into `body` (cut to
    // fit, NUL-terminated), and its header fields.
    bool retrieve(int number, MailHeaders& headers, std::span<char> body);
    // Says QUIT when the session is still sound, then closes.
    void quit();

    State state() const { return m_state; }
    const QString& error() const { return m_error; }
    const std::optional<RefusedCertificate>& refusedCertificate() const
    {
        return m_connection.refusedCertificate();
    }
    // After an open() that ended because the server offers no encryption
    // and the user has not allowed the password to go to it in clear.
    bool needsClearLoginConsent() const { return m_needsClearLoginConsent; }

private:
    enum class Command
    {
        Top,
        List,
        Retr,
    };
    struct Request
    {
        Command command;
        int number;
        bool operator==(const Request&) const = default;
    };
    struct TopResult
    {
        bool ok = false;
        MailHeaders headers;
        QString error;
    };
    struct ListResult
    {
        bool ok = false;
        qint64 size = -1;
        QString error;
    };
    // A message read whole before the caller asked for it: its headers
    // answer the status call, its text the retrieval that follows.
    struct Stash
    {
        int number = 0; // 0: empty
        bool complete = false;
        MailHeaders headers;
        QByteArray text;
        QString error; // the server's "-ERR", if that was the answer
    };
    class BodySink;
    enum class Status
    {
        Ok,
        Err,
        Failed,
    };
    enum class Number
    {
        Ok,
        TooLarge,
        Malformed,
    };

    // The decimal number that starts `text`, followed by a blank or the end.
    static Number parseNumber(QByteArrayView text, qint64 limit, qint64& value);

    // Start-up and login (pop3_session.cpp).
    bool readGreeting();
    bool readCapabilities();
    bool upgradeToTls();
    int readMessageCount();
    // Whether the session may go on to the login, as far as the servers'
    // memory goes; notes a session that did TLS.
    bool admitsLogin();
    // False (and the session ended) when bytes came that no command asked for.
    bool answersOnlyWhatWasAsked();
    static QString serverWords(QByteArrayView reply);
    Status command(QByteArrayView line, QByteArray& reply);
    Status readStatus(QByteArray& reply);
    bool connectionFailed();
    bool protocolFailure(const QString& text);

    // Message commands and sending ahead (pop3_transaction.cpp).
    bool checkMessage(int number);
    void noteRequest(Request request);
    bool inFlight(Request request) const;
    bool bringToFront(Request request);
    bool consumeFront();
    bool stashAhead(int number);
    bool goesAhead(int number) const;
    void sendAhead();
    QByteArray commandLine(Request request) const;
    // The status line of a reply; an "-ERR" line goes into `serverError`.
    Status readReplyStatus(QByteArray& line, QString& serverError);
    // The lines of a multi-line reply up to its end, each handed to
    // `onLine`; more than `limit` bytes is a protocol error whose text
    // `tooLarge()` makes (only then).
    template <class TooLarge, class OnLine>
    bool readDataLines(qint64 limit, TooLarge tooLarge, OnLine onLine);
    bool readTopReply(TopResult& result);
    bool readListReply(int number, ListResult& result);
    bool readRetrReply(MailHeaders* headers, BodySink& sink, QString& serverError);
    bool sendRequest(Request request);
    void keepBounded();
    // The overall limit of retrieving message `number`: the base limit plus
    // its listed size at the allowance rate, up to the cap. Only a size the
    // server listed counts; without one the base limit stands.
    qint64 retrievalLimitMs(int number) const;

    Pop3Connection m_connection;
    Settings m_settings;
    State m_state = State::Connecting;
    QString m_error;
    QByteArray m_timestamp;
    QSet<QByteArray> m_capabilities;
    int m_count = -1;
    bool m_needsClearLoginConsent = false;

    bool m_pipelining = false;
    Request m_expected{Command::Top, 1};
    std::deque<Request> m_inFlight;
    std::map<int, ListResult> m_listAhead;
    int m_nextListAhead = 1; // first message whose LIST has not gone ahead
    int m_nextRetrAhead = 1; // first message not yet considered for RETR ahead
    Stash m_stash;
};
