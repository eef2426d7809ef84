#include "panel/certificate_question.h"

#include "mail/server_trust.h"

#include <QSslCertificate>
#include <QStringList>

namespace {
QString names(const QStringList& parts)
{
    return parts.isEmpty() ? QStringLiteral("（なし）") : parts.join(QStringLiteral(", "));
}

QString distinguishedName(const QSslCertificate& certificate, bool issuer)
{
    QStringList parts;
    for (const auto attribute : {QSslCertificate::CommonName, QSslCertificate::Organization,
                                 QSslCertificate::OrganizationalUnitName, QSslCertificate::CountryName}) {
        const QStringList values = issuer ? certificate.issuerInfo(attribute) : certificate.subjectInfo(attribute);
        for (const QString& value : values)
            parts.append(value);
    }
    return names(parts);
}

QString day(const QDateTime& moment)
{
    return moment.toLocalTime().toString(QStringLiteral("yyyy/MM/dd HH:mm"));
}

// "ab:cd:..." in upper case, as certificate viewers show it.
QString groupedFingerprint(const QByteArray& hex)
{
    QStringList pairs;
    for (qsizetype i = 0; i + 1 < hex.size(); i += 2)
        pairs.append(QString::fromLatin1(hex.mid(i, 2)).toUpper());
    return pairs.join(u':');
}
} // namespace

QString CertificateQuestion(const NMail::RefusedCertificate& refused)
{
    const QSslCertificate& c = refused.certificate;
    QStringList lines;
    lines << QStringLiteral("サーバー %1 の証明書を確認できませんでした。").arg(refused.address);
    if (refused.changed)
        lines << QStringLiteral("この証明書は、以前に信頼した証明書から変わっています。");
    for (const QString& reason : refused.reasons)
        lines << QStringLiteral("理由: %1").arg(reason);
    lines << QString();
    lines << QStringLiteral("発行先: %1").arg(distinguishedName(c, false));
    lines << QStringLiteral("発行者: %1").arg(distinguishedName(c, true));
    lines << QStringLiteral("有効期間: %1 ～ %2").arg(day(c.effectiveDate()), day(c.expiryDate()));
    lines << QStringLiteral("SHA-256: %1").arg(groupedFingerprint(CertificateFingerprint(c)));
    lines << QString();
    lines << QStringLiteral("この証明書を信頼して接続しますか？");
    return lines.join(u'\n');
}
