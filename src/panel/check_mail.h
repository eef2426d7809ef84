#pragma once

#include "panel/check_connect.h"

class Program;

// One complete check of the mailbox: connect, log in with the account saved
// in the account file, read every message and drop it, close; then announce
// new mail (start the mail program, or raise the notice board and start the
// alert) and hang up the dial-up connections when that is asked for.
//
// A check that is started while another one is still running (from inside
// the other's one-second wait or its error box, which handle events) is
// skipped: the running check announces what it found, and two checks never
// overlap.
//
// A connection that fails is said as ConnectForCheck says; `trigger` tells
// whether the user asked for this check.
void CheckMail(Program& program, CheckTrigger trigger = CheckTrigger::Schedule);
