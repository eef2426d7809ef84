#pragma once

// What the mail library's tests against a scripted server share: the
// messages, the caller's buffers, and the steps of a mail check.

#include "mail/nmail.h"
#include "support/script_server.h"

#include <QByteArray>
#include <QList>
#include <functional>
#include <vector>

using Transcript = QList<QByteArray>;

inline constexpr int kReplyTimeoutMs = 300;

// For the calls' overall limits: every pause of a dripping server stays far
// inside the per-line deadline, so only the overall limit can end a call.
inline constexpr int kLineMs = 2000;
inline constexpr int kCallMs = 400;
inline constexpr int kDripMs = 150;
inline constexpr int kSlackMs = 1500;

inline const QByteArray kMessage1 = "Subject: =?ISO-2022-JP?B?GyRCJDMkcyRLJEEkTxsoQg==?=\r\n"
                                    "From: =?UTF-8?Q?=E5=B1=B1=E7=94=B0?= <yamada@example.jp>\r\n"
                                    "Date: Tue, 1 Dec 2026 10:00:00 +0900\r\n"
                                    "Message-ID: <1@example.jp>\r\n"
                                    "\r\n"
                                    "Hello\r\n"
                                    ".hidden dot\r\n"
                                    "..two dots\r\n"
                                    ".\r\n";
inline const QByteArray kMessage2 = "Subject: plain\r\n folded\r\nFrom: b@example.org\r\n\r\nbody\r\n";
inline const QByteArray kMessage3 = "Subject: third\r\n\r\n";

// The four 8 KiB buffers and what the library left in them.
struct Buffers
{
    std::vector<char> subject = std::vector<char>(8192, ' ');
    std::vector<char> from = std::vector<char>(8192, ' ');
    std::vector<char> date = std::vector<char>(8192, ' ');
    std::vector<char> id = std::vector<char>(8192, ' ');
};

inline QByteArray text(const std::vector<char>& buffer)
{
    return QByteArray(buffer.data());
}

inline QByteArray lastMessage(NMail& mail)
{
    std::vector<char> buffer(8192, 'x');
    int capacity = 8192;
    mail.NMailGetMessage(0, buffer, &capacity);
    return QByteArray(buffer.data());
}

inline QByteArray server(quint16 port)
{
    return "127.0.0.1:" + QByteArray::number(port);
}

// What the mail check does: status, size, message, for every message.
inline QList<QByteArray> fetchAll(NMail& mail, int handle, int count, Buffers& buffers)
{
    QList<QByteArray> bodies;
    for (int n = 1; n <= count; ++n) {
        mail.NMailPop3GetMailStatus(handle, n, buffers.subject, buffers.from, buffers.date, buffers.id, 0);
        const int size = mail.NMailPop3GetMailSize(handle, n);
        std::vector<char> body(size + 1, ' ');
        mail.NMailPop3GetMail(handle, n, buffers.subject, buffers.from, buffers.date, buffers.id, body, 0, 0);
        bodies.append(QByteArray(body.data()));
    }
    return bodies;
}

inline void greetAndLogIn(ScriptServer& script, const QByteArray& capabilities = "-ERR no\r\n")
{
    script.send("+OK ready\r\n")
        .expect("CAPA", capabilities)
        .expect("USER u", "+OK\r\n")
        .expect("PASS p", "+OK\r\n");
}

// `count` lines "<prefix><n>" with their CR LF.
inline QList<QByteArray> numberedLines(const QByteArray& prefix, int count)
{
    QList<QByteArray> lines;
    for (int n = 1; n <= count; ++n)
        lines.append(prefix + QByteArray::number(n) + "\r\n");
    return lines;
}

using ScriptSetup = std::function<void(ScriptServer&)>;
Q_DECLARE_METATYPE(ScriptSetup)
