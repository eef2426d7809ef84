#include "settings/text_refusal.h"

#include "forms/program.h"

#include <QLineEdit>
#include <QStringList>

bool AcceptStorableText(Program& program, QWidget* dialog, std::initializer_list<TextField> fields,
                        TextStore store)
{
    QStringList problems;
    QLineEdit* first = nullptr;
    for (const TextField& field : fields) {
        const QString problem = UnstorableTextMessage(field.name, field.box->text(), store);
        if (problem.isEmpty())
            continue;
        problems.append(problem);
        if (!first)
            first = field.box;
    }
    if (problems.isEmpty())
        return true;
    program.handlers().messageBox(dialog, problems.join(u'\n'), QStringLiteral("エラー"),
                                  Prompts::Buttons::Ok, Prompts::Icon::Exclamation);
    first->setFocus();
    return false;
}
