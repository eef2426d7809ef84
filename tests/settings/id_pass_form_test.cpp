#include "settings/id_pass_form.h"
#include "support/test_program.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyle>
#include <QTest>

namespace {
QString stored(const TestProgram& t, const char* key)
{
    return ReadSettingText(t.account(), QString::fromLatin1(key), QStringLiteral("<absent>"));
}

QCheckBox* saveBox(IdPassForm* form)
{
    return form->findChild<QCheckBox*>("Check1");
}

// A platform style that masks passwords with bullets, as desktop Linux does.
class BulletStyle final : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return 0x25CF;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

// The account file before the dialog is touched: a complete saved pair.
void savePair(const TestProgram& t)
{
    WriteSettingText(t.account(), "NAME", "saved-user");
    WriteSettingText(t.account(), "NAME2", "saved-pass");
    WriteSettingText(t.account(), "NAME3", "1");
}
} // namespace

class IdPassFormTest final : public QObject
{
    Q_OBJECT
private slots:
    void loadFillsTheBoxesAndLeavesTheSaveBoxClear()
    {
        QApplication::setStyle(new BulletStyle);
        TestProgram t;
        savePair(t);
        IdPassForm* form = t.program->idPassForm();
        QVERIFY(!form->isVisible());
        QCOMPARE(form->IdText->text(), QStringLiteral("saved-user"));
        QCOMPARE(form->PassText->text(), QStringLiteral("saved-pass"));
        QVERIFY(!saveBox(form)->isChecked());
        // The password shows as asterisks whatever the platform style masks with.
        QCOMPARE(form->PassText->echoMode(), QLineEdit::Password);
        QCOMPARE(form->PassText->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr,
                                                    form->PassText),
                 int('*'));

        TestProgram empty(false); // no settings folder at all
        IdPassForm* blank = empty.program->idPassForm();
        QVERIFY(blank->IdText->text().isEmpty());
        QVERIFY(blank->PassText->text().isEmpty());
    }

    void okWithTheSaveBoxStoresThePairInPlainText()
    {
        TestProgram t;
        IdPassForm* form = t.program->idPassForm();
        form->IdText->setText("ユーザー");
        form->PassText->setText(" p@ss word ");
        saveBox(form)->setChecked(true);
        form->OkCommand_Click();
        QCOMPARE(t.program->AccountId, QStringLiteral("ユーザー"));
        QCOMPARE(t.program->AccountPassword, QStringLiteral(" p@ss word "));
        QCOMPARE(stored(t, "NAME"), QStringLiteral("ユーザー"));
        QCOMPARE(stored(t, "NAME2"), QStringLiteral(" p@ss word "));
        QCOMPARE(stored(t, "NAME3"), QStringLiteral("1"));
        QVERIFY(!t.program->loadedIdPassForm());

        // The next creation shows the saved pair with the save box clear again.
        IdPassForm* again = t.program->idPassForm();
        QVERIFY(again != form);
        QCOMPARE(again->PassText->text(), QStringLiteral(" p@ss word "));
        QVERIFY(!saveBox(again)->isChecked());

        // Saving two empty boxes stores empty values.
        again->IdText->clear();
        again->PassText->clear();
        saveBox(again)->setChecked(true);
        again->OkCommand_Click();
        QCOMPARE(stored(t, "NAME"), QString());
        QCOMPARE(stored(t, "NAME2"), QString());
    }

    void okWithoutTheSaveBoxRecordsOnlyTheChoice()
    {
        TestProgram t;
        savePair(t);
        IdPassForm* form = t.program->idPassForm();
        form->IdText->setText("typed-user");
        form->PassText->setText("typed-pass");
        form->OkCommand_Click();
        QCOMPARE(t.program->AccountId, QStringLiteral("typed-user"));
        QCOMPARE(t.program->AccountPassword, QStringLiteral("typed-pass"));
        QCOMPARE(stored(t, "NAME"), QStringLiteral("saved-user"));
        QCOMPARE(stored(t, "NAME2"), QStringLiteral("saved-pass"));
        QCOMPARE(stored(t, "NAME3"), QStringLiteral("0"));
        QVERIFY(!t.program->loadedIdPassForm());
    }

    void cancelEscapeAndTheCloseBoxChangeNothing()
    {
        TestProgram t;
        savePair(t);
        t.program->AccountId = "before";
        const QByteArray file = readBytes(t.account());
        const auto dismissals = {+[](IdPassForm* f) { f->CancelCommand_Click(); },
                                 +[](IdPassForm* f) { QTest::keyClick(f->IdText, Qt::Key_Escape); },
                                 +[](IdPassForm* f) { QVERIFY(f->close()); }};
        for (auto dismiss : dismissals) {
            IdPassForm* form = t.program->idPassForm();
            Program::showForm(form);
            form->IdText->setText("other");
            saveBox(form)->setChecked(true);
            dismiss(form);
            QVERIFY(!t.program->loadedIdPassForm());
            QVERIFY(!form->isVisible());
            QCOMPARE(t.program->AccountId, QStringLiteral("before"));
            QCOMPARE(readBytes(t.account()), file);
        }
    }

    void enterConfirms()
    {
        TestProgram t;
        IdPassForm* form = t.program->idPassForm();
        Program::showForm(form);
        form->IdText->setText("user");
        QTest::keyClick(form->IdText, Qt::Key_Return);
        QCOMPARE(t.program->AccountId, QStringLiteral("user"));
        QCOMPARE(stored(t, "NAME3"), QStringLiteral("0"));
        QVERIFY(!t.program->loadedIdPassForm());
    }
};

QTEST_MAIN(IdPassFormTest)
#include "id_pass_form_test.moc"
