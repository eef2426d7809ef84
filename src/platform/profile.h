#pragma once

#include "platform/file_replace.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QFileDevice>
#include <QList>
#include <QString>
#include <utility>

// Private-profile (INI) files kept as byte strings in the ANSI code page
// (CP932), read and written the way the Windows profile calls do:
//
//  - "[section]" lines open a section; "key=value" lines inside it hold the
//    values; lines starting with ';' are comments. Section and key names are
//    matched without regard to ASCII case (the second byte of a double-byte
//    character is compared exactly).
//  - Lines end at CR LF, a lone CR or a lone LF on reading; every line
//    written ends with CR LF.
//  - A UTF-8 byte-order mark that an editor put at the start of the file is
//    not part of the first line's name on reading; on writing, the first
//    line is kept as it was, mark and all.
//  - Blanks around a key are ignored, but a value is everything after the
//    first '=' up to the end of its line, blanks and quotes included, so
//    whatever is written reads back unchanged.
//  - With a key given twice in a section, the first one counts and is the
//    one a write replaces; with a section given twice, the first one counts.
//  - Every call opens and closes the file; nothing is cached. The folder is
//    never created. A file that is not an ordinary file, cannot be read, or
//    is larger than MaxFileSize is treated as missing.
class Profile final
{
public:
    Profile() = delete;

    /// Files larger than this are not read (and never rewritten), so a stray
    /// huge file cannot exhaust memory.
    static constexpr qint64 MaxFileSize = 4 * 1024 * 1024;

    /// The whole number the value's text begins with: blanks skipped, an
    /// optional sign, then decimal digits ("1.5" -> 1, "15abc" -> 15,
    /// "abc" -> 0), clamped to the int range. `defaultValue` when the key,
    /// its section or the file is missing.
    static int getInt(const QString& file, QByteArrayView section, QByteArrayView key, int defaultValue);

    /// The value's bytes, at most `bufferSize` - 1 of them and never ending
    /// in half of a double-byte character; `defaultValue` (cut the same way)
    /// when the key, its section or the file is missing. A value read stops
    /// at a NUL byte, as a C string would.
    static QByteArray getString(const QString& file, QByteArrayView section, QByteArrayView key,
                                QByteArrayView defaultValue, int bufferSize);

    /// Sets `key` in `section` to `value`, creating the file, the section and
    /// the key when missing and keeping every other line as it was. A value
    /// is cut at its first CR, LF or NUL, since an INI line cannot hold more.
    /// The file is replaced atomically (ReplaceFile, file_replace.h), so a
    /// killed write or a full disk leaves the old file or the new one, whole.
    /// The file's mode follows `mode` and `rule` as ReplaceFile says.
    /// Returns false, changing nothing, when the folder is missing, the file
    /// cannot be read whole, written or replaced, the file is too large, or
    /// the section or key name could not be stored as one line (empty, line
    /// breaks, '=' in a key, ']' in a section or a lone lead byte at its
    /// end, ...).
    static bool writeString(const QString& file, QByteArrayView section, QByteArrayView key,
                            QByteArrayView value, QFileDevice::Permissions mode,
                            FileModeRule rule = FileModeRule::NewFile);

    /// Sets several keys of `section`, in order, as writeString does, in one
    /// replacement of the file: at every moment the file holds all of the
    /// old values or all of the new ones. Changes nothing and returns false
    /// when any of the names could not be stored.
    static bool writeStrings(const QString& file, QByteArrayView section,
                             const QList<std::pair<QByteArray, QByteArray>>& keyValues,
                             QFileDevice::Permissions mode, FileModeRule rule = FileModeRule::NewFile);
};
