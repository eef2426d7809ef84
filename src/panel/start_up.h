#pragma once

class Program;

// The settings steps that both the mascot's load and the main panel's load
// run, in this order: the hang-up preference, the panel (hidden) with its
// timers, the companion mailer's server settings, the servers file and the
// mail library's set-up; then the server and account dialogs when either is
// missing.
void StartUp(Program& program);
