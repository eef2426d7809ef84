#pragma once

#include <QByteArray>
#include <QSslCertificate>
#include <QString>
#include <QStringList>


// What the mail library remembers about servers from one run to the next:
// the one certificate the user chose to trust for a server address, and the
// addresses that once completed TLS, so that a later session to them is
// never let down to clear text. Addresses are "host:port" as the library
// shows them. The program keeps this in a file of the settings folder.
class ServerTrust
{
public:
    virtual ~ServerTrust() = default;
    /// SHA-256 fingerprint (lower-case hex) of the certificate the user
    /// trusted for `address`, or empty.
    virtual QByteArray pinnedFingerprint(const QString& address) const = 0;
    /// Trusts exactly the certificate with `fingerprint` for `address`.
    virtual void pin(const QString& address, const QByteArray& fingerprint) = 0;
    /// Whether a session to `address` once completed TLS.
    virtual bool spokeTls(const QString& address) const = 0;
    virtual void noteTls(const QString& address) = 0;
};

/// A server certificate that was refused, for the user to decide on.
struct RefusedCertificate
{
    QString address;             // "host:port"
    QSslCertificate certificate; // the server's own certificate
    QStringList reasons;         // why it was refused, in Japanese
    bool changed = false;        // another certificate was trusted there before
};

/// A certificate's SHA-256 fingerprint, lower-case hex without separators.
QByteArray CertificateFingerprint(const QSslCertificate& certificate);
