#include "core/form_timer.h"
#include "core/main_panel.h"
#include "support/test_program.h"

#include <QTest>

// The alert's sound commands on the main panel: start, end and the poll that
// loops the tune.
class AlertTest final : public QObject
{
    Q_OBJECT
private slots:
    void startAndEndSendTheirCommandsInOrder()
    {
        TestProgram t;
        MainForm* panel = t.program->mainForm();
        t.sound->commands.clear();
        panel->Timer1->setEnabled(false);
        panel->Command2_Click();
        QCOMPARE(t.program->AlertMode, qint16(1));
        const QByteArray tune = (t.folder.path() + "/Sound/Kouka.mid").toUtf8();
        QCOMPARE(t.sound->commands,
                 (QByteArrayList{"open \"" + tune + "\" alias bgm", "play bgm"}));
        QVERIFY(panel->Timer1->enabled());

        t.sound->result = 263;
        panel->Command3_Click();
        QCOMPARE(t.program->AlertMode, qint16(0));
        QCOMPARE(t.sound->commands.mid(2), (QByteArrayList{"stop bgm", "close bgm"}));
        QCOMPARE(t.program->MciResult, 263);
    }

    void pollRestartsTheTuneWhenItHasStopped()
    {
        TestProgram t;
        MainForm* panel = t.program->mainForm();
        t.sound->commands.clear();
        t.sound->mode = "playing";
        panel->Timer2_Timer();
        QCOMPARE(t.sound->commands, QByteArrayList{"status bgm mode"});

        t.sound->mode = "stopped   trailing words";
        panel->Timer2_Timer();
        QCOMPARE(t.sound->commands.last(), QByteArray("play bgm from 0"));
        QVERIFY(panel->Timer2->running());

        t.sound->commands.clear();
        t.sound->mode = "Stopped";
        panel->Timer2_Timer();
        QCOMPARE(t.sound->commands, QByteArrayList{"status bgm mode"});
    }

    void pollWithoutLoopStopsClosesAndDisablesItself()
    {
        TestProgram t;
        MainForm* panel = t.program->mainForm();
        panel->Check1->setChecked(false);
        t.sound->commands.clear();
        panel->Timer2_Timer();
        QCOMPARE(t.sound->commands, (QByteArrayList{"status bgm mode", "stop bgm", "close bgm"}));
        QVERIFY(!panel->Timer2->running());
    }

    void statusThatWritesNothingKeepsTheLastReply()
    {
        TestProgram t;
        MainForm* panel = t.program->mainForm();
        t.sound->mode = "playing";
        panel->Timer2_Timer();
        QCOMPARE(t.program->MciStatus, QByteArray("playing"));
        t.sound->mode.clear(); // a closed alias answers nothing
        panel->Timer2_Timer();
        QCOMPARE(t.program->MciStatus, QByteArray("playing"));
    }
};

QTEST_MAIN(AlertTest)
#include "alert_test.moc"
