#pragma once

#include "mail/server_trust.h"

#include <QString>

// The mail library's memory of servers, kept in "servers.ini" of the
// settings folder: section "PINS" maps "host:port" to the SHA-256
// fingerprint of the certificate the user trusted there, section "TLS" marks
// with "1" the addresses that once completed TLS. Written atomically, like
// the other settings files, and never holding anything secret; read afresh
// at every use. Without the settings folder nothing is kept.
class ServerTrustFile final : public ServerTrust
{
public:
    explicit ServerTrustFile(QString file);

    QByteArray pinnedFingerprint(const QString& address) const override;
    void pin(const QString& address, const QByteArray& fingerprint) override;
    bool spokeTls(const QString& address) const override;
    void noteTls(const QString& address) override;

private:
    QString m_file;
};
