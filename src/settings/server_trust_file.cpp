#include "settings/server_trust_file.h"

#include "platform/profile.h"

#include <QHostAddress>
#include <QUrl>

namespace {
constexpr QByteArrayView kPins = "PINS";
constexpr QByteArrayView kTls = "TLS";
constexpr QByteArrayView kVerified = "VERIFIED";
constexpr QByteArrayView kClear = "CLEAR";
constexpr int kBufferSize = 256;
constexpr QFileDevice::Permissions kFileMode =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;

QByteArray hostKey(const QString& host)
{
    QHostAddress ip;
    if (ip.setAddress(host)) {
        if (ip.protocol() == QAbstractSocket::IPv6Protocol)
            return QUrl::toPercentEncoding(u'[' + ip.toString().toLower() + u']', ":");
        return ip.toString().toLatin1();
    }
    QString name = host;
    if (name.endsWith(u'.'))
        name.chop(1);
    const QByteArray ace = QUrl::toAce(name);
    if (!ace.isEmpty())
        return ace.toLower();
    // No DNS name at all: still kept apart from every other one.
    return QUrl::toPercentEncoding(name.toLower());
}

// The key earlier versions wrote: the address as typed, in Latin-1. Only
// a name Latin-1 holds whole gave a key of its own; others lost their
// characters to "?" and would be mistaken for another server's.
QByteArray legacyKey(const Pop3Address& server)
{
    const QString display = server.display();
    if (display.startsWith(u'['))
        return {}; // could never be written
    for (QChar c : display)
        if (c.unicode() > 0xff)
            return {};
    return display.toLatin1();
}

// The host part of a key, "host" of "host:port".
QByteArrayView hostOf(QByteArrayView key)
{
    const qsizetype colon = key.lastIndexOf(':');
    return colon < 0 ? key : key.first(colon);
}

bool sameHost(QByteArrayView key, const QByteArray& host)
{
    return !host.isEmpty() && hostOf(key).compare(host, Qt::CaseInsensitive) == 0;
}
} // namespace

QByteArray ServerTrustKey(const Pop3Address& server)
{
    return hostKey(server.host) + ':' + QByteArray::number(server.port);
}

ServerTrustFile::ServerTrustFile(QString file)
    : m_file(std::move(file))
{
}

QByteArray ServerTrustFile::pinnedFingerprint(const Pop3Address& server) const
{
    const QByteArray key = ServerTrustKey(server);
    if (const auto kept = m_unwrittenPins.find(key); kept != m_unwrittenPins.end())
        return *kept;
    QByteArray pinned = Profile::getString(m_file, kPins, key, {}, kBufferSize);
    const QByteArray legacy = legacyKey(server);
    if (pinned.isEmpty() && !legacy.isEmpty())
        pinned = Profile::getString(m_file, kPins, legacy, {}, kBufferSize);
    return pinned;
}

bool ServerTrustFile::pin(const Pop3Address& server, const QByteArray& fingerprint)
{
    const QByteArray key = ServerTrustKey(server);
    if (Profile::writeString(m_file, kPins, key, fingerprint, kFileMode)) {
        m_unwrittenPins.remove(key);
        return true;
    }
    m_unwrittenPins.insert(key, fingerprint);
    return false;
}

bool ServerTrustFile::isMarked(QByteArrayView section, const Pop3Address& server) const
{
    const QByteArray key = ServerTrustKey(server);
    if (m_unwrittenMarks.value(section.toByteArray()).contains(key))
        return true;
    const QByteArray legacy = legacyKey(server);
    return Profile::getInt(m_file, section, key, 0) == 1 ||
           (!legacy.isEmpty() && Profile::getInt(m_file, section, legacy, 0) == 1);
}

bool ServerTrustFile::isMarkedOnHost(QByteArrayView section, const Pop3Address& server) const
{
    const QByteArray host = hostKey(server.host);
    const QByteArray legacyHost = hostOf(legacyKey(server)).toByteArray();
    const auto onHost = [&](QByteArrayView key) { return sameHost(key, host) || sameHost(key, legacyHost); };
    for (const QByteArray& key : m_unwrittenMarks.value(section.toByteArray()))
        if (onHost(key))
            return true;
    for (const QByteArray& key : Profile::keys(m_file, section))
        if (onHost(key) && Profile::getInt(m_file, section, key, 0) == 1)
            return true;
    return false;
}

bool ServerTrustFile::mark(QByteArrayView section, const Pop3Address& server)
{
    const QByteArray key = ServerTrustKey(server);
    if (Profile::getInt(m_file, section, key, 0) == 1 ||
        Profile::writeString(m_file, section, key, "1", kFileMode))
        return true;
    m_unwrittenMarks[section.toByteArray()].insert(key);
    return false;
}

bool ServerTrustFile::spokeTls(const Pop3Address& server) const
{
    return isMarkedOnHost(kTls, server);
}

bool ServerTrustFile::systemVerified(const Pop3Address& server) const
{
    return isMarkedOnHost(kVerified, server);
}

void ServerTrustFile::noteTls(const Pop3Address& server, bool systemVerified)
{
    mark(kTls, server);
    if (systemVerified)
        mark(kVerified, server);
}

bool ServerTrustFile::clearLoginAllowed(const Pop3Address& server) const
{
    return isMarked(kClear, server);
}

bool ServerTrustFile::allowClearLogin(const Pop3Address& server)
{
    return mark(kClear, server);
}
