#include "core/main_panel.h"
#include "core/program.h"
#include "platform/desktop_services.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pawmelo"));

    Program::Environment environment;
    environment.programFolder = QCoreApplication::applicationDirPath();
    environment.endProgram = [] {
        std::fflush(nullptr);
        std::_Exit(0);
    };
    Program program(std::move(environment), MakeDesktopServices());
    program.startUp();
    Program::showForm(program.mainForm());
    return QApplication::exec();
}
