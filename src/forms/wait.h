#pragma once

class Clock;

// Blocks the caller until more than `milliseconds` have passed on `clock`,
// handling window events meanwhile (so other handlers may run nested). It
// sleeps until the next event or the deadline instead of spinning. Elapsed
// time is the difference of two 32-bit readings taken modulo 2^32, so a
// counter that wraps during the wait ends it normally.
void WaitOnClock(Clock& clock, int milliseconds);
