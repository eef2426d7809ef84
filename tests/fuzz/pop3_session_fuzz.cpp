// A whole mail check through the mail library's face against a server whose
// every byte comes from the input: greeting, capabilities, login, status,
// size and message replies, in whatever shape. The server runs on 127.0.0.1
// in a thread of its own; it sends the first line of the input as the
// greeting and then, for each command that comes, the next reply (one line,
// or up to the "." line for CAPA, TOP and RETR when it begins "+OK"), since
// the client refuses replies that come before their command. Once the input
// is used up, or the client waits for more than the next reply holds, it
// sends what is left, closes its side and reads until the client goes, so
// the client meets the end of the stream wherever the input ends.
//
// Input: byte 0 chooses the client's moves (bit 0 APOP, bits 1-2 the pipeline
// window, bits 3-4 the order of the calls, bits 5-7 the size of the body
// buffer); the rest is what the server sends.

#include "fuzz/fuzz_support.h"
#include "mail/nmail.h"

#include <QCoreApplication>
#include <algorithm>
#include <arpa/inet.h>
#include <array>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <span>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
// Plays one script per client, in the order the clients come.
class StreamServer
{
public:
    StreamServer()
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(m_listener, 16) != 0 ||
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            std::perror("fuzz server");
            std::abort();
        }
        m_port = ntohs(address.sin_port);
        std::thread([this] { serve(); }).detach();
    }
    quint16 port() const { return m_port; }
    void expectClient(QByteArray script)
    {
        const std::lock_guard lock(m_mutex);
        m_scripts.push_back(std::move(script));
        m_ready.notify_one();
    }

private:
    void serve()
    {
        for (;;) {
            const int client = ::accept(m_listener, nullptr, nullptr);
            if (client < 0)
                continue;
            QByteArray script;
            {
                std::unique_lock lock(m_mutex);
                m_ready.wait(lock, [this] { return !m_scripts.empty(); });
                script = std::move(m_scripts.front());
                m_scripts.pop_front();
            }
            play(client, script);
            ::shutdown(client, SHUT_WR);
            char sink[4096];
            while (::recv(client, sink, sizeof sink, 0) > 0) {
            }
            ::close(client);
        }
    }

    // Where the reply to `command` that starts at `from` ends: one line, or
    // up to the "." line for a "+OK" to CAPA, TOP or RETR.
    static qsizetype replyEnd(const QByteArray& script, qsizetype from, const QByteArray& command)
    {
        const auto lineEnd = [&](qsizetype at) {
            const qsizetype lf = script.indexOf('\n', at);
            return lf < 0 ? script.size() : lf + 1;
        };
        qsizetype end = lineEnd(from);
        const QByteArray verb = command.left(4).toUpper();
        if ((verb == "CAPA" || verb == "TOP " || verb == "RETR") && script.mid(from, 3) == "+OK") {
            QByteArray line;
            while (end < script.size() && line != ".\n" && line != ".\r\n") {
                line = script.mid(end, lineEnd(end) - end);
                end += line.size();
            }
        }
        return end;
    }

    static void play(int client, const QByteArray& script)
    {
        qsizetype sent = 0;
        const auto sendUpTo = [&](qsizetype end) {
            while (sent < end) {
                const ssize_t n = ::send(client, script.constData() + sent, size_t(end - sent), MSG_NOSIGNAL);
                if (n <= 0)
                    return false;
                sent += n;
            }
            return true;
        };
        QByteArray pending;
        bool open = sendUpTo(replyEnd(script, 0, {})); // the greeting
        while (open && sent < script.size()) {
            if (const qsizetype lf = pending.indexOf('\n'); lf >= 0) {
                open = sendUpTo(replyEnd(script, sent, pending.left(lf)));
                pending.remove(0, lf + 1);
                continue;
            }
            // A client silent this long waits for more than the next reply
            // holds: it gets the rest.
            pollfd wanted{client, POLLIN, 0};
            if (::poll(&wanted, 1, 100) <= 0)
                break;
            char chunk[4096];
            const ssize_t n = ::recv(client, chunk, sizeof chunk, 0);
            open = n > 0;
            pending.append(chunk, std::max<ssize_t>(n, 0));
        }
        if (open)
            sendUpTo(script.size());
    }

    int m_listener = -1;
    quint16 m_port = 0;
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<QByteArray> m_scripts;
};

StreamServer* server = nullptr;

// A buffer with a guard byte on each side, all checked after every call: the
// library must write inside its span and end the text with a NUL.
class Buffer
{
public:
    explicit Buffer(size_t size)
        : m_bytes(size + 2, '#')
    {
    }
    std::span<char> span() { return std::span<char>(m_bytes).subspan(1, m_bytes.size() - 2); }
    void check(const char* what)
    {
        FUZZ_CHECK(m_bytes.front() == '#' && m_bytes.back() == '#', "%s: written outside its buffer", what);
        const std::span<char> inside = span();
        FUZZ_CHECK(std::find(inside.begin(), inside.end(), '\0') != inside.end(), "%s: no NUL", what);
    }

private:
    std::vector<char> m_bytes;
};

struct Headers
{
    Buffer subject{64}, from{16}, date{8192}, id{1};
    void check()
    {
        subject.check("subject");
        from.check("from");
        date.check("date");
        id.check("message id");
    }
};

QByteArray lastError(NMail& mail)
{
    std::vector<char> text(1024);
    int capacity = int(text.size());
    mail.NMailGetMessage(0, text, &capacity);
    return QByteArray(text.data());
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    server = new StreamServer;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t moves = data[0];
    server->expectClient(QByteArray(reinterpret_cast<const char*>(data) + 1, qsizetype(size) - 1));

    NMail mail;
    // Every wait ends at the end of the stream; these only bound a fault.
    mail.setConnectTimeout(5000);
    mail.setReplyTimeout(5000);
    mail.setCallLimit(10000);
    mail.setPipelineWindow(std::array{0, 1, 2, 8}[(moves >> 1) & 3]);
    mail.NMailInitializeWinSock();
    mail.NMailSetOption(1, 8192);
    const int handle = mail.NMailPop3Connect("127.0.0.1:" + QByteArray::number(server->port()));
    if (handle < 0) {
        FUZZ_CHECK(!lastError(mail).isEmpty(), "a failed connect says why");
        return 0;
    }
    const int count = mail.NMailPop3Authenticate(handle, "user", "secret", (moves & 1) ? -1 : 0);
    if (count < 0) {
        FUZZ_CHECK(!lastError(mail).isEmpty(), "a failed login says why");
    } else {
        const int shown = std::min(count, 6);
        const int order = (moves >> 3) & 3;
        Buffer body(size_t(1) << ((moves >> 5) * 2)); // 1 byte to 16 KiB
        for (int i = 0; i < shown; ++i) {
            // The mail check's order, newest first, sizes only, or every
            // other message skipped after its status.
            const int number = order == 1 ? count - i : i + 1;
            Headers headers;
            if (order != 2)
                mail.NMailPop3GetMailStatus(handle, number, headers.subject.span(), headers.from.span(),
                                            headers.date.span(), headers.id.span(), 0);
            const int listed = mail.NMailPop3GetMailSize(handle, number);
            FUZZ_CHECK(listed >= -1);
            if (order != 3 || i % 2 == 0)
                mail.NMailPop3GetMail(handle, number, headers.subject.span(), headers.from.span(),
                                      headers.date.span(), headers.id.span(), body.span(), 0, 0);
            headers.check();
            body.check("body");
        }
    }
    mail.NMailPop3Close(handle);
    mail.NMailEndWinSock();
    return 0;
}
