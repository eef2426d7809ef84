#include "forms/form_timer.h"
#include "forms/program_folder.h"
#include "panel/main_panel.h"
#include "platform/fluidsynth_sound_device.h"
#include "support/test_program.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <algorithm>
#include <cstdlib>

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
        const QString tune = t.folder.path() + "/Sound/Kouka.mid";
        QCOMPARE(t.sound->commands, (QStringList{"open \"" + tune + "\" alias bgm", "play bgm"}));
        QVERIFY(panel->Timer1->enabled());

        t.sound->result = 263;
        panel->Command3_Click();
        QCOMPARE(t.program->AlertMode, qint16(0));
        QCOMPARE(t.sound->commands.mid(2), (QStringList{"stop bgm", "close bgm"}));
        QCOMPARE(t.program->MciResult, 263);
    }

    void pollRestartsTheTuneWhenItHasStopped()
    {
        TestProgram t;
        MainForm* panel = t.program->mainForm();
        t.sound->commands.clear();
        t.sound->mode = "playing";
        panel->Timer2_Timer();
        QCOMPARE(t.sound->commands, QStringList{"status bgm mode"});

        t.sound->mode = "stopped   trailing words";
        panel->Timer2_Timer();
        QCOMPARE(t.sound->commands.last(), QStringLiteral("play bgm from 0"));
        QVERIFY(panel->Timer2->running());

        t.sound->commands.clear();
        t.sound->mode = "Stopped";
        panel->Timer2_Timer();
        QCOMPARE(t.sound->commands, QStringList{"status bgm mode"});
    }

    void pollWithoutLoopStopsClosesAndDisablesItself()
    {
        TestProgram t;
        MainForm* panel = t.program->mainForm();
        panel->Check1->setChecked(false);
        t.sound->commands.clear();
        panel->Timer2_Timer();
        QCOMPARE(t.sound->commands, (QStringList{"status bgm mode", "stop bgm", "close bgm"}));
        QVERIFY(!panel->Timer2->running());
    }

    void realDeviceStaysOneDeviceAndLoopsTheTune()
    {
        FluidSynthSoundDevice::Options options;
        options.output = FluidSynthSoundDevice::Output::Offline;
        auto device = std::make_unique<FluidSynthSoundDevice>(options);
        FluidSynthSoundDevice* synth = device.get();
        TestProgram t(true, std::move(device));
        QDir(t.folder.path()).mkdir(kSoundFolderName);
        QVERIFY(QFile::copy(qEnvironmentVariable("PAWMELO_SOURCE_DIR") + "/assets/Sound/Kouka.mid",
                            t.folder.filePath(kSoundFolderName + u'/' + kAlertTuneFileName)));
        MainForm* panel = t.program->mainForm();
        panel->Timer2->setEnabled(false); // the test drives the poll itself

        panel->Command2_Click();
        QCOMPARE(t.program->MciResult, 0);
        panel->Command2_Click(); // second start: open fails, play goes on
        QCOMPARE(synth->openDeviceCount(), 1);
        QCOMPARE(t.program->AlertMode, qint16(1));

        // Play through to the end of the tune; the poll restarts it at once.
        std::vector<int16_t> samples;
        bool restarted = false;
        for (int block = 0; block < 400 && !restarted; ++block) {
            synth->renderOffline(4410, &samples); // 100 ms, one poll period
            panel->Timer2_Timer();
            restarted = t.program->MciStatus.startsWith("stopped");
        }
        QVERIFY(restarted);
        synth->renderOffline(4410, &samples);
        QString mode;
        QCOMPARE(t.program->services().sound->sendString("status bgm mode", &mode), 0);
        QCOMPARE(mode, QStringLiteral("playing"));

        panel->Command3_Click();
        QCOMPARE(synth->openDeviceCount(), 0);
        panel->Command3_Click(); // alert end with nothing open fails quietly
        QVERIFY(t.program->MciResult != 0);
        QCOMPARE(t.program->AlertMode, qint16(0));
    }

    // The program folder's name reaches the device as it is: a folder that
    // CP932 cannot name is no reason for a silent alert.
    void tunePlaysFromAFolderNamedOutsideTheCodePage_data()
    {
        QTest::addColumn<QString>("folderName");
        QTest::newRow("Müller") << QStringLiteral("Müller");
        QTest::newRow("사용자") << QStringLiteral("사용자");
    }
    void tunePlaysFromAFolderNamedOutsideTheCodePage()
    {
        QFETCH(QString, folderName);
        FluidSynthSoundDevice::Options options;
        options.output = FluidSynthSoundDevice::Output::Offline;
        auto device = std::make_unique<FluidSynthSoundDevice>(options);
        FluidSynthSoundDevice* synth = device.get();
        TestProgram t(true, std::move(device), folderName);
        const QString folder = t.program->programFolder();
        QVERIFY(folder.endsWith(u'/' + folderName));
        QVERIFY(QDir(folder).mkdir(kSoundFolderName));
        QVERIFY(QFile::copy(qEnvironmentVariable("PAWMELO_SOURCE_DIR") + "/assets/Sound/Kouka.mid",
                            folder + u'/' + kSoundFolderName + u'/' + kAlertTuneFileName));
        MainForm* panel = t.program->mainForm();
        panel->Timer2->setEnabled(false);

        panel->Command2_Click();
        QCOMPARE(t.program->MciResult, 0);
        QCOMPARE(synth->openDeviceCount(), 1);
        std::vector<int16_t> samples;
        qint64 loud = 0;
        for (int block = 0; block < 10; ++block) { // one second
            synth->renderOffline(4410, &samples);
            loud +=
                std::count_if(samples.begin(), samples.end(), [](int16_t s) { return std::abs(s) > 1000; });
        }
        QVERIFY(loud > 1000);
        QString mode;
        QCOMPARE(t.program->services().sound->sendString("status bgm mode", &mode), 0);
        QCOMPARE(mode, QStringLiteral("playing"));

        panel->Command3_Click();
        QCOMPARE(t.program->MciResult, 0);
        QCOMPARE(synth->openDeviceCount(), 0);
    }

    void statusThatWritesNothingKeepsTheLastReply()
    {
        TestProgram t;
        MainForm* panel = t.program->mainForm();
        t.sound->mode = "playing";
        panel->Timer2_Timer();
        QCOMPARE(t.program->MciStatus, QStringLiteral("playing"));
        t.sound->mode.clear(); // a closed alias answers nothing
        panel->Timer2_Timer();
        QCOMPARE(t.program->MciStatus, QStringLiteral("playing"));
    }
};

QTEST_MAIN(AlertTest)
#include "alert_test.moc"
