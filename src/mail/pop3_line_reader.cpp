#include "mail/pop3_line_reader.h"

#include <cstring>

Pop3LineReader::Pop3LineReader(qsizetype maxLineLength)
    : m_maxLineLength(maxLineLength)
{
}

void Pop3LineReader::append(QByteArrayView bytes)
{
    // Drop what was taken before growing, so the buffer stays near the size
    // of one read plus one unfinished line.
    if (m_start > 0 && m_start >= m_buffer.size() / 2) {
        m_buffer.remove(0, m_start);
        m_start = 0;
    }
    m_buffer.append(bytes);
}

Pop3LineReader::Result Pop3LineReader::takeLine(QByteArrayView& line)
{
    const char* data = m_buffer.constData() + m_start;
    const qsizetype available = m_buffer.size() - m_start;
    const void* lf = std::memchr(data + m_scanned, '\n', static_cast<size_t>(available - m_scanned));
    if (!lf) {
        m_scanned = available;
        // The CR that may precede the LF does not count against the limit.
        return available > m_maxLineLength + 1 ? Result::TooLong : Result::NeedMore;
    }
    const qsizetype lfAt = static_cast<const char*>(lf) - data;
    qsizetype length = lfAt;
    if (length > 0 && data[length - 1] == '\r')
        --length;
    if (length > m_maxLineLength)
        return Result::TooLong;
    if (std::memchr(data, '\0', static_cast<size_t>(length)))
        return Result::NulByte;
    line = QByteArrayView(data, length);
    m_start += lfAt + 1;
    m_scanned = 0;
    return Result::Line;
}

Pop3LineReader::Result Pop3LineReader::takeDataLine(QByteArrayView& line)
{
    const Result result = takeLine(line);
    if (result != Result::Line || line.isEmpty() || line.front() != '.')
        return result;
    if (line.size() == 1)
        return Result::EndOfData;
    line = line.sliced(1);
    return Result::Line;
}
