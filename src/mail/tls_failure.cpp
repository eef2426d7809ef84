#include "mail/tls_failure.h"

#include <algorithm>

namespace {
QString certificateReason(QSslError::SslError error)
{
    switch (error) {
    case QSslError::SelfSignedCertificate:
        return QStringLiteral("自己署名の証明書で、信頼できる発行元がありません");
    case QSslError::SelfSignedCertificateInChain:
        return QStringLiteral("発行元をたどると信頼されていない自己署名の証明書に行き着きます");
    case QSslError::UnableToGetIssuerCertificate:
    case QSslError::UnableToGetLocalIssuerCertificate:
    case QSslError::UnableToVerifyFirstCertificate:
    case QSslError::CertificateUntrusted:
        return QStringLiteral("信頼できる認証局が発行した証明書ではありません");
    case QSslError::CertificateExpired:
        return QStringLiteral("証明書の有効期限が切れています");
    case QSslError::CertificateNotYetValid:
        return QStringLiteral("証明書の有効期間がまだ始まっていません");
    case QSslError::HostNameMismatch:
        return QStringLiteral("証明書がこのサーバー名のものではありません");
    case QSslError::CertificateRevoked:
        return QStringLiteral("証明書は失効しています");
    case QSslError::CertificateBlacklisted:
        return QStringLiteral("証明書は使用を禁止されています");
    case QSslError::InvalidPurpose:
        return QStringLiteral("証明書はサーバー用のものではありません");
    case QSslError::NoPeerCertificate:
        return QStringLiteral("サーバーが証明書を示しませんでした");
    default:
        return QStringLiteral("証明書が正しくありません");
    }
}

bool mentions(const QString& text, std::initializer_list<const char*> phrases)
{
    return std::any_of(phrases.begin(), phrases.end(), [&](const char* phrase) {
        return text.contains(QLatin1String(phrase), Qt::CaseInsensitive);
    });
}
} // namespace

bool IsTrustAnchorError(const QSslError& error)
{
    switch (error.error()) {
    case QSslError::SelfSignedCertificate:
    case QSslError::SelfSignedCertificateInChain:
    case QSslError::UnableToGetIssuerCertificate:
    case QSslError::UnableToGetLocalIssuerCertificate:
    case QSslError::UnableToVerifyFirstCertificate:
    case QSslError::CertificateUntrusted:
        return true;
    default:
        return false;
    }
}

QString CertificateErrorReason(const QSslError& error)
{
    return certificateReason(error.error()) + QStringLiteral("。");
}

QString CertificateRefusalText(const QString& where, const QList<QSslError>& errors)
{
    const auto decisive = std::find_if_not(errors.begin(), errors.end(), IsTrustAnchorError);
    const QSslError::SslError error = decisive != errors.end() ? decisive->error()
                                      : errors.isEmpty()       ? QSslError::UnspecifiedError
                                                               : errors.first().error();
    return QStringLiteral("%1 のサーバー証明書を確認できませんでした（%2）。")
        .arg(where, certificateReason(error));
}

QString HandshakeFailureText(const QString& where, const QString& backendMessage)
{
    QString reason;
    // OpenSSL's reasons for the common cases: plain POP3 (or anything else
    // that is not TLS) on the port, no TLS version both sides speak, nothing
    // else in common (ciphers, key sizes).
    if (mentions(backendMessage,
                 {"wrong version number", "packet length too long", "http request", "record layer failure"}))
        reason = QStringLiteral("サーバーが暗号化通信（TLS）で応答しませんでした");
    else if (mentions(backendMessage, {"unsupported protocol", "protocol version", "no protocols available"}))
        reason = QStringLiteral("サーバーと共通の TLS のバージョンがありません");
    else if (mentions(backendMessage, {"handshake failure", "no shared cipher", "no cipher", "too small",
                                       "insufficient security"}))
        reason = QStringLiteral("サーバーと共通の暗号方式がありません");
    else
        reason = QStringLiteral("暗号化の手順の途中でサーバーとのやり取りが失敗しました");
    return QStringLiteral("%1 との暗号化通信を確立できませんでした（%2）。").arg(where, reason);
}
