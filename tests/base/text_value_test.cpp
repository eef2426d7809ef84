#include "base/ansi.h"
#include "base/text_value.h"

#include <QTest>
#include <clocale>

class TextValueTest final : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // Run once more under a German locale (decimal comma) by CTest: make
        // sure that locale is really in force, or the run proves nothing.
        if (qEnvironmentVariable("LC_ALL").startsWith(QStringLiteral("de_DE")))
            QCOMPARE(std::localeconv()->decimal_point, ",");
    }

    void valueOfText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("whole") << "15" << 15.0;
        QTest::newRow("fraction") << "1.5" << 1.5;
        QTest::newRow("leading blanks") << "  \t7" << 7.0;
        QTest::newRow("trailing words") << "20 minutes" << 20.0;
        QTest::newRow("design text") << "Text1" << 0.0;
        QTest::newRow("lone minus") << "-" << 0.0;
        QTest::newRow("negative") << "-3" << -3.0;
        QTest::newRow("plus") << "+4" << 4.0;
        QTest::newRow("point first") << ".5" << 0.5;
        QTest::newRow("second point stops") << "1.2.3" << 1.2;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("sign then blank") << "- 3" << 0.0;
        QTest::newRow("full-width digits are not digits") << "１５" << 0.0;
    }
    void valueOfText()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(ValueOfText(text), value);
    }

    void roundHalfEven()
    {
        QCOMPARE(RoundHalfEven(2.5), 2);
        QCOMPARE(RoundHalfEven(3.5), 4);
        QCOMPARE(RoundHalfEven(-2.5), -2);
        QCOMPARE(RoundHalfEven(2.4999), 2);
        QCOMPARE(RoundHalfEven(std::nan("")), 0);
        QCOMPARE(RoundHalfEven(1e300), std::numeric_limits<qint64>::max());
        QCOMPARE(RoundHalfEvenToInt16(40000.0), qint16(32767));
        QCOMPARE(RoundHalfEvenToInt16(-1e9), qint16(-32768));
        QCOMPARE(RoundHalfEvenToInt16(32767.5), qint16(32767));
    }

    void trimAtNul()
    {
        QCOMPARE(TrimAtNul(QByteArray("abc\0def", 7)), QByteArray("abc"));
        QCOMPARE(TrimAtNul(QByteArray("abc")), QByteArray("abc"));
        QCOMPARE(TrimAtNul(QString::fromUtf16(u"x\0y", 3)), QString("x"));
        QCOMPARE(TrimAtNul(QString()), QString());
    }

    void ansiRoundTrip()
    {
        const QString text = QStringLiteral("新着メールが有ります ★MailData ～－①ⅰ＼");
        const QByteArray bytes = ToAnsi(text);
        QCOMPARE(bytes.left(4), QByteArray("\x90\x56\x92\x85"));
        QCOMPARE(FromAnsi(bytes), text);
        QCOMPARE(ToAnsi(u"\\"), QByteArray("\\")); // 0x5C stays a backslash
    }

    void ansiPrefixNeverSplitsACharacter()
    {
        const QByteArray bytes = ToAnsi(u"aあい"); // 1 + 2 + 2 bytes
        QCOMPARE(AnsiPrefixLength(bytes, 5), 5);
        QCOMPARE(AnsiPrefixLength(bytes, 4), 3);
        QCOMPARE(AnsiPrefixLength(bytes, 2), 1);
        QCOMPARE(AnsiPrefixLength(bytes, 0), 0);
        // A lone lead byte at the end counts as one byte.
        QCOMPARE(AnsiPrefixLength(QByteArray("a\x82"), 2), 2);
    }
};

QTEST_GUILESS_MAIN(TextValueTest)
#include "text_value_test.moc"
