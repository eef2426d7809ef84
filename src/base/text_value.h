#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QtGlobal>

// The number a text begins with: leading blanks skipped, then an optional
// sign, digits and one decimal point ("1.5" -> 1.5, " 15 min" -> 15,
// "Text1" -> 0, "-" -> 0). Everything the program reads from a text box or a
// file as a number goes through here, so every reader agrees.
double ValueOfText(QStringView text);

// Nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
// Saturates at the 64-bit range; NaN gives 0.
qint64 RoundHalfEven(double value);

// RoundHalfEven clamped to the 16-bit range the program's small integers use,
// so an absurd value in a hand-edited file cannot overflow.
qint16 RoundHalfEvenToInt16(double value);

// The text up to, not including, its first NUL; the whole text without one.
QString TrimAtNul(const QString& text);
QByteArray TrimAtNul(const QByteArray& bytes);
