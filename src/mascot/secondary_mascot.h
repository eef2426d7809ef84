#pragma once

#include "mascot/mascot_window.h"

class FormTimer;

// The alert's second figure: it wanders about the screen while the alert is
// on, drawing a new direction and speed every few seconds, its picture
// following the horizontal heading with a two-step bounce.
class Form3 final : public MascotWindow
{
    Q_OBJECT
public:
    // Scan reach of the frame regions: one pixel past the pictures.
    static constexpr int kScanLimit = 100;

    explicit Form3(Program& program);
    ~Form3() override;

    void Form_Load() override;
    void Timer1_Timer();

    /// The frame for a heading: the bounce step, then right or left, then up
    /// or down (a step of 0 counts as left or down).
    static int HeadingFrame(qint16 ticksLeft, qint16 stepX, qint16 stepY);

    FormTimer* Timer1;    // the wandering tick, 500 ms
    qint16 StepX = 0;     // move per tick in twips, positive to the right
    qint16 StepY = 0;     // move per tick in twips, positive downwards
    qint16 TicksLeft = 0; // ticks before the next step is drawn

private:
    void drawStep();
};
