// One scheduled mail check, with the library's everyday limits, against a
// hostile server played in this process, or against a server name that
// cannot be looked up. Prints what the check announced and said; the time is
// taken from outside, over the whole process (bench/mail/check_hold.sh).
//
//   check_hold_bench refused-at-once | refused-slowly | slow-headers | dripped-message
//   check_hold_bench lookup HOST
#include "base/ansi.h"
#include "forms/program.h"
#include "panel/check_mail.h"
#include "panel/notice_board.h"
#include "support/script_server.h"
#include "support/test_program.h"

#include <QApplication>
#include <QLineEdit>
#include <cstdio>

namespace {
// Plays the case's server; returns false for an unknown case.
bool playCase(const QString& name, ScriptServer& s)
{
    s.send("+OK ready\r\n").login("user", "secret");
    if (name == "refused-at-once") {
        s.claimMessages(1'000'000, 4'000'000); // a million messages, each refused at once
    } else if (name == "refused-slowly") {
        s.claimMessages(3000, 10'000, 10); // 3000 messages, each command refused after 10 ms
    } else if (name == "slow-headers") {
        s.expect("STAT", "+OK 5 500\r\n");
        for (int n = 1; n <= 5; ++n) { // every header 25 s late, inside the 30 s limits
            const QByteArray number = QByteArray::number(n);
            s.expect("TOP " + number + " 0", "").drip({"+OK\r\nSubject: slow\r\n.\r\n"}, 25'000);
            s.expect("LIST " + number, "+OK " + number + " 100\r\n");
            s.expect("RETR " + number, "+OK\r\nSubject: slow\r\n\r\nbody\r\n.\r\n");
        }
    } else if (name == "dripped-message") {
        // Listed at 10 MB, which gives its retrieval the 10-minute cap, and
        // sent a line a second.
        s.expect("STAT", "+OK 1 10000000\r\n").expect("TOP 1 0", "+OK\r\n.\r\n");
        s.expect("LIST 1", "+OK 1 10000000\r\n").expect("RETR 1", "+OK\r\n");
        QList<QByteArray> lines;
        for (int n = 1; n <= 700; ++n)
            lines.append("X-Line: " + QByteArray::number(n) + "\r\n");
        s.drip(lines, 1000);
    } else {
        return false;
    }
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: check_hold_bench CASE | lookup HOST\n");
        return 2;
    }
    TestProgram t; // a whole program with recording desktop services
    Program& program = *t.program;
    WriteSettingText(t.account(), "NAME", "user");
    WriteSettingText(t.account(), "NAME2", "secret");
    ScriptServer server;
    if (args[1] == "lookup" && args.size() > 2) {
        program.Mailer.PopServer = args[2];
    } else if (playCase(args[1], server)) {
        program.Mailer.PopServer = QStringLiteral("127.0.0.1:%1").arg(server.begin());
    } else {
        std::fprintf(stderr, "unknown case %s\n", qPrintable(args[1]));
        return 2;
    }

    CheckMail(program, CheckTrigger::Schedule);

    const MsgForm* board = program.loadedMsgForm();
    std::printf("announced: %s\n", board ? qPrintable(board->Text2->text()) : "nothing");
    for (const RecordingPrompts::Shown& box : t.prompts->notices + t.prompts->shown)
        std::printf("box \"%s\": %s\n", qPrintable(box.title), qPrintable(box.text));
    int asked = 0;
    for (const QByteArray& line : server.transcript())
        asked += line.startsWith("TOP ") || line.startsWith("LIST ") || line.startsWith("RETR ");
    if (args[1] != "lookup")
        std::printf("message commands the server saw: %d\n", asked);
    return 0;
}
