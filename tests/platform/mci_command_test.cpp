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
        QTest::addColumn<QString>("text");
        QTest::addColumn<MciCommand::Verb>("verb");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("element");
        QTest::addColumn<qint64>("from"); // -1: none
        QTest::addColumn<QString>("item");

        QTest::newRow("open with blanks in the path")
            << QString("open \"C:\\Program Files\\Pawmelo\\Sound\\Kouka.mid\" alias bgm") << V::Open
            << QString("bgm") << QString("C:\\Program Files\\Pawmelo\\Sound\\Kouka.mid") << qint64(-1)
            << QString();
        // Folder names in any script come through whole: a Japanese one, and
        // ones the settings files' code page cannot hold.
        QTest::newRow("open with a Japanese path")
            << QString("open \"C:\\ソフト\\Kouka.mid\" alias bgm") << V::Open << QString("bgm")
            << QString("C:\\ソフト\\Kouka.mid") << qint64(-1) << QString();
        QTest::newRow("open with a path outside the code page")
            << QString("open \"/home/Müller/사용자/Kouka.mid\" alias bgm") << V::Open << QString("bgm")
            << QString("/home/Müller/사용자/Kouka.mid") << qint64(-1) << QString();
        QTest::newRow("emoji alias") << QString("open x.mid alias 🎵") << V::Open << QString("🎵")
                                     << QString("x.mid") << qint64(-1) << QString();
        QTest::newRow("keywords in capitals, alias case kept")
            << QString("OPEN \"x.mid\" ALIAS BgM") << V::Open << QString("BgM") << QString("x.mid")
            << qint64(-1) << QString();
        QTest::newRow("unquoted path") << QString("open /tmp/x.mid alias bgm") << V::Open << QString("bgm")
                                       << QString("/tmp/x.mid") << qint64(-1) << QString();
        QTest::newRow("no alias: the element names the device")
            << QString("open \"x y.mid\"") << V::Open << QString("x y.mid") << QString("x y.mid")
            << qint64(-1) << QString();
        QTest::newRow("quoted alias") << QString("open \"a.mid\" alias \"my tune\"") << V::Open
                                      << QString("my tune") << QString("a.mid") << qint64(-1) << QString();
        QTest::newRow("a quoted keyword is a value")
            << QString("open \"alias\" alias x") << V::Open << QString("x") << QString("alias") << qint64(-1)
            << QString();
        QTest::newRow("blanks and tabs around words")
            << QString("  \tplay \t bgm  ") << V::Play << QString("bgm") << QString() << qint64(-1)
            << QString();
        QTest::newRow("play from 0") << QString("play bgm from 0") << V::Play << QString("bgm") << QString()
                                     << qint64(0) << QString();
        QTest::newRow("play FROM 1200") << QString("Play Bgm FROM 1200") << V::Play << QString("Bgm")
                                        << QString() << qint64(1200) << QString();
        QTest::newRow("status") << QString("status bgm mode") << V::Status << QString("bgm") << QString()
                                << qint64(-1) << QString("mode");
        QTest::newRow("stop") << QString("stop bgm") << V::Stop << QString("bgm") << QString() << qint64(-1)
                              << QString();
        QTest::newRow("close") << QString("close BGM") << V::Close << QString("BGM") << QString()
                               << qint64(-1) << QString();
    }
    void validCommands()
    {
        QFETCH(QString, text);
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
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("code");
        QTest::newRow("empty") << QString() << MciError::MissingCommandString;
        QTest::newRow("blanks only") << QString(" \t ") << MciError::MissingCommandString;
        QTest::newRow("unknown command") << QString("pause bgm") << MciError::UnrecognizedCommand;
        QTest::newRow("quoted command word") << QString("\"play\" bgm") << MciError::UnrecognizedCommand;
        QTest::newRow("no device") << QString("stop") << MciError::MissingDeviceName;
        QTest::newRow("empty quoted path") << QString("open \"\" alias bgm") << MciError::MissingDeviceName;
        QTest::newRow("no closing quote") << QString("open \"x.mid alias bgm") << MciError::NoClosingQuote;
        QTest::newRow("alias without name") << QString("open \"x.mid\" alias") << MciError::MissingParameter;
        QTest::newRow("two aliases") << QString("open x alias a alias b") << MciError::DuplicateFlags;
        QTest::newRow("open keyword unknown")
            << QString("open x type sequencer alias bgm") << MciError::UnrecognizedKeyword;
        QTest::newRow("from without position") << QString("play bgm from") << MciError::MissingParameter;
        QTest::newRow("from a word") << QString("play bgm from start") << MciError::BadInteger;
        QTest::newRow("from full-width digits") << QString("play bgm from １２") << MciError::BadInteger;
        QTest::newRow("from negative") << QString("play bgm from -1") << MciError::BadInteger;
        QTest::newRow("from overflowing")
            << QString("play bgm from 99999999999999999999") << MciError::BadInteger;
        QTest::newRow("play to") << QString("play bgm to 5") << MciError::UnrecognizedKeyword;
        QTest::newRow("status without item") << QString("status bgm") << MciError::MissingParameter;
        QTest::newRow("status two items")
            << QString("status bgm mode length") << MciError::UnrecognizedKeyword;
        QTest::newRow("stop with extra word") << QString("stop bgm now") << MciError::UnrecognizedKeyword;
    }
    void malformedCommands()
    {
        QFETCH(QString, text);
        MciCommand command;
        QTEST(MciCommand::parse(text, &command), "code");
    }
};

QTEST_GUILESS_MAIN(MciCommandTest)
#include "mci_command_test.moc"
