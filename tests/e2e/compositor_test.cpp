// Both mascots under a compositing window manager (xfwm4 with its
// compositor on): once shaped, neither shows its see-through key colour on
// the screen. The desktop is left plain: a picture put on the root window
// with ImageMagick's display leaves the root named by a 1 x 1 stand-in
// pixmap, and xfwm4's compositor then repaints nothing behind a window, so
// every window that moves or changes its shape leaves its old pixels there
// (xeyes as well as the mascots).

#include "support/file_bytes.h"
#include "support/x_desktop.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTest>

namespace {
constexpr QRgb kKey = 0xC0C0C0;
const QSize kMascot(100, 100);
const QPoint kStart(120, 200);
const QPoint kOnFigure(50, 60);
const QPoint kAlertButton(116, 86); // 確認♪ on the panel
} // namespace

class CompositorTest final : public QObject
{
    Q_OBJECT
private slots:
    void bothMascotsAreShaped();
    void cleanupTestCase()
    {
        m_program.kill();
        m_program.waitForFinished(3000);
    }

private:
    QList<QRect> mascots() const
    {
        QList<QRect> found;
        for (const XDesktop::Window& w : m_x.visibleWindows(m_program.processId()))
            if (w.geometry.size() == kMascot)
                found.append(w.geometry);
        return found;
    }
    QImage screenshot() const
    {
        const QString path = m_folder.filePath("shot.png");
        if (!m_x.run("import", {"-window", "root", path}))
            return {};
        return QImage(path).convertToFormat(QImage::Format_RGB32);
    }
    // Pixels of the key colour the screen shows over `where`, leaving out
    // those that already had it in `before`.
    int keyPixels(QRect where, const QImage& before = {}) const
    {
        const QImage shot = screenshot();
        if (shot.isNull())
            return -1;
        auto key = [](const QImage& image, int x, int y) {
            return !image.isNull() && (image.pixel(x, y) & 0xFFFFFF) == kKey;
        };
        int count = 0;
        for (int y = where.top(); y <= where.bottom(); ++y)
            for (int x = where.left(); x <= where.right(); ++x)
                count += key(shot, x, y) && !key(before, x, y);
        return count;
    }

    XDesktop m_x;
    QTemporaryDir m_folder;
    QTemporaryDir m_workingDir;
    QProcess m_program;
};

void CompositorTest::bothMascotsAreShaped()
{
    QVERIFY2(
        !m_x.start(true, "1024x768x24", {}, {"xfwm4", "--compositor=on", "--vblank=off", "--sm-client-disable"})
             .isEmpty(),
        "could not start Xvfb with xfwm4");
    const QString data = MakeProgramFolder(m_folder.path());
    QVERIFY(!data.isEmpty());
    writeBytes(data + "/ini.ini", "[EXEINI]\r\nNUMBER2=0\r\nNAME=/opt/mailer\r\nNUMBER3=0\r\n");
    writeBytes(data + "/iniIdPass.ini", "[EXEINI]\r\nNAME=user\r\nNAME2=secret\r\n");
    writeBytes(m_workingDir.filePath("kestra.ini"), "SMTP=\r\nPOP3=127.0.0.1:9\r\nMAIL=\r\nAPOP=0\r\n");
    QVERIFY(m_x.xdotool({"mousemove", QString::number(kStart.x()), QString::number(kStart.y())}));
    m_program.setProcessEnvironment(m_x.environment());
    m_program.setWorkingDirectory(m_workingDir.path());
    m_program.setProcessChannelMode(QProcess::ForwardedChannels);
    m_program.start(m_folder.filePath("pawmelo"));
    QVERIFY(m_program.waitForStarted(5000));

    // The first tick shapes the mascot; its top-left pixel is always the key.
    QVERIFY2(WaitFor(10000, [this] { return mascots().size() == 1; }), "no mascot");
    const QRect mascot = mascots().first();
    QVERIFY2(WaitFor(5000, [&] { return keyPixels(QRect(mascot.topLeft(), QSize(1, 1))) == 0; }),
             "the key colour shows in the mascot's corner");
    QTest::qWait(2200); // two more poses
    QCOMPARE(keyPixels(mascot), 0);

    // The alert brings the second figure, at the pointer on the panel's
    // button, which is grey itself: only what the figure brings counts.
    QVERIFY(m_x.click(mascot.topLeft() + kOnFigure, 1, 2));
    QRect panel;
    QVERIFY(WaitFor(5000, [&] {
        for (const XDesktop::Window& w : m_x.visibleWindows(m_program.processId()))
            if (w.title == "Pawmelo" && w.geometry.size() != kMascot)
                panel = w.geometry;
        return panel.isValid();
    }));
    QTest::qWait(500);
    const QImage before = screenshot();
    QVERIFY(m_x.click(panel.topLeft() + kAlertButton));
    auto walker = [&] {
        for (const QRect& w : mascots())
            if (w != mascot)
                return w;
        return QRect();
    };
    QVERIFY2(WaitFor(5000, [&] { return walker().isValid(); }), "no second mascot");
    QTest::qWait(1500); // shaped by its first ticks
    QCOMPARE(keyPixels(walker(), before), 0);
}

QTEST_GUILESS_MAIN(CompositorTest)
#include "compositor_test.moc"
