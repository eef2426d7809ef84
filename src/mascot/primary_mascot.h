#pragma once

#include "mascot/mascot_window.h"

class FormTimer;
class QLabel;

// The primary mascot: the program's first window and its face on the
// desktop. Its load runs the program's start-up; once a second it shows the
// next pose of a seven-step loop, or the alert picture (restarting the alert
// tune) while the alert is on. A double-click opens the main panel beside it;
// closing it ends the program.
class Form1 final : public MascotWindow
{
    Q_OBJECT
public:
    // Scan reach of the frame regions: 21 pixels past the pictures.
    static constexpr int kScanLimit = 120;

    explicit Form1(Program& program);
    ~Form1() override;

    void Form_Load() override;
    void Form_Unload() override;
    void Form_DblClick();
    void Timer1_Timer();
    // Opens and plays the alert tune.
    void Command2_Click();
    /// Blocks for `WaitTime` ms while other handlers go on running.
    void Wait(int WaitTime);

    FormTimer* Timer1;   // animation tick, 1000 ms
    QLabel* Picture9;    // Picture1(9): the alert picture, laid over the window during the alert
    qint16 kiHenkou = 0; // last normal frame shown, 1 to 7; 0 before the first tick

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void placeAlertPicture(double left, double top);
};
