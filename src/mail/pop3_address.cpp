#include "mail/pop3_address.h"

namespace {
constexpr quint16 kPop3Port = 110;
constexpr quint16 kPop3sPort = 995;

// Splits "host[:port]" or "[v6]:port"; false when the form is broken.
bool splitHostPort(QStringView text, QString& host, std::optional<quint16>& port)
{
    QStringView portText;
    if (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        if (close < 0)
            return false;
        host = text.sliced(1, close - 1).toString();
        const QStringView rest = text.sliced(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(u':'))
                return false;
            portText = rest.sliced(1);
        }
    } else {
        const qsizetype colon = text.lastIndexOf(u':');
        // More than one colon without brackets is a bare IPv6 literal.
        if (colon >= 0 && text.indexOf(u':') == colon) {
            host = text.first(colon).toString();
            portText = text.sliced(colon + 1);
        } else {
            host = text.toString();
        }
    }
    if (host.isEmpty() || host.contains(u'/') || host.contains(u' '))
        return false;
    if (portText.data() != nullptr) {
        bool ok = false;
        const uint value = portText.toUInt(&ok);
        if (!ok || value == 0 || value > 65535 || portText.startsWith(u'+'))
            return false;
        port = static_cast<quint16>(value);
    }
    return true;
}
} // namespace

QString Pop3Address::display() const
{
    const QString shownHost = host.contains(u':') ? u'[' + host + u']' : host;
    return shownHost + u':' + QString::number(port);
}

std::optional<Pop3Address> ParsePop3Address(QStringView text)
{
    text = text.trimmed();
    bool tlsScheme = false;
    if (text.startsWith(u"pop3s://", Qt::CaseInsensitive)) {
        tlsScheme = true;
        text = text.sliced(8);
    } else if (text.startsWith(u"pop3://", Qt::CaseInsensitive)) {
        text = text.sliced(7);
    } else if (text.contains(u"://")) {
        return std::nullopt;
    }
    if (text.endsWith(u'/'))
        text.chop(1);

    Pop3Address address;
    std::optional<quint16> port;
    if (!splitHostPort(text, address.host, port))
        return std::nullopt;
    address.port = port.value_or(tlsScheme ? kPop3sPort : kPop3Port);
    address.implicitTls = tlsScheme || address.port == kPop3sPort;
    return address;
}
