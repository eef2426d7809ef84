#include "forms/form_timer.h"
#include "mascot/primary_mascot.h"
#include "panel/main_panel.h"
#include "settings/option_form.h"
#include "support/test_program.h"

#include <QCursor>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>

namespace {
// A loaded Form1 whose own timer is held, so only the test ticks it.
Form1* loadForm1(TestProgram& t, QPoint pointer = QPoint(300, 200))
{
    QCursor::setPos(pointer);
    Form1* form = t.program->form1();
    form->Timer1->setEnabled(false);
    form->monitors = [] { return QList<QRect>{QRect(0, 0, 1024, 768)}; };
    return form;
}

QImage asset(const char* name)
{
    return QImage(qEnvironmentVariable("PAWMELO_SOURCE_DIR") + "/assets/mascot/" + name + ".png")
        .convertToFormat(QImage::Format_RGB32);
}

void sendMouse(QWidget* w, QEvent::Type type, QPoint local, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(local), QPointF(w->mapToGlobal(local)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}
} // namespace

class PrimaryMascotTest final : public QObject
{
    Q_OBJECT
private slots:
    void loadPlacesTheWindowAtThePointerAndStartsTheProgram()
    {
        TestProgram t;
        Form1* form = loadForm1(t);
        QCOMPARE(t.program->CursorPos, QPoint(300, 200));
        QCOMPARE(form->PixelTwipsX, 15.0f);
        QCOMPARE(form->PixelTwipsY, 15.0f);
        QCOMPARE(form->Left(), 4500.0);
        QCOMPARE(form->Top(), 3000.0);
        QCOMPARE(form->pos(), QPoint(300, 200));
        QCOMPARE(form->size(), QSize(100, 100));
        const Qt::WindowFlags flags = form->windowFlags();
        QVERIFY(flags.testFlag(Qt::FramelessWindowHint));
        QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool);
        QVERIFY(!form->isVisible());

        // The start-up ran nested in the load: panel hidden, dialogs for the
        // missing settings up.
        QVERIFY(t.program->loadedMainForm() && !t.program->loadedMainForm()->isVisible());
        QVERIFY(t.program->loadedOptionForm() && t.program->loadedOptionForm()->isVisible());
        QCOMPARE(t.program->form1(), form);

        // Regions ready, none applied: a plain square with pose A.
        QVERIFY(form->mask().isEmpty());
        QCOMPARE(form->shownFrame(), -1);
        QCOMPARE(form->backgroundPicture().convertToFormat(QImage::Format_RGB32), asset("pose_a"));
        for (const FrameRgnData& record : form->FrameRgns)
            QVERIFY(record.header().nCount > 2);
        // The poses over the frames: A at 0, 5, 6; B at 1, 4, 7; C at 2, 3.
        const char* poses[8] = {"pose_a", "pose_b", "pose_c", "pose_c",
                                "pose_b", "pose_a", "pose_a", "pose_b"};
        for (int i = 0; i < 8; ++i)
            QCOMPARE(form->framePicture(i).convertToFormat(QImage::Format_RGB32), asset(poses[i]));
        QCOMPARE(form->Picture9->pixmap().toImage().convertToFormat(QImage::Format_RGB32), asset("alert"));
    }

    void ticksLoopThroughSevenPosesAndShapeTheWindow()
    {
        TestProgram t;
        Form1* form = loadForm1(t);
        QList<int> shown;
        for (int tick = 0; tick < 9; ++tick) {
            form->Timer1_Timer();
            shown << form->shownFrame();
            QCOMPARE(form->mask(), *RegionFromRecord(form->FrameRgns[size_t(shown.last())]));
            QCOMPARE(form->backgroundPicture(), form->framePicture(shown.last()));
        }
        QCOMPARE(shown, (QList<int>{1, 2, 3, 4, 5, 6, 7, 1, 2}));
        QVERIFY(!form->mask().contains(QPoint(0, 0)));
        QCOMPARE(form->Picture9->pos(), QPoint(400, 200));
    }

    void alertShowsTheAlertPictureAndRestartsTheTune()
    {
        TestProgram t;
        Form1* form = loadForm1(t);
        for (int tick = 0; tick < 3; ++tick)
            form->Timer1_Timer();
        t.sound->commands.clear();
        t.sound->result = 289;
        t.program->AlertMode = 1;
        const quint32 before = t.clock->now;
        form->Timer1_Timer();

        const QString tune = t.folder.path() + "/Sound/Kouka.mid";
        // The panel's sound poll may run inside the wait, after these two.
        QCOMPARE(t.sound->commands.mid(0, 2), (QStringList{"open \"" + tune + "\" alias bgm", "play bgm"}));
        QCOMPARE(t.program->MciResult, 289);
        QVERIFY(t.clock->now - before > 600); // the tick waited on the clock
        QCOMPARE(form->shownFrame(), 0);
        QCOMPARE(form->mask(), *RegionFromRecord(form->FrameRgns[0]));
        QCOMPARE(form->Picture9->pos(), QPoint(0, 0));
        QCOMPARE(form->kiHenkou, qint16(3));
        QVERIFY(form->Timer1->enabled());

        // Any value but 1 is the normal loop, which goes on where it was.
        t.sound->commands.clear();
        t.program->AlertMode = 2;
        form->Timer1_Timer();
        QCOMPARE(form->shownFrame(), 4);
        QCOMPARE(form->Picture9->pos(), QPoint(400, 200));
        QVERIFY(t.sound->commands.isEmpty());
    }

