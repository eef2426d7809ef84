// The message commands of a logged-in session (TOP, LIST, RETR) and the
// sending of commands ahead when the server allows pipelining.
#include "mail/pop3_session.h"

#include <algorithm>

namespace {
// A header that large is not a header any more.
constexpr qint64 kMaxHeaderReply = 4LL * 1024 * 1024;
// Servers may list sizes a little off; beyond this a message does not end.
constexpr qint64 kRetrSlack = 1LL * 1024 * 1024;
// Only messages this small are fetched ahead: a message fetched ahead is
// held in memory until it is asked for, or read and dropped should the
// caller change its order.
constexpr qint64 kMaxSizeSentAhead = 1LL * 1024 * 1024;
// What a message fetched ahead may take in memory, should the server send
// more than it listed.
constexpr qsizetype kMaxStashBytes = kMaxSizeSentAhead + 64 * 1024;
// Sizes read ahead and kept until asked for.
constexpr std::size_t kMaxKeptSizes = 256;
} // namespace

// Where the text of a message goes while it is read: into the caller's
// buffer (cut to fit, NUL-terminated), into memory up to a limit, or nowhere.
class Pop3Session::BodySink
{
public:
    static BodySink into(std::span<char> buffer)
    {
        BodySink sink;
        sink.m_buffer = buffer;
        return sink;
    }
    static BodySink keep(QByteArray& bytes, qsizetype limit)
    {
        BodySink sink;
        sink.m_bytes = &bytes;
        sink.m_limit = limit;
        bytes.resize(0); // keeps the capacity from the last message
        return sink;
    }
    static BodySink drop() { return {}; }

    void put(QByteArrayView bytes)
    {
        if (m_bytes) {
            if (m_bytes->size() + bytes.size() > m_limit)
                m_overflow = true;
            else
                m_bytes->append(bytes);
        } else if (!m_buffer.empty()) {
            const std::size_t room = m_buffer.size() - 1 - m_written; // one byte stays for the NUL
            const std::size_t n = std::min<std::size_t>(bytes.size(), room);
            std::copy_n(bytes.data(), n, m_buffer.data() + m_written);
            m_written += n;
        }
    }
    void finish()
    {
        if (!m_buffer.empty())
            m_buffer[m_written] = '\0';
    }
    bool overflowed() const { return m_overflow; }

private:
    BodySink() = default;
    std::span<char> m_buffer;
    std::size_t m_written = 0;
    QByteArray* m_bytes = nullptr;
    qsizetype m_limit = 0;
    bool m_overflow = false;
};

bool Pop3Session::checkMessage(int number)
{
    if (m_state != State::Transaction) {
        if (m_state != State::Closed || m_error.isEmpty())
            m_error = QStringLiteral("ログインしていません。");
        return false;
    }
    if (number < 1 || number > m_count) {
        m_error = QStringLiteral("%2 に %1 番のメールはありません。").arg(number).arg(m_connection.where());
        return false;
    }
    return true;
}

bool Pop3Session::status(int number, MailHeaders& headers)
{
    if (!checkMessage(number))
        return false;
    const Pop3Connection::CallLimit limit(m_connection, m_settings.connection.callLimitMs);
    noteRequest({Command::Top, number});
    if (m_stash.number != number && !stashAhead(number)) {
        if (m_state == State::Closed)
            return false;
        // Not fetched ahead: ask for the header alone.
        TopResult result;
        if (!bringToFront({Command::Top, number}))
            return false;
        m_inFlight.pop_front();
        if (!readTopReply(result))
            return false;
        sendAhead();
        if (!result.ok) {
            m_error = result.error;
            return false;
        }
        headers = std::move(result.headers);
        return true;
    }
    sendAhead();
    if (!m_stash.error.isEmpty()) {
        m_error = m_stash.error;
        return false;
    }
    headers = m_stash.headers;
    return true;
}

