// How long one connect is held by a server that drips its capability list,
// one line at a time, each well inside the per-line deadline, with the
// library's everyday limits. The call's overall limit (30 s) should end it
// long before the list does.
//
//   drip_limit_bench [PAUSE_MS] [LINES]
#include "base/ansi.h"
#include "mail/nmail.h"
#include "support/script_server.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <vector>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int pauseMs = args.size() > 1 ? args[1].toInt() : 5000;
    const int lines = args.size() > 2 ? args[2].toInt() : 60;

    QList<QByteArray> capabilities;
    for (int n = 1; n <= lines; ++n)
        capabilities.append("X-DRIP-" + QByteArray::number(n) + "\r\n");
    ScriptServer script;
    script.send("+OK ready\r\n").expect("CAPA", "+OK\r\n").drip(capabilities, pauseMs);
    const quint16 port = script.begin();

    NMail mail; // everyday limits
    QElapsedTimer timer;
    timer.start();
    const int handle = mail.NMailPop3Connect("127.0.0.1:" + QByteArray::number(port));
    const qint64 took = timer.elapsed();
    std::vector<char> text(8192);
    int capacity = 8192;
    mail.NMailGetMessage(0, text, &capacity);
    if (handle > 0)
        mail.NMailPop3Close(handle);
    script.finish();

    std::printf("connect to a server dripping %d capability lines, one every %d ms (%.0f s in all):\n", lines,
                pauseMs, lines * pauseMs / 1000.0);
    std::printf("%s after %.1f s%s%s\n", handle > 0 ? "connected" : "failed", took / 1000.0,
                handle > 0 ? "" : ": ", handle > 0 ? "" : FromAnsi(text.data()).toUtf8().constData());
    return handle > 0 ? 1 : 0;
}
