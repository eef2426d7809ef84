#include "platform/mci_command.h"

#include <QTest>

Q_DECLARE_METATYPE(MciCommand::Verb)

class MciCommandTest final : public QObject
{
    Q_OBJECT
private slots:
    void validCommands_data()
    {
        using V = MciCommand::Verb;
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<MciCommand::Verb>("verb");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("element");
        QTest::addColumn<qint64>("from"); // -1: none
        QTest::addColumn<QByteArray>("item");

        QTest::newRow("open with blanks in the path")
            << QByteArray("open \"C:\\Program Files\\Pawmelo\\Sound\\Kouka.mid\" alias bgm") << V::Open
            << QByteArray("bgm") << QByteArray("C:\\Program Files\\Pawmelo\\Sound\\Kouka.mid") << qint64(-1)
            << QByteArray();
        // ソ is 0x83 0x5C in CP932: its second byte is a backslash.
        QTest::newRow("open with a CP932 path")
            << QByteArray("open \"C:\\\x83\x5C\x83\x74\x83\x67\\Kouka.mid\" alias bgm") << V::Open
            << QByteArray("bgm") << QByteArray("C:\\\x83\x5C\x83\x74\x83\x67\\Kouka.mid") << qint64(-1)
            << QByteArray();
        QTest::newRow("keywords in capitals, alias case kept")
            << QByteArray("OPEN \"x.mid\" ALIAS BgM") << V::Open << QByteArray("BgM") << QByteArray("x.mid")
            << qint64(-1) << QByteArray();
        QTest::newRow("unquoted path")
            << QByteArray("open /tmp/x.mid alias bgm") << V::Open << QByteArray("bgm")
            << QByteArray("/tmp/x.mid") << qint64(-1) << QByteArray();
        QTest::newRow("no alias: the element names the device")
            << QByteArray("open \"x y.mid\"") << V::Open << QByteArray("x y.mid") << QByteArray("x y.mid")
            << qint64(-1) << QByteArray();
        QTest::newRow("quoted alias")
            << QByteArray("open \"a.mid\" alias \"my tune\"") << V::Open << QByteArray("my tune")
            << QByteArray("a.mid") << qint64(-1) << QByteArray();
        QTest::newRow("a quoted keyword is a value")
            << QByteArray("open \"alias\" alias x") << V::Open << QByteArray("x") << QByteArray("alias")
            << qint64(-1) << QByteArray();
        QTest::newRow("blanks and tabs around words")
            << QByteArray("  \tplay \t bgm  ") << V::Play << QByteArray("bgm") << QByteArray() << qint64(-1)
            << QByteArray();
        QTest::newRow("play from 0") << QByteArray("play bgm from 0") << V::Play << QByteArray("bgm")
                                     << QByteArray() << qint64(0) << QByteArray();
        QTest::newRow("play FROM 1200") << QByteArray("Play Bgm FROM 1200") << V::Play << QByteArray("Bgm")
                                        << QByteArray() << qint64(1200) << QByteArray();
        QTest::newRow("status") << QByteArray("status bgm mode") << V::Status << QByteArray("bgm")
                                << QByteArray() << qint64(-1) << QByteArray("mode");
        QTest::newRow("stop") << QByteArray("stop bgm") << V::Stop << QByteArray("bgm") << QByteArray()
                              << qint64(-1) << QByteArray();
        QTest::newRow("close") << QByteArray("close BGM") << V::Close << QByteArray("BGM") << QByteArray()
                               << qint64(-1) << QByteArray();
    }
    void validCommands()
    {
        QFETCH(QByteArray, text);
        MciCommand command;
        QCOMPARE(MciCommand::parse(text, &command), 0);
        QTEST(command.verb, "verb");
        QTEST(command.name, "name");
        QTEST(command.element, "element");
        QTEST(command.from.value_or(-1), "from");
        QTEST(command.statusItem, "item");
    }

    void malformedCommands_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("code");
        QTest::newRow("empty") << QByteArray() << MciError::MissingCommandString;
        QTest::newRow("blanks only") << QByteArray(" \t ") << MciError::MissingCommandString;
        QTest::newRow("unknown command") << QByteArray("pause bgm") << MciError::UnrecognizedCommand;
        QTest::newRow("quoted command word") << QByteArray("\"play\" bgm") << MciError::UnrecognizedCommand;
        QTest::newRow("no device") << QByteArray("stop") << MciError::MissingDeviceName;
        QTest::newRow("empty quoted path")
            << QByteArray("open \"\" alias bgm") << MciError::MissingDeviceName;
        QTest::newRow("no closing quote") << QByteArray("open \"x.mid alias bgm") << MciError::NoClosingQuote;
        QTest::newRow("alias without name")
            << QByteArray("open \"x.mid\" alias") << MciError::MissingParameter;
        QTest::newRow("two aliases") << QByteArray("open x alias a alias b") << MciError::DuplicateFlags;
        QTest::newRow("open keyword unknown")
            << QByteArray("open x type sequencer alias bgm") << MciError::UnrecognizedKeyword;
        QTest::newRow("from without position") << QByteArray("play bgm from") << MciError::MissingParameter;
        QTest::newRow("from a word") << QByteArray("play bgm from start") << MciError::BadInteger;
        QTest::newRow("from negative") << QByteArray("play bgm from -1") << MciError::BadInteger;
        QTest::newRow("from overflowing")
            << QByteArray("play bgm from 99999999999999999999") << MciError::BadInteger;
        QTest::newRow("play to") << QByteArray("play bgm to 5") << MciError::UnrecognizedKeyword;
        QTest::newRow("status without item") << QByteArray("status bgm") << MciError::MissingParameter;
        QTest::newRow("status two items")
            << QByteArray("status bgm mode length") << MciError::UnrecognizedKeyword;
        QTest::newRow("stop with extra word") << QByteArray("stop bgm now") << MciError::UnrecognizedKeyword;
    }
    void malformedCommands()
    {
        QFETCH(QByteArray, text);
        MciCommand command;
        QTEST(MciCommand::parse(text, &command), "code");
    }
};

QTEST_GUILESS_MAIN(MciCommandTest)
#include "mci_command_test.moc"
