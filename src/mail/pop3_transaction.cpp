// The message commands of a logged-in session (TOP, LIST, RETR) and the
// sending of commands ahead when the server allows pipelining.
#include "mail/pop3_session.h"

#include <algorithm>

namespace {
// A header that large is not a header any more.
constexpr qint64 kMaxHeaderReply = 4LL * 1024 * 1024;
// Servers may list sizes a little off; beyond this a message does not end.
constexpr qint64 kRetrSlack = 1LL * 1024 * 1024;
// Messages fetched ahead must be small: should the caller change its order,
// a message fetched ahead is read and dropped.
constexpr qint64 kMaxSizeSentAhead = 1LL * 1024 * 1024;
// Replies read ahead and kept until asked for.
constexpr std::size_t kMaxKeptReplies = 64;
} // namespace

bool Pop3Session::checkMessage(int number)
{
    if (m_state != State::Transaction) {
        if (m_state != State::Closed || m_error.isEmpty())
            m_error = QStringLiteral("Not logged in.");
        return false;
    }
    if (number < 1 || number > m_count) {
        m_error = QStringLiteral("There is no message %1 on %2.").arg(number).arg(m_connection.where());
        return false;
    }
    return true;
}

bool Pop3Session::status(int number, MailHeaders& headers)
{
    if (!checkMessage(number))
        return false;
    const Request request{Command::Top, number};
    noteRequest(request);
    TopResult result;
    if (const auto kept = m_topAhead.find(number); kept != m_topAhead.end()) {
        result = std::move(kept->second);
        m_topAhead.erase(kept);
    } else {
        if (!bringToFront(request))
            return false;
        m_inFlight.pop_front();
        if (!readTopReply(result))
            return false;
    }
    sendAhead();
    if (!result.ok) {
        m_error = result.error;
        return false;
    }
    headers = std::move(result.headers);
    return true;
}

