#include "panel/check_connect.h"

#include "base/ansi.h"
#include "base/text_value.h"
#include "forms/program.h"
#include "panel/certificate_question.h"

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

// Asks whether to trust a refused certificate; true when the user said so
// and it is pinned. A certificate declined once is not asked about again
// in this run.
bool trustedNow(Program& program, const NMail::RefusedCertificate& refused)
{
    const QByteArray fingerprint = CertificateFingerprint(refused.certificate);
    if (program.declinedCertificates.contains(fingerprint))
        return false;
    const Prompts::Answer answer =
        program.messageBox(nullptr, CertificateQuestion(refused), QStringLiteral("確認"), Prompts::Buttons::YesNo,
                           Prompts::Icon::Question);
    if (answer != Prompts::Answer::Yes) {
        program.declinedCertificates.insert(fingerprint);
        return false;
    }
    program.mail().trustCertificate(refused.address, fingerprint);
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
            const bool askedBefore = program.declinedCertificates.contains(CertificateFingerprint(refused->certificate));
            if (trustedNow(program, *refused))
                handle = mail.NMailPop3Connect(server);
            else
                justDeclined = !askedBefore;
        }
    }
    if (handle != -1) {
        program.connectFailureSaid = false;
        return handle;
    }
    // The user has just said no to the certificate: that is answer enough.
    if (justDeclined)
        return -1;
    if (trigger == CheckTrigger::Button || !program.connectFailureSaid) {
        program.connectFailureSaid = true;
        SayCheckFailure(program, trigger, nullptr, libraryMessage(mail));
    }
    return -1;
}
