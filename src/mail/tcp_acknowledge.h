#pragma once

#include <QtGlobal>

// Asks the system to acknowledge at once whatever arrives on the TCP socket
// `descriptor`, until the program sends again, instead of holding the
// acknowledgement back in the hope that it can ride on the next command.
//
// A server that writes a reply in several small pieces with Nagle's
// algorithm on sends each piece only once the one before is acknowledged.
// While the client waits for the rest of a reply it has nothing to send, so
// a held-back acknowledgement (up to 40 ms on Linux) stalls every reply of
// such a server. Call it before each wait for more of a reply.
//
// Does nothing where the system has no such switch.
void AcknowledgePromptly(qintptr descriptor);
