#pragma once

class Program;

// Who started a check: the "受信" button, or the interval scheduler.
enum class CheckTrigger
{
    Button,
    Schedule,
};

// Connects the check to the POP3 server. A server whose certificate was
// refused is asked about once per certificate and run (trusting it pins it
// and connects again at once); so is, once per server and run, one that
// offers no encryption, before the password goes to it in clear. An answer
// the servers file cannot keep is said once a run and holds until the end. A connection that fails is said in
// the "エラー" box: always for the button, and for scheduled checks only for the first failure since a check
// last reached the server. Returns the library's handle, or -1.
int ConnectForCheck(Program& program, CheckTrigger trigger);
