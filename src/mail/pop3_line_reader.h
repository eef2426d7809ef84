#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Cuts the bytes a POP3 server sends into lines. Lines end at LF; a CR just
// before the LF is dropped. The reader holds only what has arrived and not
// been taken yet, and refuses a line that grows past its limit before an LF
// comes, so a server that never ends its line cannot make it grow for ever.
//
// Inside a multi-line reply the lone "." ends the data and a leading dot that
// the server doubled is taken off again. Both work on whole lines, so it does
// not matter how the bytes were split across reads.
class Pop3LineReader final
{
public:
    enum class Result
    {
        NeedMore,  // no complete line yet; append more bytes
        Line,      // a line was taken
        EndOfData, // the "." that ends a multi-line reply was taken
        TooLong,   // a line passed the limit; the stream cannot be trusted any more
        NulByte,   // a line held a NUL byte, which POP3 does not allow
    };

    static constexpr qsizetype kDefaultMaxLineLength = 64 * 1024;

    explicit Pop3LineReader(qsizetype maxLineLength = kDefaultMaxLineLength);

    void append(QByteArrayView bytes);
    // Takes one line of a single-line reply (or a greeting). The view points
    // into the reader and stays valid until the next append().
    Result takeLine(QByteArrayView& line);
    // Takes one line of a multi-line reply, dot-unstuffed, or the end marker.
    Result takeDataLine(QByteArrayView& line);

    // Bytes received but not taken yet.
    qsizetype buffered() const { return m_buffer.size() - m_start; }
    qsizetype maxLineLength() const { return m_maxLineLength; }

private:
    QByteArray m_buffer;
    qsizetype m_start = 0;   // first byte not taken yet
    qsizetype m_scanned = 0; // bytes after m_start already known to hold no LF
    qsizetype m_maxLineLength;
};
