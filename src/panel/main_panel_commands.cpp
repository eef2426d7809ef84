// The main panel's commands and timer handlers: the check, its schedule and
// status lamp, the alert start and end, the dial-up hang-up, the choice of
// the mail program with its scrolling name, and the two links.

#include "base/text_value.h"
#include "forms/form_timer.h"
#include "forms/program.h"
#include "mascot/secondary_mascot.h"
#include "panel/check_mail.h"
#include "panel/home_pages.h"
#include "panel/main_panel.h"
#include "panel/scheduler.h"
#include "settings/set_form.h"
#include "settings/settings_files.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QUrl>

namespace {
// The name display runs from the panel's right edge to well past its left
// one, 20 twips a tick, and jumps back only on reaching the end exactly.
constexpr int kNameStart = 2760;
constexpr int kNameEnd = -1500;
constexpr int kNameStep = 20;
// The panel is laid out at 15 twips a pixel.
constexpr double kTwipsPerPixel = 15;

const QString kMakerQuestion = QStringLiteral("「ミロウェン」作者のホームページです。ちょっと見てみますか？");
const QString kIconArtistQuestion =
    QStringLiteral("「ソラニカ」さんのホームページです。ちょっと見てみますか？");
} // namespace

void MainForm::Command16_Click()
{
    CheckMail(m_program, CheckTrigger::Button);
}

void MainForm::Command15_Click()
{
    Program::showForm(m_program.setForm());
}

void MainForm::Command9_Click()
{
    Program::showForm(m_program.setForm());
}

void MainForm::Command2_Click()
{
    m_program.AlertMode = 1;
    m_program.openAndPlayAlertTune();
    Program::showForm(m_program.form3());
    Timer1->setEnabled(true);
}

void MainForm::Command3_Click()
{
    m_program.AlertMode = 0;
    m_program.stopAndCloseAlertTune();
    if (Form3* walker = m_program.loadedForm3())
        m_program.unload(walker);
}

void MainForm::Command5_Click()
{
    DialUp* dialUp = m_program.services().dialUp.get();
    QList<QString> connections;
    if (!dialUp || !dialUp->enumConnections(&connections))
        return;
    for (const QString& connection : connections)
        dialUp->hangUp(connection);
}

void MainForm::Timer1_Timer()
{
    // One check per window, and only in a window a seconds tick opened: a
    // window lasts a whole second, and a poll every 100 ms would otherwise
    // log in about ten times in it, or at once when the interval is lowered
    // below the minutes counted. The interval is read at every poll all the
    // same: the read brings a closed preferences dialog back, hidden.
    const QString interval = m_program.setForm()->Text2->text();
    if (!m_windowOpen)
        return;
    if (!CheckDue(interval, Text1->text())) {
        m_windowOpen = false; // the interval changed under the open window
        return;
    }
    m_windowOpen = false;
    CheckMail(m_program);
}

void MainForm::Timer2_Timer()
{
    QString reply;
    m_program.mciSendString(QStringLiteral("status bgm mode"), &reply);
    if (!reply.isEmpty())
        m_program.MciStatus = reply;
    if (m_program.MciStatus.left(7) != QLatin1StringView("stopped"))
        return;
    if (Check1->isChecked()) {
        m_program.mciSendString(QStringLiteral("play bgm from 0"));
    } else {
        m_program.mciSendString(QStringLiteral("stop bgm"));
        m_program.mciSendString(QStringLiteral("close bgm"));
        Timer2->setEnabled(false);
    }
}

void MainForm::Timer3_Timer()
{
    QString seconds = Text4->text();
    QString minutes = Text1->text();
    m_windowOpen = SecondsTick(m_program.setForm()->Text2->text(), seconds, minutes);
    Text4->setText(seconds);
    Text1->setText(minutes);
}

void MainForm::Timer5_Timer()
{
    if (Check3->isChecked()) {
        showLamp(QStringLiteral("Green.gif"));
        m_program.Wait(2000);
        showLamp(QStringLiteral("Red.gif"));
    } else {
        showLamp(QStringLiteral("Green.gif"));
    }
}

void MainForm::showLamp(const QString& fileName)
{
    const QString path = m_program.programFolder() + QDir::separator() + QStringLiteral("画像データ")
                         + QDir::separator() + fileName;
    // A missing or unreadable picture leaves the previous one showing.
    const QPixmap picture(path);
    if (!picture.isNull())
        Image1->setPixmap(picture);
}

void MainForm::Command7_Click()
{
    FileChooser* chooser = m_program.services().fileChooser.get();
    if (!chooser)
        return;
    // A cancel gives back the dialog's previous file name: empty until a file
    // has been chosen here.
    const QString path = chooser->showOpen(this, m_dialogFileName);
    const QString problem =
        UnstorableTextMessage(QStringLiteral("メーラーのパス"), path, TextStore::SettingsFile);
    if (!problem.isEmpty()) {
        // The preferences file could not give it back: keep the old path.
        m_program.messageBox(this, problem, QStringLiteral("エラー"), Prompts::Buttons::Ok,
                             Prompts::Icon::Exclamation);
        return;
    }
    m_dialogFileName = path;
    Text7->setText(path);
}

void MainForm::Text7_Change()
{
    // The title follows the path here, once per change, so that the name
    // display's tick reads no file name and touches no file.
    FileChooser* chooser = m_program.services().fileChooser.get();
    Text8->setText(chooser ? chooser->fileTitle(Text7->text()) : QString());
}

void MainForm::Timer4_Timer()
{
    // Setting the same caption again redraws nothing; only the move does.
    Label1->setText(Text7->text().isEmpty() ? QStringLiteral("設定されていません。") : Text8->text());
    Label1Left = Label1Left == kNameEnd ? kNameStart : Label1Left - kNameStep;
    Label1->move(int(RoundHalfEven(Label1Left / kTwipsPerPixel)), Label1->y());
}

void MainForm::Command14_Click()
{
    offerPage(kMakerQuestion, HomePage::Maker);
}

void MainForm::Command10_Click()
{
    offerPage(kMakerQuestion, HomePage::Maker);
}

void MainForm::Command4_Click()
{
    offerPage(kIconArtistQuestion, HomePage::IconArtist);
}

void MainForm::offerPage(const QString& question, const QString& page)
{
    if (m_program.messageBox(this, question, QStringLiteral("確認"), Prompts::Buttons::YesNo,
                             Prompts::Icon::Question) != Prompts::Answer::Yes)
        return;
    if (Browser* browser = m_program.services().browser.get())
        browser->navigate(QUrl(page));
}
