#include "forms/form_timer.h"
#include "panel/main_panel.h"
#include "settings/id_pass_form.h"
#include "settings/option_form.h"
#include "settings/set_form.h"
#include "support/test_program.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {
QString stored(const TestProgram& t, const char* key)
{
    return ReadSettingText(t.preferences(), QString::fromLatin1(key), QStringLiteral("<absent>"));
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// What the main panel shows of the interval.
struct PanelState
{
    QString label;
    bool on;
    QString text;
    bool ticking;
    int period;
    bool operator==(const PanelState&) const = default;
};

PanelState panelState(Program& program)
{
    MainForm* panel = program.loadedMainForm();
    return {panel->Label4->text(), panel->Check3->isChecked(), panel->Text5->text(), panel->Timer3->running(),
            panel->Timer3->interval()};
}

const PanelState kOff0{QStringLiteral("OFF"), false, QStringLiteral("0"), false, 0};
} // namespace

class SetFormTest final : public QObject
{
    Q_OBJECT
private slots:
    void loadReadsTheFileAndCreatesThePanelHidden()
    {
        TestProgram t;
        WriteSettingText(t.preferences(), "NUMBER", "1");
        WriteSettingText(t.preferences(), "NUMBER2", "20");
        WriteSettingText(t.preferences(), "NUMBER4", "2"); // neither 0 nor 1: box stays clear
        SetForm* form = t.program->setForm();
        QVERIFY(!form->isVisible());
        QVERIFY(form->Check1->isChecked());
        QCOMPARE(form->Text2->text(), QStringLiteral("20"));
        QVERIFY(!form->Check2->isChecked());

        MainForm* panel = t.program->loadedMainForm();
        QVERIFY(panel);
        QVERIFY(!panel->isVisible());
        QCOMPARE(panelState(*t.program), (PanelState{"ON", true, "20", true, 1000}));
        QCOMPARE(t.program->setForm(), form); // one instance, not reloaded
    }

    void emptiedBoxTurnsTheIntervalOffAndStoresZeroAtOnce()
    {
        TestProgram t;
        WriteSettingText(t.preferences(), "NUMBER2", "15");
        SetForm* form = t.program->setForm();
        QCOMPARE(panelState(*t.program), (PanelState{"ON", true, "15", true, 1000}));
        QCOMPARE(stored(t, "NUMBER2"), QStringLiteral("15"));

        // Deleting the digits one by one: "1" keeps it on, then the empty box.
        form->Text2->setFocus();
        form->Text2->end(false);
        QTest::keyClick(form->Text2, Qt::Key_Backspace);
        QCOMPARE(panelState(*t.program), (PanelState{"ON", true, "1", true, 1000}));
        QTest::keyClick(form->Text2, Qt::Key_Backspace);
        QCOMPARE(form->Text2->text(), QStringLiteral("0"));
        QCOMPARE(panelState(*t.program), kOff0);
        QCOMPARE(stored(t, "NUMBER2"), QStringLiteral("0"));
    }

    void typingAPositiveNumberTurnsItOnWithoutWriting()
    {
        TestProgram t;
        WriteSettingText(t.preferences(), "NUMBER2", "7");
        SetForm* form = t.program->setForm();
        MainForm* panel = t.program->loadedMainForm();
        QSignalSpy shown(panel->Text5, &QLineEdit::textChanged);

        form->Text2->selectAll();
        QTest::keyClicks(form->Text2, "15");
        // Every keystroke reached the panel: "1", then "15".
        QCOMPARE(shown.count(), 2);
        QCOMPARE(shown.at(0).at(0).toString(), QStringLiteral("1"));
        QCOMPARE(panelState(*t.program), (PanelState{"ON", true, "15", true, 1000}));
        QCOMPARE(stored(t, "NUMBER2"), QStringLiteral("7"));

        // A fraction is positive too.
        form->Text2->setText("0.5");
        QCOMPARE(panelState(*t.program), (PanelState{"ON", true, "0.5", true, 1000}));
        QCOMPARE(stored(t, "NUMBER2"), QStringLiteral("7"));
    }

