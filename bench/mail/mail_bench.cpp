// A command-line driver that makes full passes of the mail library over a
// mailbox, the way the mail check reads it: connect, log in, then status,
// size and the message itself for every message, and close.
//
//   mail_bench SERVER USER PASSWORD [--ca CERT] [--window N] [--passes N]
//
// bench/mail/run.sh runs one pass per process and times the whole process,
// as it does curl; the figure printed here runs from connect to close only.
// --ca pins a certificate the way the program's tests do.
#include "mail/nmail.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSslCertificate>
#include <cstdio>
#include <vector>

namespace {
struct Pass
{
    qint64 milliseconds = 0;
    qint64 loginMilliseconds = 0;
    int messages = 0;
    qint64 bytes = 0;
    int failures = 0;
};

Pass runPass(NMail& mail, const QByteArray& server, const QByteArray& user, const QByteArray& password)
{
    Pass pass;
    QElapsedTimer timer;
    timer.start();
    const int handle = mail.NMailPop3Connect(server);
    if (handle < 0)
        return {-1, -1, 0, 0, 1};
    const int count = mail.NMailPop3Authenticate(handle, user, password, 0);
    pass.loginMilliseconds = timer.elapsed();
    std::vector<char> subject(8192), from(8192), date(8192), id(8192);
    for (int n = 1; n <= count; ++n) {
        pass.failures += mail.NMailPop3GetMailStatus(handle, n, subject, from, date, id, 0) < 0;
        const int size = mail.NMailPop3GetMailSize(handle, n);
        if (size < 0) {
            ++pass.failures;
            continue;
        }
        std::vector<char> body(size + 1, ' ');
        pass.failures += mail.NMailPop3GetMail(handle, n, subject, from, date, id, body, 0, 0) < 0;
        pass.bytes += size;
    }
    mail.NMailPop3Close(handle);
    pass.milliseconds = timer.elapsed();
    pass.messages = std::max(count, 0);
    pass.failures += count < 0;
    return pass;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr,
                     "usage: mail_bench SERVER USER PASSWORD [--ca CERT] [--window N] [--passes N]\n");
        return 2;
    }
    NMail mail;
    int passes = 1;
    for (int i = 4; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--ca"))
            mail.addCaCertificates(QSslCertificate::fromPath(args[i + 1]));
        else if (args[i] == QLatin1String("--window"))
            mail.setPipelineWindow(args[i + 1].toInt());
        else if (args[i] == QLatin1String("--passes"))
            passes = std::max(1, args[i + 1].toInt());
    }
    for (int i = 0; i < passes; ++i) {
        const Pass pass = runPass(mail, args[1].toLocal8Bit(), args[2].toLocal8Bit(), args[3].toLocal8Bit());
        if (pass.failures > 0) {
            std::vector<char> text(8192);
            int capacity = 8192;
            mail.NMailGetMessage(0, text, &capacity);
            std::fprintf(stderr, "%d failures; last: %s\n", pass.failures, text.data());
            return 1;
        }
        std::printf("%lld ms %d messages %lld bytes, %lld ms to log in\n",
                    static_cast<long long>(pass.milliseconds), pass.messages,
                    static_cast<long long>(pass.bytes), static_cast<long long>(pass.loginMilliseconds));
    }
    return 0;
}
