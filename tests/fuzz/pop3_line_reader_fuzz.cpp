// The POP3 line reader against a plain model of the stream: the input is cut
// into reads at places the input chooses, lines are taken as status lines or
// data lines in an order it chooses, and every result must be what the whole
// stream, read at once, says it is. Where the reads were cut never matters.
//
// Input: byte 0 the line limit (0: the default), bytes 1-4 the starting state
// of the random choices of the cuts and of the kind of each line taken, the
// rest the server's bytes.

#include "fuzz/fuzz_support.h"
#include "mail/pop3_line_reader.h"

#include <cstdint>
#include <cstring>

using Result = Pop3LineReader::Result;

namespace {
class Choices
{
public:
    explicit Choices(uint32_t start)
        : m_state(start | 1)
    {
    }
    uint32_t next()
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return m_state;
    }

private:
    uint32_t m_state;
};

struct Taken
{
    Result result;
    QByteArray line;
};

// What the reader must give for the next line of `stream` from `at`, knowing
// the whole stream: the line up to its LF without a CR before the LF, unless
// it is too long or holds a NUL; NeedMore when no LF comes.
Taken modelTake(QByteArrayView stream, qsizetype& at, qsizetype limit, bool data)
{
    const QByteArrayView rest = stream.sliced(at);
    const qsizetype lf = rest.indexOf('\n');
    if (lf < 0)
        return {rest.size() > limit + 1 ? Result::TooLong : Result::NeedMore, {}};
    QByteArrayView line = rest.first(lf);
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.size() > limit)
        return {Result::TooLong, {}};
    if (line.contains('\0'))
        return {Result::NulByte, {}};
    at += lf + 1;
    if (data && line == ".")
        return {Result::EndOfData, {}};
    if (data && line.startsWith('.'))
        line = line.sliced(1);
    return {Result::Line, line.toByteArray()};
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 5)
        return 0;
    const qsizetype limit = data[0] == 0 ? Pop3LineReader::kDefaultMaxLineLength : data[0] % 64;
    uint32_t start;
    std::memcpy(&start, data + 1, 4);
    const QByteArrayView stream(reinterpret_cast<const char*>(data) + 5, qsizetype(size) - 5);

    Choices cuts(start);
    Choices kinds(start * 2654435761u);
    Pop3LineReader reader(limit);
    qsizetype fed = 0;     // bytes appended so far
    qsizetype modelAt = 0; // bytes the model has taken as lines
    while (true) {
        const bool dataLine = kinds.next() & 1;
        QByteArrayView line;
        const Result got = dataLine ? reader.takeDataLine(line) : reader.takeLine(line);
        // The model sees only what was fed, since a line can end only there.
        qsizetype at = modelAt;
        const Taken want = modelTake(stream.first(fed), at, limit, dataLine);
        FUZZ_CHECK(got == want.result, "fed %lld, taken %lld: result %d, model %d", qint64(fed),
                   qint64(modelAt), int(got), int(want.result));
        if (got == Result::TooLong || got == Result::NulByte)
            return 0; // the stream cannot be trusted any more
        if (got == Result::NeedMore) {
            FUZZ_CHECK(reader.buffered() == fed - modelAt);
            if (fed == stream.size())
                return 0;
            const qsizetype piece = std::min<qsizetype>(stream.size() - fed, 1 + cuts.next() % 24);
            reader.append(stream.sliced(fed, piece));
            fed += piece;
            continue;
        }
        if (got == Result::Line)
            FUZZ_CHECK(line == want.line, "line '%s', model '%s'", Printable(line).constData(),
                       Printable(want.line).constData());
        modelAt = at;
    }
}
