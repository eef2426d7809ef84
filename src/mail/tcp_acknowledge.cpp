#include "mail/tcp_acknowledge.h"

#if defined(__linux__)
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

void AcknowledgePromptly(qintptr descriptor)
{
    // TCP_QUICKACK sends an acknowledgement that is due at once and keeps
    // acknowledging promptly, but the kernel drops back to delaying them
    // after the program sends, which is why it is asked for before each wait
    // rather than once per connection.
    if (descriptor < 0)
        return;
    const int on = 1;
    setsockopt(static_cast<int>(descriptor), IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
}
#else
void AcknowledgePromptly(qintptr) {}
#endif
