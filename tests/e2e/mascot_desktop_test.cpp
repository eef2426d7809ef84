// Starts the real program on a private X server with a fresh program folder
// and checks on a picture of the whole screen that the mascot stands at the
// mouse pointer cut to its outline: the figure's own colours inside, the
// desktop behind it everywhere the picture has its background colour. Then a
// right-button press on the figure must end the program.
// The picture is saved as screenshots/mascot_desktop.png in the build folder.

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {
constexpr QRgb kKey = 0xC0C0C0;
const QPoint kPointer(60, 500); // where the mascot's top-left corner will be

QString buildDir()
{
    return qEnvironmentVariable("PAWMELO_BUILD_DIR");
}

// A private X server that keeps its state between clients (-noreset: by
// default the server resets whenever its last client leaves, which would
// undo the desktop background and the pointer position set by the helpers).
class PrivateXServer
{
public:
    ~PrivateXServer()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(2000);
        }
    }
    // The display name (":N"), or empty when the server did not start.
    QString start()
    {
        m_process.start(QStringLiteral("Xvfb"),
                        {"-displayfd", "1", "-noreset", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
        if (!m_process.waitForStarted(5000))
            return {};
        QByteArray number;
        while (!number.endsWith('\n') && m_process.waitForReadyRead(10000))
            number += m_process.readAllStandardOutput();
        number = number.trimmed();
        return number.isEmpty() ? QString() : QStringLiteral(":") + QString::fromLatin1(number);
    }

private:
    QProcess m_process;
};

QImage pose(const char* name)
{
    return QImage(qEnvironmentVariable("PAWMELO_SOURCE_DIR") + "/assets/mascot/" + name + ".png")
        .convertToFormat(QImage::Format_RGB32);
}

// Runs a helper program against the test's display; true when it exits 0.
bool run(const QString& display, const QString& program, const QStringList& arguments,
         QByteArray* output = nullptr)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    if (!process.waitForFinished(10000))
        return false;
    if (output)
        *output = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QImage screenshot(const QString& display, const QString& path)
{
    if (!run(display, QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), path}))
        return {};
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

// Points of the 100 x 100 square where all three poses agree: opaque in the
// same colour (figure) or background in all three (see-through).
void agreeingPoints(QList<QPoint>* figure, QList<QPoint>* clear)
{
    const QImage a = pose("pose_a"), b = pose("pose_b"), c = pose("pose_c");
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 100; ++x) {
            const QRgb pa = a.pixel(x, y) & 0xFFFFFF;
            if (pa != (b.pixel(x, y) & 0xFFFFFF) || pa != (c.pixel(x, y) & 0xFFFFFF))
                continue;
            (pa == kKey ? clear : figure)->append(QPoint(x, y));
        }
    }
}

// How many points of the mascot's square differ from what they should show.
int mismatches(const QImage& shot, const QImage& desktop, const QList<QPoint>& figure,
               const QList<QPoint>& clear, const QImage& poseA)
{
    int wrong = 0;
    for (const QPoint& p : figure)
        wrong += (shot.pixel(kPointer + p) & 0xFFFFFF) != (poseA.pixel(p) & 0xFFFFFF);
    for (const QPoint& p : clear)
        wrong += shot.pixel(kPointer + p) != desktop.pixel(kPointer + p);
    return wrong;
}
} // namespace

class MascotDesktopTest final : public QObject
{
    Q_OBJECT
private slots:
    void mascotIsCutToItsOutlineAndRightClickEndsIt()
    {
        PrivateXServer xserver;
        const QString display = xserver.start();
        QVERIFY2(!display.isEmpty(), "could not start Xvfb");

        // A program folder of its own: the program, an empty settings folder;
        // a working directory without the companion mailer's file.
        QTemporaryDir folder, workingDir;
        QVERIFY(QFile::copy(buildDir() + "/pawmelo", folder.filePath("pawmelo")));
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("★MailData")));

        QList<QPoint> figure, clear;
        agreeingPoints(&figure, &clear);
        QVERIFY(figure.size() > 1000 && clear.size() > 1000);

        // A checkered desktop, so that see-through pixels are told apart from
        // any plain colour a window might paint.
        QImage tile(16, 16, QImage::Format_RGB32);
        for (int ty = 0; ty < 16; ++ty)
            for (int tx = 0; tx < 16; ++tx)
                tile.setPixel(tx, ty, (tx < 8) == (ty < 8) ? 0xFFA05030 : 0xFF3070A0);
        QVERIFY(tile.save(workingDir.filePath("desktop.png")));
        run(display, "display", {"-window", "root", workingDir.filePath("desktop.png")});

        const QString shots = buildDir() + "/screenshots";
        QDir().mkpath(shots);
        const QImage desktop = screenshot(display, shots + "/mascot_desktop_before.png");
        QVERIFY(!desktop.isNull());
        QCOMPARE(desktop.pixel(0, 0), 0xFFA05030);
        QCOMPARE(desktop.pixel(8, 0), 0xFF3070A0);

        const QString x = QString::number(kPointer.x()), y = QString::number(kPointer.y());
        QByteArray where;
        QVERIFY(run(display, "xdotool", {"mousemove", x, y}));
        QVERIFY(run(display, "xdotool", {"getmouselocation"}, &where));
        QVERIFY2(where.startsWith("x:" + x.toLatin1() + " y:" + y.toLatin1()), where.constData());

        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.insert(QStringLiteral("DISPLAY"), display);
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(workingDir.path());
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(folder.filePath("pawmelo"), {QStringLiteral("-platform"), QStringLiteral("xcb")});
        QVERIFY(program.waitForStarted(5000));

        // The window is a plain square until its first tick (one second
        // after load) cuts it to a pose; look until it is cut or time is up.
        const QImage poseA = pose("pose_a");
        const QString path = shots + "/mascot_desktop.png";
        QImage shot;
        int wrong = -1;
        for (int attempt = 0; attempt < 12 && wrong != 0; ++attempt) {
            QTest::qWait(500);
            shot = screenshot(display, path);
            if (!shot.isNull())
                wrong = mismatches(shot, desktop, figure, clear, poseA);
        }
        QVERIFY(!shot.isNull());
        QVERIFY2(wrong == 0, qPrintable(QString::number(wrong) + " pixels of the mascot's square are wrong"));
        // Outside the picture's square the desktop shows too (the strip
        // beyond the picture lies outside the window).
        QCOMPARE(shot.pixel(kPointer + QPoint(105, 50)), desktop.pixel(kPointer + QPoint(105, 50)));

        // A right-button press on the figure ends the program at once.
        const QPoint onFigure = kPointer + figure.at(figure.size() / 2);
        QVERIFY(run(display, "xdotool",
                    {"mousemove", "--sync", QString::number(onFigure.x()), QString::number(onFigure.y()),
                     "click", "3"}));
        const bool ended = program.waitForFinished(5000);
        if (!ended) {
            program.kill();
            program.waitForFinished(2000);
        }
        QVERIFY(ended);
        QCOMPARE(program.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(MascotDesktopTest)
#include "mascot_desktop_test.moc"
