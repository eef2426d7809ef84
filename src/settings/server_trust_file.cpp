#include "settings/server_trust_file.h"

#include "platform/profile.h"

namespace {
constexpr QByteArrayView kPins = "PINS";
constexpr QByteArrayView kTls = "TLS";
constexpr int kBufferSize = 256;
constexpr QFileDevice::Permissions kFileMode =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;

// Host names are ASCII (IDNs in their ACE form), so the key is the
// address's Latin-1 bytes; the profile matches keys without regard to case.
QByteArray keyOf(const QString& address)
{
    return address.toLatin1();
}
} // namespace

ServerTrustFile::ServerTrustFile(QString file)
    : m_file(std::move(file))
{
}

QByteArray ServerTrustFile::pinnedFingerprint(const QString& address) const
{
    return Profile::getString(m_file, kPins, keyOf(address), {}, kBufferSize);
}

void ServerTrustFile::pin(const QString& address, const QByteArray& fingerprint)
{
    Profile::writeString(m_file, kPins, keyOf(address), fingerprint, kFileMode);
}

bool ServerTrustFile::spokeTls(const QString& address) const
{
    return Profile::getInt(m_file, kTls, keyOf(address), 0) == 1;
}

void ServerTrustFile::noteTls(const QString& address)
{
    if (!spokeTls(address))
        Profile::writeString(m_file, kTls, keyOf(address), "1", kFileMode);
}
