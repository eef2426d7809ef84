#include "platform/mci_command.h"

#include <algorithm>
#include <iterator>
#include <span>
#include <utility>
#include <vector>

namespace {
struct Word
{
    QString text;
    bool quoted = false;
};

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

int splitWords(QStringView text, std::vector<Word>* words)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (true) {
        while (i < n && isBlank(text[i]))
            ++i;
        if (i == n)
            return MciError::None;
        if (text[i] == u'"') {
            const qsizetype close = text.indexOf(u'"', i + 1);
            if (close < 0)
                return MciError::NoClosingQuote;
            words->push_back({text.sliced(i + 1, close - i - 1).toString(), true});
            i = close + 1;
        } else {
            qsizetype end = i;
            while (end < n && !isBlank(text[end]))
                ++end;
            words->push_back({text.sliced(i, end - i).toString(), false});
            i = end;
        }
    }
}

// A quoted word is always a value, never a keyword: `open "alias" alias x`.
bool isKeyword(const Word& word, QLatin1StringView keyword)
{
    return !word.quoted && word.text.compare(keyword, Qt::CaseInsensitive) == 0;
}

// Only the ASCII digits: QString::toLongLong alone would also take a sign
// and surrounding blanks.
std::optional<qint64> wholeNumber(const QString& text)
{
    if (text.isEmpty())
        return std::nullopt;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

// Reads "<keyword> <value>" at `rest[*i]`, refusing a second occurrence.
int takeValue(std::span<const Word> rest, size_t* i, bool* seen, QString* value)
{
    if (*seen)
        return MciError::DuplicateFlags;
    if (*i + 1 >= rest.size())
        return MciError::MissingParameter;
    *seen = true;
    *value = rest[++*i].text;
    return MciError::None;
}

int parseOpen(std::span<const Word> rest, MciCommand* out)
{
    bool seenAlias = false;
    QString alias;
    for (size_t i = 0; i < rest.size(); ++i) {
        if (!isKeyword(rest[i], QLatin1StringView("alias")))
            return MciError::UnrecognizedKeyword;
        if (const int error = takeValue(rest, &i, &seenAlias, &alias))
            return error;
        if (alias.isEmpty())
            return MciError::MissingParameter;
    }
    out->name = seenAlias ? alias : out->element;
    return MciError::None;
}

int parsePlay(std::span<const Word> rest, MciCommand* out)
{
    bool seenFrom = false;
    QString position;
    for (size_t i = 0; i < rest.size(); ++i) {
        if (!isKeyword(rest[i], QLatin1StringView("from")))
            return MciError::UnrecognizedKeyword;
        if (const int error = takeValue(rest, &i, &seenFrom, &position))
            return error;
        out->from = wholeNumber(position);
        if (!out->from)
            return MciError::BadInteger;
    }
    return MciError::None;
}

int parseStatus(std::span<const Word> rest, MciCommand* out)
{
    if (rest.empty())
        return MciError::MissingParameter;
    if (rest.size() > 1 || rest[0].quoted)
        return MciError::UnrecognizedKeyword;
    out->statusItem = rest[0].text.toLower();
    return MciError::None;
}
} // namespace

int MciCommand::parse(QStringView text, MciCommand* out)
{
    std::vector<Word> words;
    if (const int error = splitWords(text, &words))
        return error;
    if (words.empty())
        return MciError::MissingCommandString;

    using namespace Qt::StringLiterals;
    static constexpr std::pair<QLatin1StringView, Verb> kVerbs[] = {
        {"open"_L1, Verb::Open}, {"play"_L1, Verb::Play},   {"status"_L1, Verb::Status},
        {"stop"_L1, Verb::Stop}, {"close"_L1, Verb::Close},
    };
    const auto* verb = std::find_if(std::begin(kVerbs), std::end(kVerbs),
                                    [&](const auto& entry) { return isKeyword(words[0], entry.first); });
    if (verb == std::end(kVerbs))
        return MciError::UnrecognizedCommand;
    if (words.size() < 2 || words[1].text.isEmpty())
        return MciError::MissingDeviceName;

    *out = MciCommand{};
    out->verb = verb->second;
    const std::span<const Word> rest(words.begin() + 2, words.end());
    switch (out->verb) {
    case Verb::Open:
        out->element = words[1].text;
        return parseOpen(rest, out);
    case Verb::Play:
        out->name = words[1].text;
        return parsePlay(rest, out);
    case Verb::Status:
        out->name = words[1].text;
        return parseStatus(rest, out);
    case Verb::Stop:
    case Verb::Close:
        out->name = words[1].text;
        return rest.empty() ? MciError::None : MciError::UnrecognizedKeyword;
    }
    return MciError::UnrecognizedCommand;
}
