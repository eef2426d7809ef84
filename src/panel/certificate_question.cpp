#include "panel/certificate_question.h"

#include "mail/server_trust.h"

#include <QSslCertificate>
#include <QStringList>

namespace {
// A certificate's names are the server's words, not ours: one value and one
// whole field are cut at these lengths.
constexpr qsizetype kMaxValueLength = 64;
constexpr qsizetype kMaxFieldLength = 200;

// Characters that would break the question's lines or hide what stands
// there: controls, line and paragraph separators, format characters (the
// direction overrides among them), lone surrogates.
bool isHidden(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

// `text` for one line of the question: hidden characters written out as
// "[U+XXXX]" (a backslash would show as a yen sign in Japanese fonts),
// then cut at `limit` characters (never inside a pair).
QString oneLine(const QString& text, qsizetype limit)
{
    QString out;
    for (qsizetype i = 0; i < text.size();) {
        const bool pair = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const char32_t c = pair ? QChar::surrogateToUcs4(text[i], text[i + 1]) : text[i].unicode();
        const qsizetype width = pair ? 2 : 1;
        if (isHidden(c))
            out +=
                QStringLiteral("[U+%1]").arg(QString::number(uint(c), 16).toUpper().rightJustified(4, u'0'));
        else
            out += QStringView(text).sliced(i, width);
        i += width;
    }
    if (out.size() > limit) {
        qsizetype cut = limit;
        if (out[cut - 1].isHighSurrogate())
            --cut;
        out = out.first(cut) + QStringLiteral("…");
    }
    return out;
}

QString distinguishedName(const QSslCertificate& certificate, bool issuer)
{
    static const std::pair<QSslCertificate::SubjectInfo, const char*> kAttributes[] = {
        {QSslCertificate::CommonName, "CN"},
        {QSslCertificate::Organization, "O"},
        {QSslCertificate::OrganizationalUnitName, "OU"},
        {QSslCertificate::CountryName, "C"},
    };
    QStringList parts;
    for (const auto& [attribute, label] : kAttributes) {
        const QStringList values =
            issuer ? certificate.issuerInfo(attribute) : certificate.subjectInfo(attribute);
        for (const QString& value : values)
            parts.append(QLatin1String(label) + u'=' + oneLine(value, kMaxValueLength));
    }
    return parts.isEmpty() ? QStringLiteral("（なし）")
                           : oneLine(parts.join(QStringLiteral(", ")), kMaxFieldLength);
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
    const QString address = oneLine(refused.address, kMaxFieldLength);
    QStringList lines;
    if (refused.verifiedBefore) {
        lines << QStringLiteral(
                     "警告: サーバー %1 の証明書は、以前は確認できましたが、今回は確認できません。")
                     .arg(address);
        lines << QStringLiteral(
            "何者かが接続を横取りしているおそれがあります。心当たりがなければ「いいえ」を選んでください。");
    } else {
        lines << QStringLiteral("サーバー %1 の証明書を確認できませんでした。").arg(address);
    }
    if (refused.changed)
        lines << QStringLiteral("この証明書は、以前に信頼した証明書から変わっています。");
    for (const QString& reason : refused.reasons)
        lines << QStringLiteral("理由: %1").arg(reason);
    lines << QString();
    lines << QStringLiteral("証明書に書かれている内容:");
    lines << QStringLiteral("発行先: %1").arg(distinguishedName(c, false));
    lines << QStringLiteral("発行者: %1").arg(distinguishedName(c, true));
    lines << QStringLiteral("有効期間: %1 ～ %2").arg(day(c.effectiveDate()), day(c.expiryDate()));
    lines << QStringLiteral("SHA-256: %1").arg(groupedFingerprint(CertificateFingerprint(c)));
    lines << QString();
    lines << QStringLiteral("この証明書を信頼して接続しますか？");
    return lines.join(u'\n');
}

QString ClearLoginQuestion(const QString& address, bool apop)
{
    QStringList lines;
    lines << QStringLiteral("サーバー %1 は暗号化（STLS）を申し出ていません。")
                 .arg(oneLine(address, kMaxFieldLength));
    lines << QStringLiteral("このまま接続すると、パスワードが暗号化されずに送られ、途中の経路で誰にでも読まれ"
                            "るおそれがあります。");
    if (apop)
        lines << QStringLiteral("APOP でも、送られる値からパスワードを割り出されるおそれがあります。");
    lines << QStringLiteral(
        "暗号化して接続するには、サーバーを「pop3s://サーバー名」と書くか、ポート 995 を指定してください"
        "（サーバーが対応している場合）。");
    lines << QString();
    lines << QStringLiteral("暗号化せずにパスワードを送ってよいですか？");
    return lines.join(u'\n');
}