// With pipelining, reads message `number` whole into the stash, once its
// size is known to be small. False when the message does not go ahead.
bool Pop3Session::stashAhead(int number)
{
    if (!m_pipelining)
        return false;
    sendAhead();
    if (inFlight({Command::List, number})) {
        ListResult result;
        if (!bringToFront({Command::List, number}))
            return false;
        m_inFlight.pop_front();
        if (!readListReply(number, result))
            return false;
        m_listAhead[number] = result;
        sendAhead();
    }
    if (!inFlight({Command::Retr, number}) || !bringToFront({Command::Retr, number}))
        return false;
    m_inFlight.pop_front();
    // The message comes whole in this call, so the call gets the time its
    // retrieval would have had; what came before it did not.
    m_connection.raiseCallLimit(retrievalLimitMs(number));
    m_stash.number = 0;
    m_stash.headers = {};
    m_stash.error.clear();
    // Room for the listed size (small, or it would not have gone ahead).
    if (const auto listed = m_listAhead.find(number); listed != m_listAhead.end())
        m_stash.text.reserve(std::min<qsizetype>(kMaxStashBytes, listed->second.size + 4096));
    BodySink sink = BodySink::keep(m_stash.text, kMaxStashBytes);
    if (!readRetrReply(&m_stash.headers, sink, m_stash.error))
        return false;
    m_stash.number = number;
    m_stash.complete = !sink.overflowed();
    return true;
}

qint64 Pop3Session::size(int number)
{
    if (!checkMessage(number))
        return -1;
    const Pop3Connection::CallLimit limit(m_connection, m_settings.connection.callLimitMs);
    const Request request{Command::List, number};
    noteRequest(request);
    ListResult result;
    if (const auto kept = m_listAhead.find(number); kept != m_listAhead.end()) {
        result = kept->second;
    } else {
        if (!bringToFront(request))
            return -1;
        m_inFlight.pop_front();
        if (!readListReply(number, result))
            return -1;
        m_listAhead[number] = result; // remembered for RETR's size check
        keepBounded();
    }
    sendAhead();
    if (!result.ok) {
        m_error = result.error;
        return -1;
    }
    return result.size;
}

bool Pop3Session::retrieve(int number, MailHeaders& headers, std::span<char> body)
{
    if (!checkMessage(number))
        return false;
    if (const auto kept = m_listAhead.find(number);
        kept != m_listAhead.end() && kept->second.size > kMaxMessageSize) {
        m_error = kept->second.error;
        return false;
    }
    const Request request{Command::Retr, number};
    noteRequest(request);
    const Pop3Connection::CallLimit limit(m_connection, retrievalLimitMs(number));
    QString serverError;
    BodySink sink = BodySink::into(body);
    if (m_stash.number == number && (m_stash.complete || !m_stash.error.isEmpty())) {
        sink.put(m_stash.text);
        sink.finish();
        headers = std::move(m_stash.headers);
        serverError = m_stash.error;
        m_stash.number = 0;
    } else {
        if (!bringToFront(request))
            return false;
        m_inFlight.pop_front();
        // The size may have come only now, with the replies read ahead of
        // the message.
        m_connection.raiseCallLimit(retrievalLimitMs(number));
        if (!readRetrReply(&headers, sink, serverError))
            return false;
    }
    sendAhead();
    if (!serverError.isEmpty()) {
        m_error = serverError;
        return false;
    }
    return true;
}

// Follows the caller along status, size, message, next message... Skipping
// the message itself is fine when it was not fetched ahead (the mail check
// skips a message whose size it could not get). Any other order ends the
// sending ahead for the rest of the session.
void Pop3Session::noteRequest(Request request)
{
    if (!m_pipelining)
        return;
    if (m_expected.command == Command::Retr && request == Request{Command::Top, m_expected.number + 1} &&
        !(m_expected.number < m_nextRetrAhead && goesAhead(m_expected.number)))
        m_expected = request;
    if (request != m_expected) {
        m_pipelining = false;
        return;
    }
    switch (m_expected.command) {
    case Command::Top:
        m_expected.command = Command::List;
        break;
    case Command::List:
        m_expected.command = Command::Retr;
        break;
    case Command::Retr:
        m_expected = {Command::Top, m_expected.number + 1};
        break;
    }
}

bool Pop3Session::inFlight(Request request) const
{
    return std::find(m_inFlight.begin(), m_inFlight.end(), request) != m_inFlight.end();
}