qint64 Pop3Session::size(int number)
{
    if (!checkMessage(number))
        return -1;
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
    if (!bringToFront(request))
        return false;
    m_inFlight.pop_front();
    QString serverError;
    if (!readRetrReply(&headers, body, serverError))
        return false;
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
    const auto retrSentAhead = [this](int number) {
        const auto sent = m_sentAhead.find(number);
        return sent != m_sentAhead.end() && sent->second.retr;
    };
    if (m_expected.command == Command::Retr && request == Request{Command::Top, m_expected.number + 1} &&
        !retrSentAhead(m_expected.number))
        m_expected = request;
    if (request != m_expected) {
        m_pipelining = false;
        m_sentAhead.clear();
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

bool Pop3Session::bringToFront(Request request)
{
    if (std::find(m_inFlight.begin(), m_inFlight.end(), request) == m_inFlight.end()) {
        if (!sendRequest(request))
            return false;
        sendAhead();
    }
    // Reading ahead may send ahead, and a failed send empties the queue.
    while (!m_inFlight.empty() && m_inFlight.front() != request) {
        if (!consumeFront())
            return false;
    }
    return !m_inFlight.empty();
}

// Reads the reply at the head of the queue, which the caller has not asked
// for yet: headers and sizes are kept, a message is read and dropped.
bool Pop3Session::consumeFront()
{
    const Request front = m_inFlight.front();
    m_inFlight.pop_front();
    switch (front.command) {
    case Command::Top: {
        TopResult result;
        if (!readTopReply(result))
            return false;
        m_topAhead[front.number] = std::move(result);
        break;
    }
    case Command::List: {
        ListResult result;
        if (!readListReply(front.number, result))
            return false;
        m_listAhead[front.number] = result;
        sendAhead(); // the size is known: the message may go ahead now
        break;
    }
    case Command::Retr: {
        QString ignored;
        if (!readRetrReply(nullptr, {}, ignored))
            return false;
        break;
    }
    }
    keepBounded();
    return true;
}

void Pop3Session::keepBounded()
{
    while (m_topAhead.size() > kMaxKeptReplies)
        m_topAhead.erase(m_topAhead.begin());
    while (m_listAhead.size() > kMaxKeptReplies)
        m_listAhead.erase(m_listAhead.begin());
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
    if (!m_connection.send(commandLine(request)))
        return connectionFailed();
    m_inFlight.push_back(request);
    if (m_pipelining) {
        SentAhead& sent = m_sentAhead[request.number];
        (request.command == Command::Top    ? sent.top
         : request.command == Command::List ? sent.list
                                            : sent.retr) = true;
    }
    return true;
}

// Puts the commands for the window of messages starting at the one the
// caller will ask for next on the wire, in one write. A message goes ahead
// only once its size is known to be small.
void Pop3Session::sendAhead()
{
    if (!m_pipelining || m_state != State::Transaction)
        return;
    const int first = m_expected.number;
    const int last =
        static_cast<int>(std::min<qint64>(m_count, qint64(first) + m_settings.pipelineWindow - 1));
    m_sentAhead.erase(m_sentAhead.begin(), m_sentAhead.lower_bound(first));
    QByteArray batch;
    for (int number = first; number <= last; ++number) {
        SentAhead& sent = m_sentAhead[number];
        const auto queue = [&](Command command, bool& flag) {
            flag = true;
            m_inFlight.push_back({command, number});
            batch += commandLine({command, number});
        };
        if (!sent.top)
            queue(Command::Top, sent.top);
        if (!sent.list)
            queue(Command::List, sent.list);
        const auto size = m_listAhead.find(number);
        if (!sent.retr && size != m_listAhead.end() && size->second.ok &&
            size->second.size <= kMaxSizeSentAhead)
            queue(Command::Retr, sent.retr);
    }
    if (!batch.isEmpty() && !m_connection.send(batch))
        connectionFailed();
}

bool Pop3Session::readTopReply(TopResult& result)
{
    QByteArray line;
    const Status status = readStatus(line);
    if (status == Status::Failed)
        return false;
    if (status == Status::Err) {
        result.error = QString::fromLatin1(line);
        return true;
    }
    MailHeaderCollector collector;
    qint64 total = 0;
    QByteArrayView data;
    for (;;) {
        switch (m_connection.readDataLine(data)) {
        case Pop3Connection::Data::Failed:
            return connectionFailed();
        case Pop3Connection::Data::End:
            result.ok = true;
            result.headers = collector.headers();
            return true;
        case Pop3Connection::Data::Line:
            total += data.size() + 2;
            if (total > kMaxHeaderReply)
                return protocolFailure(QStringLiteral("%1 sent a header larger than %2 bytes.")
                                           .arg(m_connection.where())
                                           .arg(kMaxHeaderReply));
            collector.addLine(data);
            break;
        }
    }
}

bool Pop3Session::readListReply(int number, ListResult& result)
{
    QByteArray line;
    const Status status = readStatus(line);
    if (status == Status::Failed)
        return false;
    if (status == Status::Err) {
        result.error = QString::fromLatin1(line);
        return true;
    }
    // "+OK <number> <size>": a different number means the replies are out
    // of step with the commands, and nothing after can be trusted.
    const QByteArrayView rest = QByteArrayView(line).sliced(3).trimmed();
    qint64 listed = 0;
    if (parseNumber(rest, kMaxMessageCount, listed) != Number::Ok || listed != number)
        return protocolFailure(
            QStringLiteral("%1 answered LIST %2 for another message.").arg(m_connection.where()).arg(number));
    const qsizetype blank = rest.indexOf(' ');
    const QByteArrayView sizeText = blank < 0 ? QByteArrayView() : rest.sliced(blank + 1).trimmed();
    switch (parseNumber(sizeText, kMaxMessageSize, result.size)) {
    case Number::Ok:
        result.ok = true;
        break;
    case Number::TooLarge:
        result.size = kMaxMessageSize + 1;
        result.error = QStringLiteral("%1 lists message %2 as larger than %3 bytes.")
                           .arg(m_connection.where())
                           .arg(number)
                           .arg(kMaxMessageSize);
        break;
    case Number::Malformed:
        result.size = -1;
        result.error =
            QStringLiteral("%1 sent no size for message %2.").arg(m_connection.where()).arg(number);
        break;
    }
    return true;
}

bool Pop3Session::readRetrReply(MailHeaders* headers, std::span<char> body, QString& serverError)
{
    QByteArray line;
    const Status status = readStatus(line);
    if (status == Status::Failed)
        return false;
    if (status == Status::Err) {
        serverError = QString::fromLatin1(line);
        return true;
    }
    MailHeaderCollector collector;
    const std::size_t capacity = body.empty() ? 0 : body.size() - 1; // one byte for the NUL
    std::size_t written = 0;
    qint64 total = 0;
    const auto put = [&](QByteArrayView bytes) {
        const std::size_t n = std::min<std::size_t>(bytes.size(), capacity - written);
        std::copy_n(bytes.data(), n, body.data() + written);
        written += n;
    };
    QByteArrayView data;
    for (;;) {
        switch (m_connection.readDataLine(data)) {
        case Pop3Connection::Data::Failed:
            return connectionFailed();
        case Pop3Connection::Data::End:
            if (!body.empty())
                body[written] = '\0';
            if (headers)
                *headers = collector.headers();
            return true;
        case Pop3Connection::Data::Line:
            total += data.size() + 2;
            if (total > kMaxMessageSize + kRetrSlack)
                return protocolFailure(QStringLiteral("%1 sent a message larger than %2 bytes.")
                                           .arg(m_connection.where())
                                           .arg(kMaxMessageSize));
            if (headers)
                collector.addLine(data);
            put(data);
            put("\r\n");
            break;
        }
    }
}
