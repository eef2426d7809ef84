#include "mail/server_trust.h"

#include <QCryptographicHash>
#include <QSslError>

QByteArray CertificateFingerprint(const QSslCertificate& certificate)
{
    return certificate.digest(QCryptographicHash::Sha256).toHex();
}

QString CertificateErrorReason(const QSslError& error)
{
    switch (error.error()) {
    case QSslError::SelfSignedCertificate:
    case QSslError::SelfSignedCertificateInChain:
        return QStringLiteral("自己署名の証明書です。");
    case QSslError::UnableToGetLocalIssuerCertificate:
    case QSslError::UnableToGetIssuerCertificate:
    case QSslError::UnableToVerifyFirstCertificate:
    case QSslError::CertificateUntrusted:
    case QSslError::CertificateRejected:
        return QStringLiteral("信頼できる認証局が発行した証明書ではありません。");
    case QSslError::CertificateExpired:
        return QStringLiteral("証明書の有効期限が切れています。");
    case QSslError::CertificateNotYetValid:
        return QStringLiteral("証明書の有効期間がまだ始まっていません。");
    case QSslError::HostNameMismatch:
        return QStringLiteral("証明書がこのサーバー名のものではありません。");
    case QSslError::CertificateRevoked:
        return QStringLiteral("証明書は失効しています。");
    case QSslError::NoPeerCertificate:
        return QStringLiteral("サーバーが証明書を示しませんでした。");
    case QSslError::CertificateSignatureFailed:
    case QSslError::UnableToDecodeIssuerPublicKey:
    case QSslError::UnableToDecryptCertificateSignature:
        return QStringLiteral("証明書の署名を確かめられませんでした。");
    case QSslError::InvalidNotBeforeField:
    case QSslError::InvalidNotAfterField:
    case QSslError::InvalidCaCertificate:
    case QSslError::InvalidPurpose:
    case QSslError::PathLengthExceeded:
        return QStringLiteral("証明書の内容が正しくありません。");
    default:
        return QStringLiteral("証明書を確かめられませんでした。");
    }
}
