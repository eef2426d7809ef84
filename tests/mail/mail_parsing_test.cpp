// The pieces of the mail library that work on bytes alone: the line reader,
// the server address, the header and server-text decoding, and the texts for
// refused certificates.
#include "base/ansi.h"
#include "mail/mail_headers.h"
#include "mail/pop3_address.h"
#include "mail/pop3_line_reader.h"
#include "mail/tls_failure.h"

#include <QTest>

using Result = Pop3LineReader::Result;

class MailParsingTest final : public QObject
{
    Q_OBJECT
private slots:
    // A multi-line reply fed one byte at a time must come out the same as
    // fed whole: the terminator and doubled dots may be split anywhere.
    void dataLinesSurviveAnySplit()
    {
        const QByteArray wire = "Subject: x\r\n\r\n..two\r\n...\r\n..\r\n.\r\nnext\r\n";
        for (int chunk : {1, 2, 3, 1000}) {
            Pop3LineReader reader;
            QList<QByteArray> lines;
            bool ended = false;
            QByteArrayView line;
            qsizetype at = 0;
            for (; at < wire.size() && !ended; at += chunk) {
                reader.append(QByteArrayView(wire).sliced(at, std::min<qsizetype>(chunk, wire.size() - at)));
                for (Result r; !ended && (r = reader.takeDataLine(line)) != Result::NeedMore;) {
                    QVERIFY(r == Result::Line || r == Result::EndOfData);
                    ended = r == Result::EndOfData;
                    if (!ended)
                        lines.append(line.toByteArray());
                }
            }
            QVERIFY(ended);
            QCOMPARE(lines, (QList<QByteArray>{"Subject: x", "", ".two", "..", "."}));
            // What follows the terminator is the next reply, untouched.
            reader.append(QByteArrayView(wire).sliced(std::min<qsizetype>(at, wire.size())));
            QCOMPARE(reader.takeLine(line), Result::Line);
            QCOMPARE(line.toByteArray(), QByteArray("next"));
        }
    }

    void statusLinesKeepDotsAndInnerCr()
    {
        Pop3LineReader reader;
        reader.append(".+OK\r\na\rb\nlast");
        QByteArrayView line;
        QCOMPARE(reader.takeLine(line), Result::Line);
        QCOMPARE(line.toByteArray(), QByteArray(".+OK"));
        QCOMPARE(reader.takeLine(line), Result::Line);
        QCOMPARE(line.toByteArray(), QByteArray("a\rb"));
        QCOMPARE(reader.takeLine(line), Result::NeedMore);
    }

    void refusesLongLinesAndNulBytes()
    {
        Pop3LineReader reader(8);
        reader.append("12345678\r\n");
        QByteArrayView line;
        QCOMPARE(reader.takeLine(line), Result::Line);
        reader.append("123456789");
        QCOMPARE(reader.takeLine(line), Result::NeedMore); // a CR LF may still follow
        reader.append("0");
        QCOMPARE(reader.takeLine(line), Result::TooLong);

        Pop3LineReader endless(16);
        for (int i = 0; i < 4; ++i)
            endless.append("xxxxxxxx");
        QCOMPARE(endless.takeLine(line), Result::TooLong);

        Pop3LineReader nul;
        nul.append(QByteArray("+OK a\0b\r\n", 9));
        QCOMPARE(nul.takeLine(line), Result::NulByte);
    }

