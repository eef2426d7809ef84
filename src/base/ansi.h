#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The Japanese ANSI code page (CP932, "windows-31j") in which the settings
// files, the companion mailer's file and the mail library's texts are kept.
/// The code page's name for Qt's converters.
inline constexpr const char* kAnsiCodePageName = "windows-31j";

QByteArray ToAnsi(QStringView text);
QString FromAnsi(QByteArrayView bytes);

// Length in bytes of the longest prefix of `bytes` that is at most `limit`
// bytes long and does not end in the middle of a double-byte character.
qsizetype AnsiPrefixLength(QByteArrayView bytes, qsizetype limit);
