#include "mail/nmail.h"

#include "base/ansi.h"
#include "mail/pop3_session.h"

#include <algorithm>
#include <limits>

namespace {
// Writes `text` into `buffer` as a NUL-terminated byte string, cut at a
// character boundary so that it always fits. Returns the bytes written.
int putText(std::span<char> buffer, const QByteArray& text)
{
    if (buffer.empty())
        return 0;
    const qsizetype length = AnsiPrefixLength(text, static_cast<qsizetype>(buffer.size()) - 1);
    std::copy_n(text.constData(), length, buffer.data());
    buffer[static_cast<std::size_t>(length)] = '\0';
    return static_cast<int>(length);
}

void putHeaders(const MailHeaders& headers, std::span<char> subject, std::span<char> from,
                std::span<char> date, std::span<char> messageId)
{
    putText(subject, HeaderTextToAnsi(headers.subject));
    putText(from, HeaderTextToAnsi(headers.from));
    putText(date, HeaderTextToAnsi(headers.date));
    putText(messageId, HeaderTextToAnsi(headers.messageId));
}
} // namespace

struct NMail::Private
{
    Pop3Session::Settings settings;
    std::map<int, std::unique_ptr<Pop3Session>> sessions;
    int lastHandle = 0;
    QString lastError;
    std::optional<RefusedCertificate> refused; // of the last connect

    Pop3Session* session(int handle)
    {
        const auto found = sessions.find(handle);
        if (found == sessions.end()) {
            lastError = QStringLiteral("接続番号 %1 の接続はありません。").arg(handle);
            return nullptr;
        }
        return found->second.get();
    }

    int newHandle()
    {
        // Handles are not reused while the program runs, so a stale handle
        // can never reach a newer connection.
        do {
            lastHandle = lastHandle == std::numeric_limits<int>::max() ? 1 : lastHandle + 1;
        } while (sessions.contains(lastHandle));
        return lastHandle;
    }
};

NMail::NMail()
    : d(std::make_unique<Private>())
{
}

NMail::~NMail()
{
    NMailEndWinSock();
}

int NMail::NMailInitializeWinSock()
{
    return 0;
}

int NMail::NMailEndWinSock()
{
    for (auto& [handle, session] : d->sessions)
        session->quit();
    d->sessions.clear();
    return 0;
}

int NMail::NMailSetOption(int option, int value)
{
    return 0;
}

int NMail::NMailPop3Connect(const QByteArray& server)
{
    const QString text = FromAnsi(server);
    const std::optional<Pop3Address> address = ParsePop3Address(text);
    if (!address) {
        d->lastError = QStringLiteral("「%1」は POP3 サーバーのアドレスではありません。").arg(text);
        return -1;
    }
    d->refused.reset();
    auto session = std::make_unique<Pop3Session>(*address, d->settings);
    if (!session->open()) {
        d->lastError = session->error();
        d->refused = session->refusedCertificate();
        return -1;
    }
    const int handle = d->newHandle();
    d->sessions.emplace(handle, std::move(session));
    return handle;
}

int NMail::NMailPop3Authenticate(int handle, const QByteArray& id, const QByteArray& password, int apop)
{
    Pop3Session* session = d->session(handle);
    if (!session)
        return -1;
    const int count = session->login(id, password, apop != 0);
    if (count < 0)
        d->lastError = session->error();
    return count;
}

int NMail::NMailPop3GetMailStatus(int handle, int number, std::span<char> subject, std::span<char> from,
                                  std::span<char> date, std::span<char> messageId, int flag)
{
    Pop3Session* session = d->session(handle);
    MailHeaders headers;
    const bool ok = session && session->status(number, headers);
    // On failure the buffers are emptied, so that nothing left from an
    // earlier message reads as this one's.
    putHeaders(headers, subject, from, date, messageId);
    if (!ok) {
        if (session)
            d->lastError = session->error();
        return -1;
    }
    return 0;
}

int NMail::NMailPop3GetMailSize(int handle, int number)
{
    Pop3Session* session = d->session(handle);
    if (!session)
        return -1;
    const qint64 size = session->size(number);
    if (size < 0) {
        d->lastError = session->error();
        return -1;
    }
    return static_cast<int>(size); // at most 256 MiB
}

int NMail::NMailPop3GetMail(int handle, int number, std::span<char> subject, std::span<char> from,
                            std::span<char> date, std::span<char> messageId, std::span<char> body, int flag1,
                            int flag2)
{
    Pop3Session* session = d->session(handle);
    MailHeaders headers;
    const bool ok = session && session->retrieve(number, headers, body);
    putHeaders(headers, subject, from, date, messageId);
    if (!ok) {
        putText(body, {});
        if (session)
            d->lastError = session->error();
        return -1;
    }
    return 0;
}

int NMail::NMailPop3Close(int handle)
{
    const auto found = d->sessions.find(handle);
    if (found == d->sessions.end()) {
        d->lastError = QStringLiteral("接続番号 %1 の接続はありません。").arg(handle);
        return -1;
    }
    found->second->quit();
    d->sessions.erase(found);
    return 0;
}

int NMail::NMailGetMessage(int code, std::span<char> buffer, int* capacity)
{
    std::size_t room = buffer.size();
    if (capacity)
        room = std::min(room, static_cast<std::size_t>(std::max(0, *capacity)));
    // A server's words may hold characters the code page lacks: they become
    // "?" rather than bytes that would garble the rest of the text.
    return putText(buffer.first(room), HeaderTextToAnsi(d->lastError));
}

void NMail::setConnectTimeout(int milliseconds)
{
    d->settings.connection.connectTimeoutMs = milliseconds;
}

void NMail::setReplyTimeout(int milliseconds)
{
    d->settings.connection.replyTimeoutMs = milliseconds;
}

void NMail::setCallLimit(int milliseconds)
{
    d->settings.connection.callLimitMs = milliseconds;
}

void NMail::setTransferAllowance(int bytesPerSecond)
{
    d->settings.connection.transferBytesPerSecond = std::max(1, bytesPerSecond);
}

void NMail::setMaxCallLimit(int milliseconds)
{
    d->settings.connection.maxCallLimitMs = milliseconds;
}

void NMail::setSessionLimit(int milliseconds)
{
    d->settings.connection.sessionLimitMs = milliseconds;
}

void NMail::setLookupTimeout(int milliseconds)
{
    d->settings.connection.lookupTimeoutMs = milliseconds;
}

void NMail::setHostResolver(HostResolver resolver)
{
    d->settings.connection.resolveHost = std::move(resolver);
}

void NMail::addCaCertificates(const QList<QSslCertificate>& certificates)
{
    d->settings.connection.extraCaCertificates += certificates;
}

void NMail::setPipelineWindow(int messages)
{
    d->settings.pipelineWindow = std::clamp(messages, 0, 64);
}

void NMail::setServerTrust(ServerTrust* trust)
{
    d->settings.connection.trust = trust;
}

std::optional<NMail::RefusedCertificate> NMail::refusedCertificate() const
{
    return d->refused;
}

void NMail::trustCertificate(const QString& address, const QByteArray& fingerprint)
{
    if (d->settings.connection.trust)
        d->settings.connection.trust->pin(address, fingerprint);
}
