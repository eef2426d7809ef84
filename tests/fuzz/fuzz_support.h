#pragma once

// Shared pieces of the fuzz targets: cutting an input into fields, a check
// that stops the run with a message libFuzzer keeps beside the input, and a
// scratch folder for targets that work on files.

#include <QByteArray>
#include <QByteArrayView>
#include <QDir>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <memory>

// Fields of a structured input are separated by the byte 0x1E (record
// separator), so starting inputs can be written by hand.
inline constexpr char kFieldSeparator = '\x1e';

// The first `count` - 1 fields, and the rest of the input as the last one;
// missing fields are empty.
inline QList<QByteArrayView> SplitFields(QByteArrayView input, int count)
{
    QList<QByteArrayView> fields;
    while (fields.size() < count - 1) {
        const qsizetype at = input.indexOf(kFieldSeparator);
        if (at < 0)
            break;
        fields.append(input.first(at));
        input = input.sliced(at + 1);
    }
    fields.append(input);
    while (fields.size() < count)
        fields.append(QByteArrayView());
    return fields;
}

inline QByteArray Printable(QByteArrayView bytes)
{
    return bytes.toByteArray().toPercentEncoding(" =[];:.,-_+/<>?!'\"()@");
}

// A property that failed: says which and aborts, so libFuzzer saves the input.
#define FUZZ_CHECK(condition, ...)                                                                           \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "FUZZ_CHECK failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);         \
            std::fprintf(stderr, "" __VA_ARGS__);                                                            \
            std::fprintf(stderr, "\n");                                                                      \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)

// A folder for the files a target writes, on a memory file system when there
// is one (every write syncs), removed when the run ends normally.
inline QString ScratchFolder()
{
    static const std::unique_ptr<QTemporaryDir> folder = [] {
        const QString base = QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
        auto dir = std::make_unique<QTemporaryDir>(base + QStringLiteral("/pawmelo-fuzz-XXXXXX"));
        if (!dir->isValid()) {
            std::fprintf(stderr, "cannot make a scratch folder under %s\n", qPrintable(base));
            std::abort();
        }
        return dir;
    }();
    return folder->path();
}
