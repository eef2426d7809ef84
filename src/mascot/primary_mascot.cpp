#include "mascot/primary_mascot.h"

#include "base/text_value.h"
#include "forms/form_timer.h"
#include "forms/placement.h"
#include "forms/program.h"
#include "forms/window_placement.h"
#include "panel/main_panel.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QCloseEvent>
#include <QLabel>
#include <QPixmap>

namespace {
// Poses over the frame indexes: A at 0, 5, 6; B at 1, 4, 7; C at 2, 3.
std::array<QImage, 8> primaryFrames()
{
    const QImage a = LoadMascotPicture(QStringLiteral(":/mascot/pose_a.png"));
    const QImage b = LoadMascotPicture(QStringLiteral(":/mascot/pose_b.png"));
    const QImage c = LoadMascotPicture(QStringLiteral(":/mascot/pose_c.png"));
    return {a, b, c, c, b, a, a, b};
}

// Where the alert picture rests, in twips, while it is not shown.
constexpr double kAlertAwayLeft = 6000;
constexpr double kAlertAwayTop = 3000;
// The main panel opens this far below and to the left of the mascot (twips).
constexpr double kPanelBelow = 1600;
constexpr double kPanelLeftOf = 600;
} // namespace

Form1::Form1(Program& program)
    : MascotWindow(program, primaryFrames(), kScanLimit)
    , Timer1(new FormTimer(1000, this))
    , Picture9(new QLabel(this))
{
    setObjectName(QStringLiteral("Form1"));
    Picture9->setObjectName(QStringLiteral("Picture1(9)"));
    Picture9->setPixmap(QPixmap::fromImage(LoadMascotPicture(QStringLiteral(":/mascot/alert.png"))));
    Picture9->setFixedSize(Picture9->pixmap().size());
    Picture9->move(400, 200); // outside the window until the alert
    m_program.connectHandler(Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
}

Form1::~Form1() = default;

void Form1::Form_Load()
{
    loadAtPointer();
    m_program.startUp();
}

void Form1::placeAlertPicture(double left, double top)
{
    Picture9->move(toPixelsX(left), toPixelsY(top));
}

void Form1::Timer1_Timer()
{
    placeOnMonitor(RoundHalfEven(Left()), RoundHalfEven(Top()));

    int index = 0;
    if (m_program.AlertMode == 1) {
        setBackgroundPicture(Picture9->pixmap().toImage());
        placeAlertPicture(0, 0);
        Command2_Click();
        Wait(600);
    } else {
        placeAlertPicture(kAlertAwayLeft, kAlertAwayTop);
        if (kiHenkou >= 7)
            kiHenkou = 0;
        ++kiHenkou;
        index = kiHenkou;
    }
    applyFrame(index);
}

void Form1::Command2_Click()
{
    m_program.openAndPlayAlertTune();
    Timer1->setEnabled(true);
}

void Form1::Wait(int WaitTime)
{
    m_program.Wait(WaitTime);
}

void Form1::Form_DblClick()
{
    // The panel's frame goes just below the mascot and a little to its left,
    // or as near to that as keeps all of it on the mascot's monitor.
    MainForm* panel = m_program.mainForm();
    const QPoint designed(toPixelsX(Left() - kPanelLeftOf), toPixelsY(Top() + kPanelBelow));
    const QRect mascot = geometry();
    PlaceFrame(panel, [designed, mascot](QSize frame) {
        return PlacePanel(QRect(designed, frame), mascot, AvailableAreaFor(mascot));
    });
    Program::showForm(panel);
}

void Form1::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The double-click of the left button, the one that also drags; the
    // right button's first press has ended the program already.
    if (event->button() == Qt::LeftButton)
        Form_DblClick();
}

void Form1::Form_Unload()
{
    m_program.stopAndCloseAlertTune();
    m_program.mail().NMailEndWinSock();
    m_program.endProgram();
}

void Form1::closeEvent(QCloseEvent* event)
{
    event->accept();
    m_program.unload(this);
}

Form1* Program::form1()
{
    return reach<Form1>(m_form1);
}

Form1* Program::loadedForm1() const
{
    return static_cast<Form1*>(m_form1.data());
}
