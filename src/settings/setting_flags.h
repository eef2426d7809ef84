#pragma once

#include <QCheckBox>
#include <QString>

// Flag keys of the settings files hold "1" or "0".

// 1 ticks the box, 0 clears it, any other value leaves it alone. `boxOf`
// gives the box and is called only when the box is to change, since reaching
// a window's box creates the window.
template <class BoxOf>
void ApplySettingFlag(int value, BoxOf boxOf)
{
    if (value == 1)
        boxOf()->setChecked(true);
    else if (value == 0)
        boxOf()->setChecked(false);
}

// "1" for a ticked box, "0" for a clear one.
inline QString SettingFlagText(const QCheckBox* box)
{
    return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
}