bool Pop3Session::bringToFront(Request request)
{
    if (!inFlight(request) && !sendRequest(request))
        return false;
    // Reading ahead may send ahead, and a failed send empties the queue.
    while (!m_inFlight.empty() && m_inFlight.front() != request) {
        if (!consumeFront())
            return false;
    }
    return !m_inFlight.empty();
}

// Reads the reply at the head of the queue, which the caller has not asked
// for yet: a size is kept, anything else is read and dropped.
bool Pop3Session::consumeFront()
{
    const Request front = m_inFlight.front();
    m_inFlight.pop_front();
    if (front.command == Command::List) {
        ListResult result;
        if (!readListReply(front.number, result))
            return false;
        m_listAhead[front.number] = result;
        keepBounded();
        sendAhead(); // the size is known: the message may go ahead now
        return true;
    }
    QString ignored;
    if (front.command == Command::Top) {
        TopResult result;
        return readTopReply(result);
    }
    BodySink sink = BodySink::drop();
    return readRetrReply(nullptr, sink, ignored);
}

void Pop3Session::keepBounded()
{
    while (m_listAhead.size() > kMaxKeptSizes)
        m_listAhead.erase(m_listAhead.begin());
}

qint64 Pop3Session::retrievalLimitMs(int number) const
{
    const Pop3Connection::Settings& limits = m_settings.connection;
    qint64 limit = limits.callLimitMs;
    if (const auto listed = m_listAhead.find(number); listed != m_listAhead.end() && listed->second.ok)
        limit += listed->second.size * 1000 / std::max(1, limits.transferBytesPerSecond);
    return std::min<qint64>(limit, limits.maxCallLimitMs);
}

QByteArray Pop3Session::commandLine(Request request) const
{
    const QByteArray number = QByteArray::number(request.number);
    switch (request.command) {
    case Command::Top:
        return "TOP " + number + " 0\r\n";
    case Command::List:
        return "LIST " + number + "\r\n";
    case Command::Retr:
        return "RETR " + number + "\r\n";
    }
    return {};
}

bool Pop3Session::sendRequest(Request request)
{
    // With replies still due, what has come may be theirs.
    if (m_inFlight.empty() && !answersOnlyWhatWasAsked())
        return false;
    if (!m_connection.send(commandLine(request)))
        return connectionFailed();
    m_inFlight.push_back(request);
    return true;
}

// Whether message `number` is fetched ahead: only once its size is known
// to be small.
bool Pop3Session::goesAhead(int number) const
{
    const auto size = m_listAhead.find(number);
    return size != m_listAhead.end() && size->second.ok && size->second.size <= kMaxSizeSentAhead;
}

// Queues commands for the messages the caller will ask for next: sizes for
// twice the window, so that they are known by the time a message may go,
// and the messages themselves for the window. Replies to sizes asked for
// early then arrive in front of the messages that need them, and the server
// always has work queued. Messages go in order: one whose size is still on
// its way, or is too large to go ahead, holds back the ones after it until
// the caller has passed it, so that no message fetched ahead stands in
// front of the commands sent for it.
void Pop3Session::sendAhead()
{
    if (!m_pipelining || m_state != State::Transaction)
        return;
    const qint64 first = m_expected.number;
    const qint64 window = m_settings.pipelineWindow;
    const int lastSize = static_cast<int>(std::min<qint64>(m_count, first + 2 * window - 1));
    const int lastMessage = static_cast<int>(std::min<qint64>(m_count, first + window - 1));
    m_nextListAhead = std::max(m_nextListAhead, static_cast<int>(first));
    m_nextRetrAhead = std::max(m_nextRetrAhead, static_cast<int>(first));
    QByteArray batch;
    const bool nothingDue = m_inFlight.empty();
    const auto queue = [&](Command command, int number) {
        m_inFlight.push_back({command, number});
        batch += commandLine({command, number});
    };
    for (; m_nextListAhead <= lastSize; ++m_nextListAhead) {
        if (!m_listAhead.contains(m_nextListAhead))
            queue(Command::List, m_nextListAhead);
    }
    for (; m_nextRetrAhead <= lastMessage && goesAhead(m_nextRetrAhead); ++m_nextRetrAhead)
        queue(Command::Retr, m_nextRetrAhead);
    if (batch.isEmpty())
        return;
    if (nothingDue && !answersOnlyWhatWasAsked())
        return;
    if (!m_connection.send(batch))
        connectionFailed();
}

