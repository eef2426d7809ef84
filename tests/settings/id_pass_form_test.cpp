#include "settings/id_pass_form.h"
#include "support/test_program.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <sys/inotify.h>
#include <unistd.h>

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

// How many times `file` was put in place by a rename while `action` ran:
// each replacement of a settings file is one. The staging name's moves are
// watched too, since inotify would merge two like moves in a row into one.
template <typename Action>
int replacementsDuring(const QString& file, Action action)
{
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch < 0 || inotify_add_watch(watch, QFile::encodeName(QFileInfo(file).path()).constData(),
                                       IN_MOVED_FROM | IN_MOVED_TO) < 0)
        qFatal("no inotify watch on %s", qPrintable(file));
    action();
    alignas(inotify_event) char events[64 * 1024];
    const ssize_t size = read(watch, events, sizeof events);
    close(watch);
    const QByteArray name = QFile::encodeName(QFileInfo(file).fileName());
    int count = 0;
    for (ssize_t at = 0; at < size;) {
        const auto* event = reinterpret_cast<const inotify_event*>(events + at);
        count += (event->mask & IN_MOVED_TO) && event->len > 0 && name == event->name;
        at += qsizetype(sizeof(inotify_event)) + event->len;
    }
    return count;
}

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
        // Name, password and choice go in one replacement, so no moment
        // shows the new name with the old password.
        QCOMPARE(replacementsDuring(t.account(), [form] { form->OkCommand_Click(); }), 1);
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

    // Text the account file or the mail library would get changed is refused
    // at OK: one error box, the dialog stays with the typed text, nothing is
    // set or written. A long password is fine as long as it is not saved.
    void okRefusesTextThatWouldArriveChanged()
    {
        TestProgram t;
        savePair(t);
        t.program->AccountId = "before";
        t.program->AccountPassword = "before-pass";
        const QByteArray file = readBytes(t.account());
        IdPassForm* form = t.program->idPassForm();
        Program::showForm(form);
        const QString longPassword = QString(128, u'表'); // 256 bytes in CP932
        form->IdText->setText("renée");
        form->PassText->setText(longPassword);
        saveBox(form)->setChecked(true);
        QTest::mouseClick(form->findChild<QPushButton*>("OkCommand"), Qt::LeftButton);

        QCOMPARE(t.prompts->shown.size(), 1);
        const RecordingPrompts::Shown& box = t.prompts->shown.first();
        QCOMPARE(box.text, QStringLiteral("IDの次の文字は保存できません: é\n"
                                          "パスワードは255バイトまでしか保存できません（今は256バイト）。"));
        QCOMPARE(box.title, QStringLiteral("エラー"));
        QCOMPARE(box.buttons, Prompts::Buttons::Ok);
        QCOMPARE(box.icon, Prompts::Icon::Exclamation);
        QCOMPARE(t.program->loadedIdPassForm(), form);
        QVERIFY(form->isVisible());
        QCOMPARE(form->IdText->text(), QStringLiteral("renée"));
        QCOMPARE(form->PassText->text(), longPassword);
        QCOMPARE(t.program->AccountId, QStringLiteral("before"));
        QCOMPARE(t.program->AccountPassword, QStringLiteral("before-pass"));
        QCOMPARE(readBytes(t.account()), file);

        // Not saved: the mail library still gets CP932, so "ö" is refused.
        form->IdText->setText("user");
        form->PassText->setText("Passwört");
        saveBox(form)->setChecked(false);
        form->OkCommand_Click();
        QCOMPARE(t.prompts->shown.size(), 2);
        QCOMPARE(t.prompts->shown.last().text, QStringLiteral("パスワードに次の文字は使えません: ö"));
        QCOMPARE(t.program->loadedIdPassForm(), form);
        QCOMPARE(t.program->AccountId, QStringLiteral("before"));
        QCOMPARE(readBytes(t.account()), file);

        form->PassText->setText(longPassword);
        form->OkCommand_Click();
        QCOMPARE(t.prompts->shown.size(), 2);
        QCOMPARE(t.program->AccountPassword, longPassword);
        QCOMPARE(stored(t, "NAME2"), QStringLiteral("saved-pass"));
        QVERIFY(!t.program->loadedIdPassForm());
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
