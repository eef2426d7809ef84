#include "mascot/secondary_mascot.h"

#include "base/text_value.h"
#include "forms/form_timer.h"
#include "forms/program.h"

namespace {
// Headings over the frame indexes: left upright at 0 and 4, left tilted at 1
// and 5, right tilted at 2 and 7, right upright at 3 and 6, so that the
// bounce alternates upright and tilted whichever way the figure goes.
std::array<QImage, 8> secondaryFrames()
{
    const QImage left = LoadMascotPicture(QStringLiteral(":/mascot/walker_left.png"));
    const QImage leftTilt = LoadMascotPicture(QStringLiteral(":/mascot/walker_left_tilt.png"));
    const QImage right = LoadMascotPicture(QStringLiteral(":/mascot/walker_right.png"));
    const QImage rightTilt = LoadMascotPicture(QStringLiteral(":/mascot/walker_right_tilt.png"));
    return {left, leftTilt, rightTilt, right, left, leftTilt, right, rightTilt};
}

// The step the window takes right after loading, in twips.
constexpr qint16 kFirstStepX = -5;
constexpr qint16 kFirstStepY = -2;
} // namespace

Form3::Form3(Program& program)
    : MascotWindow(program, secondaryFrames(), kScanLimit)
    , Timer1(new FormTimer(500, this))
{
    setObjectName(QStringLiteral("Form3"));
    m_program.connectHandler(Timer1, &QTimer::timeout, this, &Form3::Timer1_Timer);
}

Form3::~Form3() = default;

void Form3::Form_Load()
{
    loadAtPointer();
    StepX = kFirstStepX;
    StepY = kFirstStepY;
}

void Form3::drawStep()
{
    // Three draws in this order: tick count (6 to 26), then the horizontal
    // and the vertical step, each -5 up to +5 pixels held in twips.
    const double ticks = Rnd();
    TicksLeft = RoundHalfEvenToInt16((ticks * 10 + 3) * 2);
    const double across = Rnd();
    StepX = RoundHalfEvenToInt16((across * 10 - 5) * double(PixelTwipsX));
    const double down = Rnd();
    StepY = RoundHalfEvenToInt16((down * 10 - 5) * double(PixelTwipsY));
}

int Form3::HeadingFrame(qint16 ticksLeft, qint16 stepX, qint16 stepY)
{
    // The low bit keeps the index within 0 to 7 even for a negative count.
    return (ticksLeft & 1) + (stepX > 0 ? 2 : 0) + (stepY < 0 ? 4 : 0);
}

void Form3::Timer1_Timer()
{
    if (TicksLeft < 1)
        drawStep();
    TicksLeft = qint16(TicksLeft - 1);
    // The figure may walk over every monitor. The step is not reversed at an
    // edge: the window rests there until the next step is drawn.
    placeOnMonitors(RoundHalfEven(Left() + StepX), RoundHalfEven(Top() + StepY));
    applyFrame(HeadingFrame(TicksLeft, StepX, StepY));
}

Form3* Program::form3()
{
    return reach<Form3>(m_form3);
}

Form3* Program::loadedForm3() const
{
    return static_cast<Form3*>(m_form3.data());
}
