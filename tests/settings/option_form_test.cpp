#include "settings/option_form.h"
#include "support/test_program.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {
const MailerSettings kImported{QStringLiteral("smtp.example"), QStringLiteral("pop.example"),
                               QStringLiteral("me@example.jp"), 1};

bool sameSettings(const MailerSettings& a, const MailerSettings& b)
{
    return a.SmtpServer == b.SmtpServer && a.PopServer == b.PopServer && a.MailAddress == b.MailAddress &&
           a.UseApop == b.UseApop;
}
} // namespace

class OptionFormTest final : public QObject
{
    Q_OBJECT
private slots:
    void loadShowsTheCurrentSettingsOnTop()
    {
        TestProgram t;
        t.program->Mailer = kImported;
        OptionForm* form = t.program->optionForm();
        QVERIFY(form->isVisible());
        QVERIFY(form->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(form->SmtpText->text(), kImported.SmtpServer);
        QCOMPARE(form->Pop3Text->text(), kImported.PopServer);
        QCOMPARE(form->MailText->text(), kImported.MailAddress);
        QVERIFY(form->ApopCheck->isChecked());
    }

    void okUpdatesTheVariablesAndRewritesKestraIni()
    {
        TestProgram t;
        writeBytes(t.kestra(), "SMTP=old\r\nPOP3=old\r\nOTHER=kept?\r\n");
        OptionForm* form = t.program->optionForm();
        form->SmtpText->setText("smtp.new");
        form->Pop3Text->setText("  pop.new ");
        form->MailText->setText("新しい@example.jp");
        form->ApopCheck->setChecked(true);
        QTest::mouseClick(form->findChild<QPushButton*>("OkCommand"), Qt::LeftButton);

        QVERIFY(sameSettings(t.program->Mailer, {"smtp.new", "  pop.new ", "新しい@example.jp", 1}));
        QCOMPARE(readBytes(t.kestra()), QByteArray("SMTP=smtp.new\r\nPOP3=  pop.new \r\nMAIL=") +
                                            QByteArray("\x90\x56\x82\xb5\x82\xa2") +
                                            "@example.jp\r\nAPOP=1\r\n");
        QVERIFY(!t.program->loadedOptionForm());
        QVERIFY(t.prompts->shown.isEmpty());

        // All boxes empty and APOP off: four bare lines.
        OptionForm* again = t.program->optionForm();
        QCOMPARE(again->Pop3Text->text(), QStringLiteral("  pop.new "));
        again->SmtpText->clear();
        again->Pop3Text->clear();
        again->MailText->clear();
        again->ApopCheck->setChecked(false);
        again->OkCommand_Click();
        QCOMPARE(readBytes(t.kestra()), QByteArray("SMTP=\r\nPOP3=\r\nMAIL=\r\nAPOP=0\r\n"));
    }

    // Values imported from kestra.ini go back as the bytes they came from,
    // CP932 or not, cut at 100 characters as the import cuts them; the edited
    // one is written as typed; a file its owner could not read is left
    // readable and writable by its owner.
    void okWritesUnchangedValuesBackAsTheyCame()
    {
        TestProgram t;
        const QByteArray pop = "POP3=" + QByteArray(120, '\x80'), mail = "MAIL=a\x80\xFD\x62\r\n";
        writeBytes(t.kestra(), "SMTP=old\r\n" + pop + "\r\n" + mail + "APOP=1\r\n");
        ImportMailerSettings(t.workingDir.path(), t.program->Mailer);
        QVERIFY(QFile::setPermissions(t.kestra(), {}));
        OptionForm* form = t.program->optionForm();
        form->SmtpText->setText("smtp.new");
        form->OkCommand_Click();
        QVERIFY(t.prompts->shown.isEmpty());
        QCOMPARE(readBytes(t.kestra()), "SMTP=smtp.new\r\n" + pop.first(105) + "\r\n" + mail + "APOP=1\r\n");
        QCOMPARE(QFile::permissions(t.kestra()).toInt() & 0x7077, 0x6000);
    }

    void cancelEscapeAndTheCloseBoxChangeNothing()
    {
        TestProgram t;
        t.program->Mailer = kImported;
        const auto dismissals = {+[](OptionForm* f) { f->CancelCommand_Click(); },
                                 +[](OptionForm* f) { QTest::keyClick(f->Pop3Text, Qt::Key_Escape); },
                                 +[](OptionForm* f) { QVERIFY(f->close()); }};
        for (auto dismiss : dismissals) {
            OptionForm* form = t.program->optionForm();
            form->Pop3Text->setText("edited");
            form->ApopCheck->setChecked(false);
            dismiss(form);
            QVERIFY(!t.program->loadedOptionForm());
            QVERIFY(!form->isVisible());
            QVERIFY(sameSettings(t.program->Mailer, kImported));
            QVERIFY(!QFile::exists(t.kestra()));
        }
        QCOMPARE(t.program->optionForm()->Pop3Text->text(), kImported.PopServer);
    }

    void enterDoesNotConfirm()
    {
        TestProgram t;
        OptionForm* form = t.program->optionForm();
        form->Pop3Text->setText("pop.typed");
        QTest::keyClick(form->Pop3Text, Qt::Key_Return);
        QTest::keyClick(form->MailText, Qt::Key_Enter);
        QCOMPARE(t.program->loadedOptionForm(), form);
        QVERIFY(form->isVisible());
        QVERIFY(t.program->Mailer.PopServer.isEmpty());
        QVERIFY(!QFile::exists(t.kestra()));
    }

    // What kestra.ini could not give back unchanged is refused at OK: one
    // error box, the dialog stays with the typed text, nothing changes.
    void okRefusesTextTheFileCannotKeep()
    {
        TestProgram t;
        t.program->Mailer = kImported;
        const QByteArray file = "SMTP=old\r\nPOP3=old\r\n";
        writeBytes(t.kestra(), file);
        OptionForm* form = t.program->optionForm();
        form->SmtpText->setText("smtp.example\rPOP3=evil");
        form->Pop3Text->setText("pop.müller.example");
        form->MailText->setText(QString(96, u'表') + QStringLiteral("@x.jp"));
        form->ApopCheck->setChecked(false);
        QTest::mouseClick(form->findChild<QPushButton*>("OkCommand"), Qt::LeftButton);

        QCOMPARE(t.prompts->shown.size(), 1);
        const RecordingPrompts::Shown& box = t.prompts->shown.first();
        QCOMPARE(box.text, QStringLiteral("SMTPサーバー名の次の文字は保存できません: 改行\n"
                                          "POP3サーバー名の次の文字は保存できません: ü\n"
                                          "メールアドレスは100文字までしか保存できません（今は101文字）。"));
        QCOMPARE(box.title, QStringLiteral("エラー"));
        QCOMPARE(box.buttons, Prompts::Buttons::Ok);
        QCOMPARE(box.icon, Prompts::Icon::Exclamation);
        QCOMPARE(t.program->loadedOptionForm(), form);
        QVERIFY(form->isVisible());
        QCOMPARE(form->Pop3Text->text(), QStringLiteral("pop.müller.example"));
        QVERIFY(sameSettings(t.program->Mailer, kImported));
        QCOMPARE(readBytes(t.kestra()), file);
    }

    void anUnwritableFolderIsReportedButTheSettingsTakeEffect()
    {
        TestProgram t;
        OptionForm* form = t.program->optionForm();
        QVERIFY(t.workingDir.remove()); // the current directory is gone
        form->Pop3Text->setText("pop.example");
        form->OkCommand_Click();
        QCOMPARE(t.program->Mailer.PopServer, QStringLiteral("pop.example"));
        QCOMPARE(t.prompts->shown.size(), 1);
        QCOMPARE(t.prompts->shown.first().title, QStringLiteral("エラー"));
        QVERIFY(t.prompts->shown.first().text.contains("kestra.ini"));
        QVERIFY(!t.program->loadedOptionForm());
    }
};

QTEST_MAIN(OptionFormTest)
#include "option_form_test.moc"
