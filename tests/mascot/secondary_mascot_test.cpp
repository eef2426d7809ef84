#include "forms/form_timer.h"
#include "mascot/secondary_mascot.h"
#include "panel/main_panel.h"
#include "support/test_program.h"

#include <QCheckBox>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

namespace {
// A loaded Form3 on a 1024 x 768 screen whose random numbers come from
// `draws` in turn; `*calls` counts them.
Form3* loadForm3(TestProgram& t, QList<double> draws, int* calls, QPoint pointer = QPoint(400, 300))
{
    QCursor::setPos(pointer);
    Form3* form = t.program->form3();
    form->Timer1->setEnabled(false);
    form->monitors = [] { return QList<QRect>{QRect(0, 0, 1024, 768)}; };
    form->Rnd = [draws, calls] { return draws.value((*calls)++ % draws.size()); };
    return form;
}

QImage asset(const char* name)
{
    return QImage(qEnvironmentVariable("PAWMELO_SOURCE_DIR") + "/assets/mascot/" + name + ".png")
        .convertToFormat(QImage::Format_RGB32);
}
} // namespace

class SecondaryMascotTest final : public QObject
{
    Q_OBJECT
private slots:
    void frameFollowsHeadingAndBounce_data()
    {
        QTest::addColumn<int>("ticksLeft");
        QTest::addColumn<int>("stepX");
        QTest::addColumn<int>("stepY");
        QTest::addColumn<int>("frame");
        QTest::newRow("left down even") << 4 << -30 << 20 << 0;
        QTest::newRow("left down odd") << 5 << -30 << 20 << 1;
        QTest::newRow("right down even") << 4 << 30 << 20 << 2;
        QTest::newRow("right down odd") << 5 << 30 << 20 << 3;
        QTest::newRow("left up even") << 6 << -30 << -20 << 4;
        QTest::newRow("left up odd") << 7 << -30 << -20 << 5;
        QTest::newRow("right up even") << 0 << 30 << -20 << 6;
        QTest::newRow("right up odd") << 25 << 30 << -20 << 7;
        QTest::newRow("zero steps: left and down") << 3 << 0 << 0 << 1;
        QTest::newRow("negative count stays in range") << -3 << 30 << -20 << 7;
    }

    void frameFollowsHeadingAndBounce()
    {
        QFETCH(int, ticksLeft);
        QFETCH(int, stepX);
        QFETCH(int, stepY);
        QFETCH(int, frame);
        QCOMPARE(Form3::HeadingFrame(qint16(ticksLeft), qint16(stepX), qint16(stepY)), frame);
    }

