#pragma once

#include "mail/server_trust.h"

#include <QMap>
#include <QSet>
#include <QString>

// The mail library's memory of servers, kept in "servers.ini" of the
// settings folder:
//  - "PINS": server -> SHA-256 fingerprint of the certificate the user trusted there;
//  - "TLS": "1" for the servers that once completed TLS (covering every
//    port of their host);
//  - "VERIFIED": "1" for the servers whose certificate the system vouched for;
//  - "CLEAR": "1" for the servers the user allowed a password in clear.
// A server's key is "host:port" in a form every address can take and that
// tells servers apart (ServerTrustKey). Written atomically, like the other
// settings files, and never holding anything secret; read afresh at every
// use. What cannot be written (no settings folder, a folder that is not
// writable) is still kept in memory for the rest of the run.
class ServerTrustFile final : public ServerTrust
{
public:
    explicit ServerTrustFile(QString file);

    QByteArray pinnedFingerprint(const Pop3Address& server) const override;
    bool pin(const Pop3Address& server, const QByteArray& fingerprint) override;
    bool spokeTls(const Pop3Address& server) const override;
    bool systemVerified(const Pop3Address& server) const override;
    void noteTls(const Pop3Address& server, bool systemVerified) override;
    bool clearLoginAllowed(const Pop3Address& server) const override;
    bool allowClearLogin(const Pop3Address& server) override;

    const QString& file() const { return m_file; }

private:
    bool isMarked(QByteArrayView section, const Pop3Address& server) const;
    bool isMarkedOnHost(QByteArrayView section, const Pop3Address& server) const;
    bool mark(QByteArrayView section, const Pop3Address& server);

    QString m_file;
    // What this run learnt but could not write: keys per section.
    QMap<QByteArray, QSet<QByteArray>> m_unwrittenMarks;
    QMap<QByteArray, QByteArray> m_unwrittenPins;
};

// The key of a server in the file: the host lower-cased in its ASCII form
// (IDNs in punycode, one trailing dot dropped), an IP address in its usual
// form with an IPv6 one in percent-encoded brackets ("%5B::1%5D", since a
// key may not start with "["), then ":" and the port.
QByteArray ServerTrustKey(const Pop3Address& server);
