#include "mail/pop3_session.h"

#include <QCryptographicHash>

namespace {
// CAPA lists a dozen lines; anything far beyond is not a capability list.
constexpr int kMaxCapabilityLines = 1000;

// The APOP time stamp: the first "<...>" of the greeting.
QByteArray timestampOf(const QByteArray& greeting)
{
    const qsizetype open = greeting.indexOf('<');
    if (open < 0)
        return {};
    const qsizetype close = greeting.indexOf('>', open);
    if (close < 0 || close == open + 1)
        return {};
    const QByteArray stamp = greeting.mid(open, close - open + 1);
    for (char c : stamp) {
        if (static_cast<unsigned char>(c) <= ' ')
            return {};
    }
    return stamp;
}

bool holdsLineBreak(QByteArrayView text)
{
    return text.contains('\r') || text.contains('\n') || text.contains('\0');
}

} // namespace

Pop3Session::Pop3Session(Pop3Address address, Settings settings)
    : m_connection(std::move(address), settings.connection)
    , m_settings(std::move(settings))
{
}

Pop3Session::~Pop3Session() = default;

Pop3Session::Number Pop3Session::parseNumber(QByteArrayView text, qint64 limit, qint64& value)
{
    qsizetype i = 0;
    value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        value = value * 10 + (text[i] - '0');
        if (value > limit)
            return Number::TooLarge;
        ++i;
    }
    if (i == 0 || (i < text.size() && text[i] != ' '))
        return Number::Malformed;
    return Number::Ok;
}

bool Pop3Session::connectionFailed()
{
    m_error = m_connection.error();
    m_state = State::Closed;
    m_inFlight.clear();
    return false;
}

bool Pop3Session::protocolFailure(const QString& text)
{
    m_connection.fail(text);
    return connectionFailed();
}

Pop3Session::Status Pop3Session::readStatus(QByteArray& reply)
{
    if (!m_connection.readLine(reply)) {
        connectionFailed();
        return Status::Failed;
    }
    if (reply.startsWith("+OK"))
        return Status::Ok;
    if (reply.startsWith("-ERR"))
        return Status::Err;
    protocolFailure(
        QStringLiteral("%1 から POP3 の応答ではないデータが届きました。").arg(m_connection.where()));
    return Status::Failed;
}

bool Pop3Session::answersOnlyWhatWasAsked()
{
    // A reply that is there before its command went out answers nothing the
    // client asked; taken as the answer to the next command, it would put
    // words in the server's mouth (an unasked "+OK 7 700" read as the
    // message count).
    if (!m_connection.receivedUnasked())
        return true;
    return protocolFailure(
        QStringLiteral("%1 から、まだ送っていないコマンドへの応答が届きました（POP3 の手順に反しています）。")
            .arg(m_connection.where()));
}

Pop3Session::Status Pop3Session::command(QByteArrayView line, QByteArray& reply)
{
    if (!answersOnlyWhatWasAsked())
        return Status::Failed;
    if (!m_connection.send(line.toByteArray() + "\r\n")) {
        connectionFailed();
        return Status::Failed;
    }
    return readStatus(reply);
}

bool Pop3Session::open()
{
    if (m_state != State::Connecting) {
        m_error = QStringLiteral("すでに接続しています。");
        return false;
    }
    // One limit from the first byte to the last capability, the TLS
    // handshake included.
    const Pop3Connection::CallLimit limit(m_connection, m_settings.connection.callLimitMs);
    if (!m_connection.open())
        return connectionFailed();
    m_state = State::Greeting;
    if (!readGreeting() || !readCapabilities())
        return false;
    if (!m_connection.isEncrypted() && m_capabilities.contains("STLS")) {
        if (!upgradeToTls() || !readCapabilities())
            return false;
    }
    if (!admitsLogin())
        return false;
    m_state = State::Auth;
    return true;
}

bool Pop3Session::admitsLogin()
{
    ServerTrust* trust = m_settings.connection.trust;
    const Pop3Address& server = m_connection.address();
    if (!trust)
        return true;
    if (m_connection.isEncrypted()) {
        trust->noteTls(server, m_connection.systemVerified());
        return true;
    }
    // A host that once did TLS, on this port or another, and now offers
    // none: someone on the path may have struck STLS from its list. The
    // password stays home.
    if (trust->spokeTls(server))
        return protocolFailure(
            QStringLiteral("%1 は以前は暗号化に対応していました。今回は暗号化を申し出なかったため、"
                           "パスワードを送らずに接続を終えました。")
                .arg(m_connection.where()));
    if (trust->clearLoginAllowed(server))
        return true;
    // Neither the password nor an APOP digest goes out in clear before the
    // user has allowed it for this server; the caller asks and connects again.
    m_needsClearLoginConsent = true;
    m_connection.send("QUIT\r\n");
    m_connection.close(false);
    m_error =
        QStringLiteral("%1 は暗号化に対応していません。暗号化せずにパスワードを送ることは許されていないため、"
                       "パスワードを送らずに接続を終えました。")
            .arg(m_connection.where());
    m_state = State::Closed;
    return false;
}

bool Pop3Session::readGreeting()
{
    QByteArray greeting;
    const Status status = readStatus(greeting);
    if (status == Status::Failed)
        return false;
    if (status == Status::Err)
        return protocolFailure(QStringLiteral("%1 に接続を断られました: %2")
                                   .arg(m_connection.where(), DecodeServerText(greeting)));
    m_timestamp = timestampOf(greeting);
    return true;
}

