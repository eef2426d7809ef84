#include "app/desktop_services.h"
#include "forms/program.h"
#include "forms/program_font.h"
#include "forms/qt_texts.h"
#include "mascot/primary_mascot.h"
#include "platform/window_platform.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    // The mascots are shaped, topmost windows at absolute positions: on a
    // Wayland desktop they need X11 through XWayland.
    if (ShouldUseXcbPlatform(CurrentWindowPlatformChoice(argc, argv)))
        qputenv("QT_QPA_PLATFORM", "xcb");
    // Drawing through X shared memory makes Qt wait for the X server's reply
    // before every repaint, so that the server has read the previous picture
    // before it is drawn over. The windows here are small, and the panel's
    // name display repaints 50 times a second: a round trip each time costs
    // more than sending its few pixels over the socket.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pawmelo"));
    UseProgramFont();
    UseJapaneseQtTexts();
    // The program ends where it says so (the mascot's right button, closing
    // the mascot), never because the last ordinary window was closed: the
    // mascots are tool windows, which Qt does not count.
    QApplication::setQuitOnLastWindowClosed(false);

    Program::Environment environment;
    environment.programFolder = QCoreApplication::applicationDirPath();
    environment.endProgram = [] {
        std::fflush(nullptr);
        std::_Exit(0);
    };
    Program program(std::move(environment), MakeDesktopServices());
    // The mascot's load runs the program's start-up; it shows when that is done.
    Program::showForm(program.form1());
    return QApplication::exec();
}
