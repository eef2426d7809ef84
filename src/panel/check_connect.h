#pragma once

class Program;
class QString;
class QWidget;

// Who started a check: the "受信" button, or the interval scheduler.
enum class CheckTrigger
{
    Button,
    Schedule,
};

// Connects the check to the POP3 server. A server whose certificate was
// refused is asked about once per certificate and run (trusting it pins it
// and connects again at once). A connection that fails is said in the
// "エラー" box (SayCheckFailure): always for the button, and for scheduled
// checks only for the first failure since a check last reached the server.
// Returns the library's handle, or -1.
int ConnectForCheck(Program& program, CheckTrigger trigger);

// Says why a check failed in a box titled "エラー". For the button the box
// waits for its OK; a scheduled check's box does not hold the check (the
// user may be away for hours, and later checks must still run), and a box
// of a scheduled check still up takes the new text instead of a second one.
void SayCheckFailure(Program& program, CheckTrigger trigger, QWidget* parent, const QString& text);
