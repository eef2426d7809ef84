#include "panel/check_connect.h"

#include "base/ansi.h"
#include "base/text_value.h"
#include "forms/program.h"
#include "panel/certificate_question.h"
#include "settings/server_trust_file.h"
#include "settings/settings_files.h"

#include <QFileInfo>
#include <vector>

namespace {
constexpr int kMessageCapacity = 8192;

QString libraryMessage(NMail& mail)
{
    std::vector<char> buffer(kMessageCapacity, ' ');
    int capacity = kMessageCapacity;
    mail.NMailGetMessage(0, buffer, &capacity);
    return TrimAtNul(FromAnsi(QByteArrayView(buffer.data(), qsizetype(buffer.size()))));
}

// Says once a run that a trust answer could not be stored, and why; the
// library holds it until the program ends all the same.
void sayIfNotKept(Program& program, bool kept)
{
    if (kept || program.trustNotKeptSaid)
        return;
    program.trustNotKeptSaid = true;
    const QFileInfo servers(ServersFile(program.programFolder()));
    const QFileInfo folder(servers.absolutePath());
    const QString why =
        !folder.isDir() ? QStringLiteral("設定フォルダー「%1」がありません").arg(folder.fileName())
        : !folder.isWritable() ? QStringLiteral("設定フォルダー「%1」に書き込めません").arg(folder.fileName())
                               : QStringLiteral("「%1」に書き込めません").arg(servers.fileName());
    program.messageBox(
        nullptr,
        QStringLiteral(
            "この答えは保存できませんでした（%1）。プログラムを終えるまでは、この答えのまま接続します。")
            .arg(why),
        QStringLiteral("エラー"), Prompts::Buttons::Ok, Prompts::Icon::None);
}

// Asks whether to trust a refused certificate; true when the user said so
// and it is pinned. A certificate declined once is not asked about again
// in this run. One that the system vouched for before on this host is a
// warning, where only a deliberate "Yes" goes on.
bool trustedNow(Program& program, const NMail::RefusedCertificate& refused)
{
    const QByteArray fingerprint = CertificateFingerprint(refused.certificate);
    if (program.declinedCertificates.contains(fingerprint))
        return false;
    const Prompts::Answer answer = program.messageBox(
        nullptr, CertificateQuestion(refused), QStringLiteral("確認"),
        refused.verifiedBefore ? Prompts::Buttons::YesNoDefaultNo : Prompts::Buttons::YesNo,
        refused.verifiedBefore ? Prompts::Icon::Exclamation : Prompts::Icon::Question);
    if (answer != Prompts::Answer::Yes) {
        program.declinedCertificates.insert(fingerprint);
        return false;
    }
    sayIfNotKept(program, program.mail().trustCertificate(refused));
    return true;
}

// Asks whether the password may go in clear to a server that offers no
// encryption; once per server and run when the answer is no.
bool clearLoginAllowedNow(Program& program, const Pop3Address& server)
{
    // Keyed as in the servers file, so that "Mail.Example.JP" and
    // "mail.example.jp" are one server here too.
    if (program.declinedClearLogins.contains(ServerTrustKey(server)))
        return false;
    const Prompts::Answer answer =
        program.messageBox(nullptr, ClearLoginQuestion(server.display(), program.Mailer.UseApop != 0),
                           QStringLiteral("確認"), Prompts::Buttons::YesNo, Prompts::Icon::Question);
    if (answer != Prompts::Answer::Yes) {
        program.declinedClearLogins.insert(ServerTrustKey(server));
        return false;
    }
    sayIfNotKept(program, program.mail().allowClearLogin(server));
    return true;
}
} // namespace

void SayCheckFailure(Program& program, CheckTrigger trigger, QWidget* parent, const QString& text)
{
    if (trigger == CheckTrigger::Button)
        program.messageBox(parent, text, QStringLiteral("エラー"), Prompts::Buttons::Ok, Prompts::Icon::None);
    else
        program.notify(parent, text, QStringLiteral("エラー"));
}

int ConnectForCheck(Program& program, CheckTrigger trigger)
{
    NMail& mail = program.mail();
    const QByteArray server = ToAnsi(program.Mailer.PopServer);
    int handle = mail.NMailPop3Connect(server);
    bool justDeclined = false;
    if (handle == -1) {
        if (const std::optional<NMail::RefusedCertificate> refused = mail.refusedCertificate()) {
            const bool askedBefore =
                program.declinedCertificates.contains(CertificateFingerprint(refused->certificate));
            if (trustedNow(program, *refused))
                handle = mail.NMailPop3Connect(server);
            else
                justDeclined = !askedBefore;
        }
    }
    if (handle == -1) {
        if (const std::optional<Pop3Address> plain = mail.unencryptedServer()) {
            const bool askedBefore = program.declinedClearLogins.contains(ServerTrustKey(*plain));
            if (clearLoginAllowedNow(program, *plain))
                handle = mail.NMailPop3Connect(server);
            else
                justDeclined = !askedBefore;
        }
    }
    if (handle != -1) {
        program.connectFailureSaid = false;
        return handle;
    }
    // The user has just said no: that is answer enough.
    if (justDeclined)
        return -1;
    if (trigger == CheckTrigger::Button || !program.connectFailureSaid) {
        program.connectFailureSaid = true;
        SayCheckFailure(program, trigger, nullptr, libraryMessage(mail));
    }
    return -1;
}
