#include "panel/check_mail.h"

#include "base/ansi.h"
#include "base/text_value.h"
#include "forms/program.h"
#include "panel/check_connect.h"
#include "panel/main_panel.h"
#include "panel/notice_board.h"
#include "settings/id_pass_form.h"
#include "settings/set_form.h"
#include "settings/setting_keys.h"
#include "settings/settings_files.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <vector>

namespace {
constexpr int kMessageBufferSize = 8192;
// The check never looks at a message's text, so the body buffer need not
// hold all of it: a server that claims a huge size must not make us
// allocate that much. The library still reads the whole message.
constexpr int kBodyBufferLimit = 1 << 20;
// Messages that may fail one after another before the rest are given up.
// The texts are never used and the count stays the login's, so stopping
// loses nothing; going on would let a server that claims a million messages
// and refuses each one hold the program for minutes. A session that has
// ended fails every call at once, so this also ends the loop after it.
constexpr int kMaxFailedInARow = 10;

// Leading and trailing blanks go; other white space is part of the path.
QString trimSpaces(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.mid(begin, end - begin);
}

using Buffer = std::vector<char>;

// Steps 2-8: connect, log in, read every message, close. Returns the count.
int FetchMailbox(Program& program, CheckTrigger trigger)
{
    NMail& mail = program.mail();
    const int handle = ConnectForCheck(program, trigger);
    if (handle == -1)
        return 0;
    // Closed last, also when the check is abandoned inside its error box.
    auto close = qScopeGuard([&mail, handle] { mail.NMailPop3Close(handle); });

    const QString accountFile = AccountFile(program.programFolder());
    const QString id = ReadSettingText(accountFile, SettingKey::AccountName, QString());
    const QString password = ReadSettingText(accountFile, SettingKey::AccountPassword, QString());
    IdPassForm* account = program.idPassForm();
    account->IdText->setText(id);
    account->PassText->setText(password);
    program.AccountId = id;
    program.AccountPassword = password;

    int count = 0;
    std::vector<Buffer> buffers(4, Buffer(kMessageBufferSize, ' '));
    if (id.isEmpty() || password.isEmpty()) {
        Program::showForm(account);
    } else {
        count = mail.NMailPop3Authenticate(handle, ToAnsi(program.AccountId), ToAnsi(program.AccountPassword),
                                           program.Mailer.UseApop != 0 ? -1 : 0);
        int failedInARow = 0;
        for (int n = 1; n <= count && failedInARow < kMaxFailedInARow; ++n) {
            mail.NMailPop3GetMailStatus(handle, n, buffers[0], buffers[1], buffers[2], buffers[3], 0);
            const int size = mail.NMailPop3GetMailSize(handle, n);
            if (size < 0) {
                ++failedInARow; // no buffer can be made for it; its text is never used anyway
                continue;
            }
            Buffer body(std::min(size, kBodyBufferLimit) + 1, ' ');
            const int got =
                mail.NMailPop3GetMail(handle, n, buffers[0], buffers[1], buffers[2], buffers[3], body, 0, 0);
            failedInARow = got < 0 ? failedInARow + 1 : 0;
        }
        if (count < 0) {
            int capacity = kMessageBufferSize;
            mail.NMailGetMessage(0, buffers[0], &capacity);
            const QString text = TrimAtNul(FromAnsi(QByteArrayView(buffers[0].data(), buffers[0].size())));
            SayCheckFailure(program, trigger, program.loadedMainForm(), text);
        }
    }
    return count;
}

void Announce(Program& program, int count)
{
    MainForm* panel = program.mainForm();
    if (panel->Check2->isChecked()) {
        const QString mailer = panel->Text7->text();
        if (mailer != QStringLiteral("未設定"))
            program.services().launcher->startDetached(trimSpaces(mailer));
        return;
    }
    program.msgForm()->Text1->setText(QStringLiteral("新着メールが有ります"));
    program.msgForm()->Text2->setText(QString::number(count));
    if (program.setForm()->Check2->isChecked()) {
        Program::showForm(program.msgForm());
        // The board goes after its second also when the wait abandons the
        // check (the panel was closed meanwhile), or it would stay for good.
        // A nested handler may already have closed it.
        const auto closeBoard = qScopeGuard([&program] {
            if (MsgForm* board = program.loadedMsgForm())
                program.unload(board);
        });
        program.Wait(1000);
    } else {
        Program::showForm(program.msgForm());
    }
    program.mainForm()->Command2_Click();
}
} // namespace

void CheckMail(Program& program, CheckTrigger trigger)
{
    if (program.checkInProgress)
        return;
    program.checkInProgress = true;
    auto done = qScopeGuard([&program] { program.checkInProgress = false; });

    int count = 0;
    if (!program.Mailer.PopServer.isEmpty())
        count = FetchMailbox(program, trigger);
    if (count > 0)
        Announce(program, count);
    if (program.setForm()->Check1->isChecked())
        program.mainForm()->Command5_Click();
}