    void tickKeepsTheWindowOnTheScreen_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QPointF>("start");
        QTest::addColumn<QPointF>("expected");
        const QSize normal(1024, 768); // 15360 x 11520 twips
        QTest::newRow("inside") << normal << QPointF(4500, 3000) << QPointF(4500, 3000);
        QTest::newRow("past top left") << normal << QPointF(-300, -10) << QPointF(0, 0);
        QTest::newRow("past bottom right") << normal << QPointF(15000, 11000) << QPointF(13860, 10020);
        QTest::newRow("exactly at the edge") << normal << QPointF(13860, 10020) << QPointF(13860, 10020);
        QTest::newRow("halves to even") << normal << QPointF(100.5, 101.5) << QPointF(100, 102);
        // Narrower and lower than the window: the right and bottom rules run
        // last, so the window ends flush right and bottom, Left negative.
        QTest::newRow("tiny screen") << QSize(60, 80) << QPointF(500, 500) << QPointF(-600, -300);
    }

    void tickKeepsTheWindowOnTheScreen()
    {
        QFETCH(QSize, screen);
        QFETCH(QPointF, start);
        QFETCH(QPointF, expected);
        TestProgram t;
        Form1* form = loadForm1(t);
        form->monitors = [screen] { return QList<QRect>{QRect(QPoint(0, 0), screen)}; };
        form->setPosition(start.x(), start.y());
        form->Timer1_Timer();
        QCOMPARE(QPointF(form->Left(), form->Top()), expected);
        QCOMPARE(form->pos(), QPoint(qRound(expected.x() / 15), qRound(expected.y() / 15)));
    }

    void rightButtonEndsAtOnceAndLeftButtonDrags()
    {
        TestProgram t;
        Form1* form = loadForm1(t);
        t.sound->commands.clear();
        QTest::mousePress(form, Qt::MiddleButton, {}, QPoint(50, 50));
        QCOMPARE(t.endProgramCalls, 0);
        QTest::mousePress(form, Qt::RightButton, {}, QPoint(50, 50));
        QCOMPARE(t.endProgramCalls, 1);
        QVERIFY(t.sound->commands.isEmpty()); // no unload handler ran
        QCOMPARE(t.program->loadedForm1(), form);

        // No window manager here, so the window follows the mouse itself.
        sendMouse(form, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
        sendMouse(form, QEvent::MouseMove, QPoint(60, 40), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(form->pos(), QPoint(350, 230));
        QCOMPARE(QPointF(form->Left(), form->Top()), QPointF(5250, 3450));
        sendMouse(form, QEvent::MouseButtonRelease, QPoint(10, 10), Qt::LeftButton, Qt::NoButton);
        sendMouse(form, QEvent::MouseMove, QPoint(90, 90), Qt::NoButton, Qt::NoButton);
        QCOMPARE(form->pos(), QPoint(350, 230));
    }

    void doubleClickOpensThePanelBelowAndLeft()
    {
        TestProgram t;
        Form1* form = loadForm1(t); // Left 4500, Top 3000 twips
        QTest::mouseDClick(form, Qt::LeftButton, {}, QPoint(50, 50));
        MainForm* panel = t.program->loadedMainForm();
        QVERIFY(panel->isVisible());
        // Left - 600 twips = 260 px, Top + 1600 twips = 306.7 px.
        QCOMPARE(panel->pos(), QPoint(260, 307));
    }

    void middleDoubleClickOpensNothing()
    {
        TestProgram t;
        Form1* form = loadForm1(t);
        QTest::mouseDClick(form, Qt::MiddleButton, {}, QPoint(50, 50));
        QVERIFY(!t.program->loadedMainForm() || !t.program->loadedMainForm()->isVisible());
    }

    void closingRunsTheUnloadAndEndsTheProgram()
    {
        TestProgram t;
        Form1* form = loadForm1(t);
        t.sound->commands.clear();
        QVERIFY(form->close());
        QCOMPARE(t.sound->commands, (QStringList{"stop bgm", "close bgm"}));
        QCOMPARE(t.endProgramCalls, 1);
        QVERIFY(!t.program->loadedForm1());
    }
};

QTEST_MAIN(PrimaryMascotTest)
#include "primary_mascot_test.moc"
