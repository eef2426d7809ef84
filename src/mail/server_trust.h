#pragma once

#include "mail/pop3_address.h"

#include <QByteArray>
#include <QSslCertificate>
#include <QString>
#include <QStringList>

// What the mail library remembers about servers from one run to the next:
// the one certificate the user chose to trust for a server (host and port),
// the hosts that once completed TLS, so that a later session to any port of
// them is never let down to clear text, the hosts whose certificate the
// system once vouched for, and the servers the user allowed to be logged in
// to without encryption. The program keeps this in a file of the settings
// folder.
class ServerTrust
{
public:
    virtual ~ServerTrust() = default;
    /// SHA-256 fingerprint (lower-case hex) of the certificate the user
    /// trusted for `server`, or empty.
    virtual QByteArray pinnedFingerprint(const Pop3Address& server) const = 0;
    /// Trusts exactly the certificate with `fingerprint` for `server`. False
    /// when the answer cannot be kept beyond this run (it holds until then).
    virtual bool pin(const Pop3Address& server, const QByteArray& fingerprint) = 0;
    /// Whether a session to the server's host, on any port, once completed TLS.
    virtual bool spokeTls(const Pop3Address& server) const = 0;
    /// Whether the system's certificates once vouched for the certificate of
    /// the server's host (on any port), as against a certificate the user pinned.
    virtual bool systemVerified(const Pop3Address& server) const = 0;
    /// Notes a session that completed TLS; `systemVerified` when the
    /// system's certificates vouched for the server, not a pin.
    virtual void noteTls(const Pop3Address& server, bool systemVerified) = 0;
    /// Whether the user allowed the password to go to `server` in clear.
    virtual bool clearLoginAllowed(const Pop3Address& server) const = 0;
    /// Allows it from now on. False when the answer cannot be kept beyond
    /// this run (it holds until then).
    virtual bool allowClearLogin(const Pop3Address& server) = 0;
};

/// A server certificate that was refused and that the user may decide on.
struct RefusedCertificate
{
    Pop3Address server;
    QString address;             // "host:port", as shown to the user
    QSslCertificate certificate; // the server's own certificate
    QStringList reasons;         // why it was refused, in Japanese
    bool changed = false;        // another certificate was trusted there before
    bool verifiedBefore = false; // the system vouched for this host's certificate before
};

/// A certificate's SHA-256 fingerprint, lower-case hex without separators.
QByteArray CertificateFingerprint(const QSslCertificate& certificate);
