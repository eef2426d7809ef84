// What a Qt program with a small window on screen and a 20 ms timer costs
// before anything of its own is drawn: it shows a window of about the
// panel's size and does nothing at each tick. With the argument "label" it
// moves a plain QLabel by a pixel at each tick instead, as a scrolling
// caption is written without care. bench/idle/run.sh runs both beside the
// real program, so that the panel's figure reads against the two.
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <cstring>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const bool moveLabel = argc > 1 && std::strcmp(argv[argc - 1], "label") == 0;
    QWidget window;
    window.setGeometry(800, moveLabel ? 200 : 0, 185, 116); // clear of the mascot and the panel
    auto* label = new QLabel(QStringLiteral("インターバルチェック"), &window);
    label->setGeometry(184, 0, 161, 17);
    window.show();
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (moveLabel)
            label->move(label->x() > -label->width() ? label->x() - 1 : window.width(), 0);
    });
    tick.start(20);
    return QApplication::exec();
}