Pop3Session::Status Pop3Session::readReplyStatus(QByteArray& line, QString& serverError)
{
    const Status status = readStatus(line);
    if (status == Status::Err)
        serverError = DecodeServerText(line);
    return status;
}

template <class TooLarge, class OnLine>
bool Pop3Session::readDataLines(qint64 limit, TooLarge tooLarge, OnLine onLine)
{
    qint64 total = 0;
    QByteArrayView data;
    for (;;) {
        switch (m_connection.readDataLine(data)) {
        case Pop3Connection::Data::Failed:
            return connectionFailed();
        case Pop3Connection::Data::End:
            return true;
        case Pop3Connection::Data::Line:
            total += data.size() + 2;
            if (total > limit)
                return protocolFailure(tooLarge());
            onLine(data);
            break;
        }
    }
}

bool Pop3Session::readTopReply(TopResult& result)
{
    QByteArray line;
    const Status status = readReplyStatus(line, result.error);
    if (status != Status::Ok)
        return status == Status::Err;
    MailHeaderCollector collector;
    const auto tooLarge = [this] {
        return QStringLiteral("%1 から届いたヘッダーが %2 バイトを超えています。")
            .arg(m_connection.where())
            .arg(kMaxHeaderReply);
    };
    if (!readDataLines(kMaxHeaderReply, tooLarge, [&](QByteArrayView data) { collector.addLine(data); }))
        return false;
    result.ok = true;
    result.headers = collector.headers();
    return true;
}

bool Pop3Session::readListReply(int number, ListResult& result)
{
    QByteArray line;
    const Status status = readReplyStatus(line, result.error);
    if (status != Status::Ok)
        return status == Status::Err;
    // "+OK <number> <size>": a different number means the replies are out
    // of step with the commands, and nothing after can be trusted.
    const QByteArrayView rest = QByteArrayView(line).sliced(3).trimmed();
    qint64 listed = 0;
    if (parseNumber(rest, kMaxMessageCount, listed) != Number::Ok || listed != number)
        return protocolFailure(QStringLiteral("%1 から LIST %2 に別のメールの応答が届きました。")
                                   .arg(m_connection.where())
                                   .arg(number));
    const qsizetype blank = rest.indexOf(' ');
    const QByteArrayView sizeText = blank < 0 ? QByteArrayView() : rest.sliced(blank + 1).trimmed();
    switch (parseNumber(sizeText, kMaxMessageSize, result.size)) {
    case Number::Ok:
        result.ok = true;
        break;
    case Number::TooLarge:
        result.size = kMaxMessageSize + 1;
        result.error = QStringLiteral("%1 の %2 番のメールは %3 バイトを超えています。")
                           .arg(m_connection.where())
                           .arg(number)
                           .arg(kMaxMessageSize);
        break;
    case Number::Malformed:
        result.size = -1;
        result.error = QStringLiteral("%1 から %2 番のメールのサイズが届きませんでした。")
                           .arg(m_connection.where())
                           .arg(number);
        break;
    }
    return true;
}

bool Pop3Session::readRetrReply(MailHeaders* headers, BodySink& sink, QString& serverError)
{
    QByteArray line;
    const Status status = readReplyStatus(line, serverError);
    if (status != Status::Ok)
        return status == Status::Err;
    MailHeaderCollector collector;
    const auto tooLarge = [this] {
        return QStringLiteral("%1 から届いたメールが %2 バイトを超えています。")
            .arg(m_connection.where())
            .arg(kMaxMessageSize);
    };
    const bool read = readDataLines(kMaxMessageSize + kRetrSlack, tooLarge, [&](QByteArrayView data) {
        if (headers && !collector.headerEnded())
            collector.addLine(data);
        sink.put(data);
        sink.put("\r\n");
    });
    if (!read)
        return false;
    sink.finish();
    if (headers)
        *headers = collector.headers();
    return true;
}