bool Pop3Session::readCapabilities()
{
    m_state = State::Capa;
    m_capabilities.clear();
    QByteArray reply;
    const Status status = command("CAPA", reply);
    if (status == Status::Failed)
        return false;
    if (status == Status::Err)
        return true; // an old server: no capabilities known
    QByteArrayView line;
    for (int count = 0;; ++count) {
        switch (m_connection.readDataLine(line)) {
        case Pop3Connection::Data::Failed:
            return connectionFailed();
        case Pop3Connection::Data::End:
            return true;
        case Pop3Connection::Data::Line:
            if (count >= kMaxCapabilityLines)
                return protocolFailure(
                    QStringLiteral("%1 から届いた機能の一覧が長すぎます。").arg(m_connection.where()));
            m_capabilities.insert(line.trimmed().toByteArray().split(' ').first().toUpper());
            break;
        }
    }
}

bool Pop3Session::upgradeToTls()
{
    m_state = State::Stls;
    QByteArray reply;
    const Status status = command("STLS", reply);
    if (status == Status::Failed)
        return false;
    // The server offered TLS; going on in clear after a refusal would let
    // anyone on the path strip the encryption, so it ends the connection.
    if (status == Status::Err)
        return protocolFailure(QStringLiteral("%1 に暗号化（STLS）を断られました: %2")
                                   .arg(m_connection.where(), DecodeServerText(reply)));
    // Bytes sent before the handshake would be taken as if they came
    // through TLS: a known way to inject replies.
    if (m_connection.hasUnreadBytes())
        return protocolFailure(
            QStringLiteral("%1 から暗号化の開始前にデータが届きました。").arg(m_connection.where()));
    if (!m_connection.startTls())
        return connectionFailed();
    return true;
}

int Pop3Session::login(QByteArrayView user, QByteArrayView password, bool apop)
{
    if (m_state != State::Auth) {
        if (m_error.isEmpty() || m_state != State::Closed)
            m_error = m_state == State::Transaction ? QStringLiteral("すでにログインしています。")
                                                    : QStringLiteral("接続していません。");
        return -1;
    }
    // A line break would end the command early and let the rest be read as
    // a second command.
    if (holdsLineBreak(user) || holdsLineBreak(password)) {
        m_error = QStringLiteral("アカウント名かパスワードに改行が含まれています。");
        return -1;
    }
    const Pop3Connection::CallLimit limit(m_connection, m_settings.connection.callLimitMs);
    QByteArray reply;
    Status status;
    if (apop) {
        if (m_timestamp.isEmpty()) {
            m_error = QStringLiteral("%1 は APOP に対応していません（挨拶にタイムスタンプがありません）。")
                          .arg(m_connection.where());
            return -1;
        }
        const QByteArray digest =
            QCryptographicHash::hash(m_timestamp + password.toByteArray(), QCryptographicHash::Md5).toHex();
        status = command("APOP " + user.toByteArray() + ' ' + digest, reply);
    } else {
        status = command("USER " + user.toByteArray(), reply);
        if (status == Status::Ok)
            status = command("PASS " + password.toByteArray(), reply);
    }
    if (status == Status::Failed)
        return -1;
    if (status == Status::Err) {
        m_error = QStringLiteral("サーバー %1 にログインを断られました。\nサーバーからの返事: %2")
                      .arg(m_connection.where(), serverWords(reply));
        return -1;
    }
    m_state = State::Transaction;
    return readMessageCount();
}

QString Pop3Session::serverWords(QByteArrayView reply)
{
    // The server's words go to the user as they came, but in one line of
    // sane length: a box is no place for a 64 KiB reply.
    constexpr qsizetype kMaxShown = 300;
    QString words = DecodeServerText(reply);
    if (words.size() > kMaxShown)
        words = words.first(kMaxShown) + QStringLiteral("…");
    return words;
}

int Pop3Session::readMessageCount()
{
    QByteArray reply;
    const Status status = command("STAT", reply);
    if (status == Status::Failed)
        return -1;
    if (status == Status::Err) {
        m_error = QStringLiteral("サーバー %1 からメールの件数を得られませんでした。\nサーバーからの返事: %2")
                      .arg(m_connection.where(), serverWords(reply));
        return -1;
    }
    qint64 count = 0;
    if (parseNumber(QByteArrayView(reply).sliced(3).trimmed(), kMaxMessageCount, count) != Number::Ok) {
        m_error = QStringLiteral("%1 から届いたメールの件数が正しくありません（上限は %2 通）。")
                      .arg(m_connection.where())
                      .arg(kMaxMessageCount);
        return -1;
    }
    m_count = static_cast<int>(count);
    m_pipelining = m_capabilities.contains("PIPELINING") && m_settings.pipelineWindow > 0;
    return m_count;
}

void Pop3Session::quit()
{
    if (m_state == State::Closed)
        return;
    if (!m_connection.isDead()) {
        const Pop3Connection::CallLimit limit(m_connection, m_settings.connection.callLimitMs);
        // Replies still on their way would stand between QUIT and its answer;
        // a reader-only session has nothing to commit, so it need not wait.
        // Whatever else came is of no weight now: QUIT goes out in any case.
        QByteArray reply;
        const bool settled = m_inFlight.empty();
        if (m_connection.send("QUIT\r\n") && settled)
            readStatus(reply);
        m_connection.close(settled);
    }
    m_inFlight.clear();
    m_state = State::Closed;
}