    void lettersAndSignsCountAsZeroUntilTheValueTurnsNegative()
    {
        TestProgram t;
        WriteSettingText(t.preferences(), "NUMBER2", "30");
        SetForm* form = t.program->setForm();

        form->Text2->setText("abc");
        QCOMPARE(panelState(*t.program), (PanelState{"OFF", false, "abc", false, 0}));
        QCOMPARE(stored(t, "NUMBER2"), QStringLiteral("abc"));

        form->Text2->setText("30");
        form->Text2->clear();
        form->Text2->selectAll();
        QTest::keyClick(form->Text2, Qt::Key_Minus); // replaces the "0" the cleared box got
        QCOMPARE(form->Text2->text(), QStringLiteral("-"));
        QCOMPARE(panelState(*t.program), (PanelState{"OFF", false, "-", false, 0}));
        QCOMPARE(stored(t, "NUMBER2"), QStringLiteral("-"));

        // Negative: neither the panel nor the file changes.
        QTest::keyClick(form->Text2, Qt::Key_5);
        QCOMPARE(form->Text2->text(), QStringLiteral("-5"));
        QCOMPARE(panelState(*t.program), (PanelState{"OFF", false, "-", false, 0}));
        QCOMPARE(stored(t, "NUMBER2"), QStringLiteral("-"));
    }

    void closingWritesTheThreeKeysAndTheNextReachReloads()
    {
        TestProgram t;
        QPointer<SetForm> form = t.program->setForm();
        Program::showForm(form);
        form->Check1->setChecked(true);
        form->Text2->setText("20");
        form->Check2->setChecked(false);
        QVERIFY(form->close());
        QCOMPARE(stored(t, "NUMBER"), QStringLiteral("1"));
        QCOMPARE(stored(t, "NUMBER2"), QStringLiteral("20"));
        QCOMPARE(stored(t, "NUMBER4"), QStringLiteral("0"));
        QVERIFY(!t.program->loadedSetForm());
        flushDeletes();
        QVERIFY(!form);

        SetForm* again = t.program->setForm();
        QVERIFY(!again->isVisible());
        QVERIFY(again->Check1->isChecked());
        QCOMPARE(again->Text2->text(), QStringLiteral("20"));
        QCOMPARE(panelState(*t.program), (PanelState{"ON", true, "20", true, 1000}));

        // A fraction is stored as typed but comes back as its whole part.
        again->Text2->setText("0.5");
        again->Check2->setChecked(true);
        Program::showForm(again);
        QVERIFY(again->close());
        QCOMPARE(stored(t, "NUMBER2"), QStringLiteral("0.5"));
        QCOMPARE(stored(t, "NUMBER4"), QStringLiteral("1"));
        SetForm* third = t.program->setForm();
        QCOMPARE(third->Text2->text(), QStringLiteral("0"));
        QVERIFY(third->Check2->isChecked());
        QCOMPARE(panelState(*t.program), kOff0);
    }

    void buttonsBringTheOtherDialogsForwardWithoutReloading()
    {
        TestProgram t;
        writeBytes(t.kestra(), "POP3=pop.example\r\n");
        ImportMailerSettings(t.workingDir.path(), t.program->Mailer);
        WriteSettingText(t.account(), "NAME", "saved");
        WriteSettingText(t.account(), "NAME2", "secret"); // so the panel's load opens no dialog
        SetForm* form = t.program->setForm();
        Program::showForm(form);

        auto* idPass = form->findChild<QPushButton*>("Command1");
        auto* server = form->findChild<QPushButton*>("Command2");
        QTest::mouseClick(server, Qt::LeftButton);
        OptionForm* option = t.program->loadedOptionForm();
        QVERIFY(option && option->isVisible());
        QCOMPARE(option->Pop3Text->text(), QStringLiteral("pop.example"));
        option->Pop3Text->setText("edited");
        QTest::mouseClick(server, Qt::LeftButton);
        QCOMPARE(t.program->loadedOptionForm(), option);
        QCOMPARE(option->Pop3Text->text(), QStringLiteral("edited"));

        QTest::mouseClick(idPass, Qt::LeftButton);
        IdPassForm* account = t.program->loadedIdPassForm();
        QVERIFY(account && account->isVisible());
        QCOMPARE(account->IdText->text(), QStringLiteral("saved"));
        account->IdText->setText("typed");
        account->hide();
        QTest::mouseClick(idPass, Qt::LeftButton);
        QCOMPARE(t.program->loadedIdPassForm(), account);
        QVERIFY(account->isVisible());
        QCOMPARE(account->IdText->text(), QStringLiteral("typed"));
        // Neither button touched the preferences.
        QCOMPARE(stored(t, "NUMBER"), QStringLiteral("<absent>"));
    }
};

QTEST_MAIN(SetFormTest)
#include "set_form_test.moc"
