#include "mail/tls_failure.h"

#include <QRegularExpression>
#include <QSslKey>
#include <algorithm>

namespace {
// The smallest keys the TLS library takes at its default security level
// (112 bits of strength, as Debian sets it); only used to name a refusal
// that the library itself made.
constexpr int kMinRsaBits = 2048;
constexpr int kMinEcBits = 224;

// What makes a certificate too weak for the TLS library, said from the
// certificate itself, or empty: the library reports such a refusal without
// a code Qt could name.
QString weakness(const QSslCertificate& certificate)
{
    if (certificate.isNull())
        return {};
    const QSslKey key = certificate.publicKey();
    const int bits = key.length();
    const bool shortKey = key.algorithm() == QSsl::Ec ? bits < kMinEcBits : bits < kMinRsaBits;
    if (!key.isNull() && bits > 0 && key.algorithm() != QSsl::Opaque && shortKey) {
        const QString name = key.algorithm() == QSsl::Ec    ? QStringLiteral("EC")
                             : key.algorithm() == QSsl::Dsa ? QStringLiteral("DSA")
                                                            : QStringLiteral("RSA");
        return QStringLiteral("証明書の鍵が短すぎます（%1 %2 ビット）").arg(name).arg(bits);
    }
    static const QRegularExpression signature(QStringLiteral("Signature Algorithm: *(\\S+)"));
    const QString algorithm = signature.match(certificate.toText()).captured(1);
    if (algorithm.contains(QLatin1String("md5"), Qt::CaseInsensitive) ||
        algorithm.contains(QLatin1String("sha1"), Qt::CaseInsensitive))
        return QStringLiteral("証明書の署名の方式が弱すぎます（%1）").arg(algorithm);
    return {};
}

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

QString errorReason(const QSslError& error)
{
    if (error.error() == QSslError::UnspecifiedError) {
        const QString weak = weakness(error.certificate());
        if (!weak.isEmpty())
            return weak;
    }
    return certificateReason(error.error());
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

bool IsWaivableError(const QSslError& error)
{
    // Qt has a name for every fault of the chain, the name or the dates; what
    // it cannot name is the TLS library's own refusal, among them a key or a
    // signature too weak for its security level. No pin lowers that level.
    return error.error() != QSslError::UnspecifiedError;
}

QString CertificateErrorReason(const QSslError& error)
{
    return errorReason(error) + QStringLiteral("。");
}

QString CertificateRefusalText(const QString& where, const QList<QSslError>& errors)
{
    const auto unwaivable = std::find_if_not(errors.begin(), errors.end(), IsWaivableError);
    if (unwaivable != errors.end())
        return QStringLiteral(
                   "%1 のサーバー証明書を使えません（%2）。この証明書は信頼すると答えても使えません。")
            .arg(where, errorReason(*unwaivable));
    const auto decisive = std::find_if_not(errors.begin(), errors.end(), IsTrustAnchorError);
    const QSslError error = decisive != errors.end() ? *decisive
                            : errors.isEmpty()       ? QSslError(QSslError::UnspecifiedError)
                                                     : errors.first();
    return QStringLiteral("%1 のサーバー証明書を確認できませんでした（%2）。").arg(where, errorReason(error));
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
