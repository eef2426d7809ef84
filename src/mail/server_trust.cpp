#include "mail/server_trust.h"

#include <QCryptographicHash>

QByteArray CertificateFingerprint(const QSslCertificate& certificate)
{
    return certificate.digest(QCryptographicHash::Sha256).toHex();
}
