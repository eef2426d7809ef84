#include "panel/general_date.h"

#include <QTest>

class GeneralDateTest final : public QObject
{
    Q_OBJECT
private slots:
    void shortDateAndLongTimeWithoutTheZone()
    {
        const QDateTime moment(QDate(2024, 5, 1), QTime(7, 8, 9));
        QCOMPARE(GeneralDate(moment, QLocale(QLocale::Japanese, QLocale::Japan)),
                 QStringLiteral("2024/05/01 7時08分09秒"));
        QCOMPARE(GeneralDate(moment, QLocale(QLocale::English, QLocale::UnitedStates)),
                 QStringLiteral("5/1/24 7:08:09 AM"));
        QCOMPARE(GeneralDate(moment, QLocale(QLocale::German, QLocale::Germany)),
                 QStringLiteral("01.05.24 07:08:09"));
        QCOMPARE(GeneralDate(moment.toUTC(), QLocale::c()), GeneralDate(moment, QLocale::c()));
    }
};

QTEST_GUILESS_MAIN(GeneralDateTest)
#include "general_date_test.moc"