    void addresses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("tls");
        QTest::newRow("host") << " mail.example.jp " << true << "mail.example.jp" << 110 << false;
        QTest::newRow("host:port") << "mail.example.jp:1110" << true << "mail.example.jp" << 1110 << false;
        QTest::newRow("port 995") << "mail.example.jp:995" << true << "mail.example.jp" << 995 << true;
        QTest::newRow("pop3 url") << "POP3://127.0.0.1:31110/" << true << "127.0.0.1" << 31110 << false;
        QTest::newRow("pop3s url") << "pop3s://mail.example.jp" << true << "mail.example.jp" << 995 << true;
        QTest::newRow("pop3s other port") << "pop3s://h:31995" << true << "h" << 31995 << true;
        QTest::newRow("ipv6") << "[::1]:110" << true << "::1" << 110 << false;
        QTest::newRow("empty") << "" << false << "" << 0 << false;
        QTest::newRow("port 0") << "h:0" << false << "" << 0 << false;
        QTest::newRow("port too big") << "h:65536" << false << "" << 0 << false;
        QTest::newRow("no port digits") << "h:" << false << "" << 0 << false;
        QTest::newRow("other scheme") << "imap://h" << false << "" << 0 << false;
    }
    void addresses()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        const std::optional<Pop3Address> address = ParsePop3Address(text);
        QCOMPARE(address.has_value(), valid);
        if (!valid)
            return;
        QFETCH(QString, host);
        QFETCH(int, port);
        QFETCH(bool, tls);
        QCOMPARE(address->host, host);
        QCOMPARE(int(address->port), port);
        QCOMPARE(address->implicitTls, tls);
    }

    void encodedWords_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QString>("text");
        QTest::newRow("iso-2022-jp B")
            << QByteArray("=?ISO-2022-JP?B?GyRCJDMkcyRLJEEkTxsoQg==?=") << "こんにちは";
        QTest::newRow("utf-8 Q with address")
            << QByteArray("=?utf-8?q?=E5=B1=B1=E7=94=B0_=E5=A4=AA?= <t@example.jp>")
            << "山田 太 <t@example.jp>";
        QTest::newRow("words joined, character split across them")
            << QByteArray("=?UTF-8?B?5Lu25ZCN44OG44K544OI4g==?=\r\n =?UTF-8?B?kaA=?=") << "件名テスト①";
        QTest::newRow("text between words kept")
            << QByteArray("=?UTF-8?Q?a?= and =?UTF-8?Q?b?=") << "a and b";
        QTest::newRow("shift_jis means cp932") << QByteArray("=?Shift_JIS?B?h0CBYA==?=") << "①～";
        QTest::newRow("latin-1") << QByteArray("=?ISO-8859-1?Q?Caf=E9?=") << "Café";
        QTest::newRow("unknown charset kept as written")
            << QByteArray("=?x-nope?Q?abc?=") << "=?x-nope?Q?abc?=";
        QTest::newRow("not a word") << QByteArray("50% =? off") << "50% =? off";
        QTest::newRow("raw utf-8") << QByteArray("日本") << "日本";
        QTest::newRow("raw cp932") << ToAnsi(u"日本") << "日本";
        QTest::newRow("raw jis") << QByteArray("\x1b$BF|K\\\x1b(B") << "日本";
        QTest::newRow("control characters") << QByteArray("=?UTF-8?Q?a=00b=0D=0Ac?=") << "a b  c";
    }
    void encodedWords()
    {
        QFETCH(QByteArray, raw);
        QFETCH(QString, text);
        QCOMPARE(DecodeHeaderText(raw), text);
    }

    // A server's own words carry no charset: UTF-8 when they are valid
    // UTF-8, else CP932, and nothing in them can break the user's line.
    void serverWords_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("text");
        QTest::newRow("ascii") << QByteArray("-ERR [AUTH] Authentication failed.")
                               << "-ERR [AUTH] Authentication failed.";
        QTest::newRow("utf-8") << QStringLiteral("-ERR パスワードが違います").toUtf8()
                               << "-ERR パスワードが違います";
        QTest::newRow("cp932") << ToAnsi(u"-ERR パスワードが違います") << "-ERR パスワードが違います";
        // Half-width katakana are single bytes that UTF-8 never allows alone.
        QTest::newRow("cp932 half-width") << QByteArray("-ERR \xb4\xd7\xb0") << "-ERR ｴﾗｰ";
        QTest::newRow("iso-2022-jp") << QByteArray("-ERR \x1b$BF|K\\\x1b(B") << "-ERR 日本";
        QTest::newRow("controls, blanks kept") << QByteArray("-ERR a\tb\x07"
                                                             "c ")
                                               << "-ERR a b c ";
    }
    void serverWords()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, text);
        QCOMPARE(DecodeServerText(line), text);
    }

    // A fault of the certificate itself is what the user must hear about,
    // whatever else the list holds; a missing trust anchor alone is named as such.
    void certificateTextNamesTheDecisiveFault()
    {
        const QString where = QStringLiteral("mail.example.jp:995");
        const QSslError selfSigned(QSslError::SelfSignedCertificate);
        const QSslError expired(QSslError::CertificateExpired);
        const QSslError misnamed(QSslError::HostNameMismatch);
        QCOMPARE(
            CertificateRefusalText(where, {selfSigned, expired, misnamed}),
            u"mail.example.jp:995 のサーバー証明書を確認できませんでした（証明書の有効期限が切れています）。"_qs);
        QCOMPARE(
            CertificateRefusalText(where, {QSslError(QSslError::UnableToGetLocalIssuerCertificate)}),
            u"mail.example.jp:995 のサーバー証明書を確認できませんでした（信頼できる認証局が発行した証明書ではありません）。"_qs);
        QCOMPARE(
            CertificateRefusalText(where, {QSslError(QSslError::PathLengthExceeded)}),
            u"mail.example.jp:995 のサーバー証明書を確認できませんでした（証明書が正しくありません）。"_qs);
        QVERIFY(IsTrustAnchorError(selfSigned) && !IsTrustAnchorError(expired) &&
                !IsTrustAnchorError(misnamed));
    }

    void collectorUnfoldsAndKeepsFirstFields()
    {
        MailHeaderCollector collector;
        for (const char* line :
             {"Received: x", "subject: =?ISO-2022-JP?B?GyRCRnxLXDhsJE43b0w+GyhC?=", " more",
              "From: a@example.jp", "From: second@example.jp", "DATE:  Tue, 1 Dec 2026", "Message-Id: <id@x>",
              "", "Subject: body text, not a header"})
            collector.addLine(line);
        QVERIFY(collector.headerEnded());
        const MailHeaders headers = collector.headers();
        QCOMPARE(headers.subject, QStringLiteral("日本語の件名 more"));
        QCOMPARE(headers.from, QStringLiteral("a@example.jp"));
        QCOMPARE(headers.date, QStringLiteral("Tue, 1 Dec 2026"));
        QCOMPARE(headers.messageId, QStringLiteral("<id@x>"));
    }

    void ansiTextMarksWhatCp932Lacks()
    {
        QCOMPARE(HeaderTextToAnsi(u"件名①"_qs), ToAnsi(u"件名①"));
        QCOMPARE(HeaderTextToAnsi(u"a😀b€"_qs), QByteArray("a?b?"));
    }
};

QTEST_GUILESS_MAIN(MailParsingTest)
#include "mail_parsing_test.moc"
