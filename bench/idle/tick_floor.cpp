// The least a Qt program with a window on screen and a 20 ms timer can cost:
// it shows a small window and does nothing at each tick. bench/idle/run.sh
// runs it beside the real program, so that the panel's cost on screen can be
// read against what its tick costs before anything is drawn.
#include <QApplication>
#include <QTimer>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setGeometry(800, 0, 202, 120); // about the panel's size, clear of the mascot and the panel
    window.show();
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [] {});
    tick.start(20);
    return QApplication::exec();
}
