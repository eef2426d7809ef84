#pragma once

#include "mail/host_lookup.h"
#include "mail/server_trust.h"

#include <QByteArray>
#include <QList>
#include <QSslCertificate>
#include <map>
#include <memory>
#include <optional>
#include <span>

class Pop3Session;

// The mail library the program talks to: a small, synchronous face over our
// own POP3 client. Texts go in and come out as byte strings in the ANSI code
// page (CP932). Every call blocks the calling thread until it returns, but
// each network wait has a deadline and each call an overall limit, so neither
// a silent server nor one that drips its replies line by line can freeze it.
// A call that passes its limit fails and closes its connection; later calls
// on that handle fail at once with the same text. The connection as a whole
// has a limit too, which grows only with what the server really sends.
//
// One NMail object lives as long as the program; it is not a singleton, so a
// test can make its own.
class NMail final
{
public:
    NMail();
    ~NMail();
    NMail(const NMail&) = delete;
    NMail& operator=(const NMail&) = delete;

    // Start-up and shut-down of the library. Safe to call any number of
    // times in any order; ending closes every open connection. Return 0.
    int NMailInitializeWinSock();
    int NMailEndWinSock();
    // Option 1 is the size of the status buffers the caller passes (8192).
    // Unknown options are accepted and ignored. Returns 0.
    int NMailSetOption(int option, int value);

    // Connects to `server` ("host", "host:port", "pop3://host[:port]",
    // "pop3s://host[:port]") and reads the greeting. Returns a handle (> 0)
    // or -1 on failure; NMailGetMessage then tells why.
    int NMailPop3Connect(const QByteArray& server);
    // Logs in; `apop` non-zero (the program passes -1) asks for APOP.
    // Returns the number of messages (>= 0), or a negative number on failure.
    int NMailPop3Authenticate(int handle, const QByteArray& id, const QByteArray& password, int apop);
    // Reads the headers of message `number` (from 1) and fills the four
    // buffers, NUL-terminated and never past their ends, with its subject,
    // sender, date and message id (MIME-decoded into the ANSI code page
    // where possible). Returns 0, or a negative number on failure.
    int NMailPop3GetMailStatus(int handle, int number, std::span<char> subject, std::span<char> from,
                               std::span<char> date, std::span<char> messageId, int flag);
    // Size in bytes of message `number` as the server lists it, or -1.
    int NMailPop3GetMailSize(int handle, int number);
    // Retrieves message `number`: the four header buffers as above, and the
    // whole message (dot-unstuffed, CR LF line ends) into `body`, cut to fit
    // and always NUL-terminated. Returns 0, or a negative number on failure.
    int NMailPop3GetMail(int handle, int number, std::span<char> subject, std::span<char> from,
                         std::span<char> date, std::span<char> messageId, std::span<char> body, int flag1,
                         int flag2);
    // Says goodbye (QUIT) and forgets the handle. Returns 0, or -1 for an
    // unknown handle.
    int NMailPop3Close(int handle);
    // Copies the text for the user about the last failure into `buffer`
    // (at most *capacity bytes with the NUL). Returns the text's length.
    int NMailGetMessage(int code, std::span<char> buffer, int* capacity);

    // Knobs for the program's tests and benchmarks; the defaults are those
    // of everyday use.
    void setConnectTimeout(int milliseconds); // default 15000
    void setReplyTimeout(int milliseconds);   // default 30000, restarted on every line
    // Overall limit of each call (connect, login, status, size, close):
    // default 30000. A retrieval gets this plus its message's listed size at
    // `bytesPerSecond` (default 16384), never more than the cap (default
    // 600000).
    void setCallLimit(int milliseconds);
    void setTransferAllowance(int bytesPerSecond);
    void setMaxCallLimit(int milliseconds);
    // Overall limit of one connection, connect to close, over the time its
    // calls take: default 40000, plus the bytes the server has really sent
    // at the allowance rate, never more than the cap.
    void setSessionLimit(int milliseconds);
    // The name lookup's part of the connect timeout (default 10000), and
    // who looks names up (default: the system's resolver).
    void setLookupTimeout(int milliseconds);
    void setHostResolver(HostResolver resolver);
    // Certificates trusted besides the system store. A server is checked
    // against these first; the system store is read only when they do not
    // vouch for it.
    void addCaCertificates(const QList<QSslCertificate>& certificates);

    using RefusedCertificate = ::RefusedCertificate;
    /// Where the library keeps the certificates the user trusted and the
    /// servers that spoke TLS; without one it remembers nothing.
    void setServerTrust(ServerTrust* trust);
    /// After a connect that failed on the server's certificate: what was
    /// refused and why. Empty after any other connect.
    std::optional<RefusedCertificate> refusedCertificate() const;
    /// Trusts exactly the certificate with `fingerprint` for `address`
    /// ("host:port") from now on.
    void trustCertificate(const QString& address, const QByteArray& fingerprint);
    // Messages whose commands may go out ahead when the server offers
    // PIPELINING (at most 64); 0 asks for one command at a time. Default 8.
    void setPipelineWindow(int messages);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
