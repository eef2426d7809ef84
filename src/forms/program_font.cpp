#include "forms/program_font.h"

#include <QApplication>

QFont ProgramFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("IPAPGothic"), QStringLiteral("IPA Pゴシック"),
                      QStringLiteral("Noto Sans CJK JP"), QStringLiteral("VL PGothic"),
                      QStringLiteral("TakaoPGothic"), QStringLiteral("sans-serif")});
    font.setPointSize(9);
    return font;
}

void UseProgramFont()
{
    QApplication::setFont(ProgramFont());
}
