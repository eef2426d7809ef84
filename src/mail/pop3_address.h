#pragma once

#include <QString>
#include <QStringView>
#include <optional>

// Where a POP3 server is and how to talk to it.
struct Pop3Address
{
    QString host;
    quint16 port = 110;
    bool implicitTls = false; // TLS from the first byte (pop3s, port 995)

    // "host:port", with IPv6 literals in brackets, for messages to the user.
    QString display() const;
};

// Reads "host", "host:port", "pop3://host[:port]" or "pop3s://host[:port]"
// (scheme in any case, surrounding blanks and one trailing "/" ignored).
// The port is 110, or 995 for pop3s; port 995 always means TLS from the first
// byte. IPv6 literals go in brackets ("[::1]:110"). Nothing for an empty host,
// a port outside 1..65535 or any other scheme.
std::optional<Pop3Address> ParsePop3Address(QStringView text);