    void loadPlacesItAtThePointerWithTheFirstStep()
    {
        TestProgram t;
        int calls = 0;
        Form3* form = loadForm3(t, {0.5}, &calls);
        QCOMPARE(QPointF(form->Left(), form->Top()), QPointF(6000, 4500));
        QCOMPARE(t.program->CursorPos, QPoint(400, 300));
        QCOMPARE(form->StepX, qint16(-5));
        QCOMPARE(form->StepY, qint16(-2));
        QCOMPARE(form->TicksLeft, qint16(0));
        QCOMPARE(form->size(), QSize(100, 100));
        QVERIFY(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(form->mask().isEmpty());
        // Left upright at 0 and 4, left tilted at 1 and 5, right tilted at 2
        // and 7, right upright at 3 and 6.
        const char* pictures[8] = {"walker_left",  "walker_left_tilt", "walker_right_tilt",
                                   "walker_right", "walker_left",      "walker_left_tilt",
                                   "walker_right", "walker_right_tilt"};
        for (int i = 0; i < 8; ++i)
            QCOMPARE(form->framePicture(i).convertToFormat(QImage::Format_RGB32), asset(pictures[i]));
    }

    void stepsAreDrawnInOrderAndWalked()
    {
        TestProgram t;
        int calls = 0;
        Form3* form = loadForm3(t, {0.5, 0.9, 0.1}, &calls);
        // A new window draws at its first tick: ticks, then x, then y.
        form->Timer1_Timer();
        QCOMPARE(calls, 3);
        QCOMPARE(form->TicksLeft, qint16(15)); // (0.5 * 10 + 3) * 2 = 16, less this tick
        QCOMPARE(form->StepX, qint16(60));     // (0.9 * 10 - 5) * 15
        QCOMPARE(form->StepY, qint16(-60));    // (0.1 * 10 - 5) * 15
        QCOMPARE(QPointF(form->Left(), form->Top()), QPointF(6060, 4440));
        QCOMPARE(form->pos(), QPoint(404, 296));
        QCOMPARE(form->shownFrame(), 7);
        QCOMPARE(form->mask(), *RegionFromRecord(form->FrameRgns[7]));

        QList<int> frames;
        for (int tick = 0; tick < 15; ++tick) {
            form->Timer1_Timer();
            frames << form->shownFrame();
        }
        QCOMPARE(calls, 3); // the step held for its 16 ticks
        QCOMPARE(frames.mid(0, 4), (QList<int>{6, 7, 6, 7}));
        QCOMPARE(form->TicksLeft, qint16(0));
        QCOMPARE(QPointF(form->Left(), form->Top()), QPointF(6000 + 16 * 60, 4500 - 16 * 60));
        form->Timer1_Timer();
        QCOMPARE(calls, 6);
    }

    void drawnValuesCoverTheirRanges()
    {
        TestProgram t;
        int calls = 0;
        Form3* form = loadForm3(t, {0.0}, &calls);
        form->Timer1_Timer();
        QCOMPARE(form->TicksLeft, qint16(5));
        QCOMPARE(form->StepX, qint16(-75));
        QCOMPARE(form->StepY, qint16(-75));

        TestProgram t2;
        form = loadForm3(t2, {0.999999}, &calls);
        form->Timer1_Timer();
        QCOMPARE(form->TicksLeft, qint16(25));
        QCOMPARE(form->StepX, qint16(75));
        QCOMPARE(form->StepY, qint16(75));

        // Steps of 0 show the left-heading pictures and count as downwards.
        TestProgram t3;
        form = loadForm3(t3, {0.5}, &calls);
        form->Timer1_Timer();
        QCOMPARE(form->StepX, qint16(0));
        QCOMPARE(form->StepY, qint16(0));
        QCOMPARE(form->shownFrame(), 1);
        form->Timer1_Timer();
        QCOMPARE(form->shownFrame(), 0);
    }

    void walksOverEveryMonitorButNotOffThem()
    {
        // Side by side, the right monitor taller: to the right the figure
        // walks on across the seam; to the left, low down, it rests against
        // the right monitor's edge instead of stepping into what no monitor
        // shows.
        const QList<QRect> monitors{QRect(0, 0, 1024, 768), QRect(1024, 0, 1280, 1024)};
        TestProgram t;
        int calls = 0;
        Form3* form = loadForm3(t, {0.5, 0.98, 0.5}, &calls, QPoint(950, 300));
        form->monitors = [monitors] { return monitors; };
        for (int tick = 0; tick < 16; ++tick)
            form->Timer1_Timer();
        QCOMPARE(QPointF(form->Left(), form->Top()), QPointF(950 * 15 + 16 * 72, 300 * 15));

        TestProgram t2;
        form = loadForm3(t2, {0.5, 0.02, 0.5}, &calls, QPoint(1100, 720));
        form->monitors = [monitors] { return monitors; };
        for (int tick = 0; tick < 16; ++tick)
            form->Timer1_Timer();
        QCOMPARE(form->pos(), QPoint(1024, 720));
    }

    void restsInTheCornerUntilTheNextDraw()
    {
        TestProgram t;
        int calls = 0;
        Form3* form = loadForm3(t, {0.5, 0.98, 0.98}, &calls, QPoint(920, 670));
        QList<int> frames;
        for (int tick = 0; tick < 4; ++tick) {
            form->Timer1_Timer();
            QCOMPARE(form->pos(), QPoint(924, 668)); // flush with the bottom-right corner
            frames << form->shownFrame();
        }
        QCOMPARE(frames, (QList<int>{3, 2, 3, 2}));
        QCOMPARE(form->StepX, qint16(72)); // the step is kept, not reversed
    }

    void alertStartShowsItAndAlertEndUnloadsIt()
    {
        TestProgram t;
        MainForm* panel = t.program->mainForm();
        QCursor::setPos(120, 80);
        panel->Command2_Click();
        QPointer<Form3> first = t.program->loadedForm3();
        QVERIFY(first);
        QVERIFY(first->isVisible());
        QCOMPARE(first->pos(), QPoint(120, 80));
        QVERIFY(first->Timer1->running());
        QCOMPARE(first->Timer1->interval(), 500);

        panel->Command3_Click();
        QVERIFY(!t.program->loadedForm3());
        QVERIFY(!first->isVisible());
        QVERIFY(!first->Timer1->isActive());

        // The next alert loads a new window at the pointer's new place.
        QCursor::setPos(30, 40);
        panel->Command2_Click();
        Form3* second = t.program->loadedForm3();
        QVERIFY(second && second != first);
        QCOMPARE(second->pos(), QPoint(30, 40));
        QCOMPARE(second->StepX, qint16(-5));

        // An alert end with no walker loaded only silences the tune.
        panel->Command3_Click();
        panel->Command3_Click();
        QVERIFY(!t.program->loadedForm3());
    }
};

QTEST_MAIN(SecondaryMascotTest)
#include "secondary_mascot_test.moc"
