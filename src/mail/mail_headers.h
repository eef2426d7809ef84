#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <array>

// The header fields the mail library reports for a message, decoded to text.
struct MailHeaders
{
    QString subject;
    QString from;
    QString date;
    QString messageId;
};

// Reads the header of a message line by line (without line ends), as the
// lines arrive, and keeps the first Subject, From, Date and Message-ID with
// their continuation lines unfolded. Everything after the blank line that
// ends the header is ignored. Each kept field is capped, so a hostile header
// cannot make it grow without bound.
class MailHeaderCollector final
{
public:
    void addLine(QByteArrayView line);
    bool headerEnded() const { return m_ended; }
    MailHeaders headers() const;

    // Raw bytes kept per field; far above what the 8 KiB result buffers take.
    static constexpr qsizetype kMaxFieldBytes = 32 * 1024;

private:
    enum Field
    {
        Subject,
        From,
        Date,
        MessageId,
        FieldCount,
    };
    std::array<QByteArray, FieldCount> m_raw;
    std::array<bool, FieldCount> m_seen{};
    int m_current = -1; // field that continuation lines belong to, or -1
    bool m_ended = false;
};

// Decodes an unfolded header value: RFC 2047 encoded-words ("=?charset?B?...?="
// and "?Q?") in any charset the system knows, with the blanks between two
// adjacent encoded-words dropped; bare 8-bit bytes are read as UTF-8 when they
// are valid UTF-8, as ISO-2022-JP when they carry its escapes, else as CP932.
// Control characters become blanks; the result is trimmed.
QString DecodeHeaderText(QByteArrayView raw);

// A line a POP3 server sent in its own words (a greeting, an "-ERR ..."),
// decoded for the user. POP3 names no charset for these: servers use UTF-8
// or the Japanese code page, so the bytes are read as UTF-8 when they are
// valid UTF-8, as ISO-2022-JP when they carry its escapes, else as CP932.
// Control characters become blanks.
QString DecodeServerText(QByteArrayView line);

// The text in the ANSI code page (CP932), with "?" for what CP932 cannot hold.
QByteArray HeaderTextToAnsi(const QString& text);
