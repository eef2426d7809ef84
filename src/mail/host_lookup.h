#pragma once

#include <QDeadlineTimer>
#include <QHostInfo>
#include <QString>
#include <functional>
#include <optional>

// Looks a host name up, blocking until the answer (QHostInfo::fromName, or a
// stand-in that a test gives).
using HostResolver = std::function<QHostInfo(const QString& name)>;

// Looks `name` up with `resolver` (the system's when empty) on a thread of
// its own and waits for the answer until `deadline`, without handling any
// events on the calling thread. The system's resolver keeps no deadline of
// ours: with name servers that drop queries it can take a minute. Past the
// deadline the lookup is abandoned (nullopt) and finishes unseen in its
// thread. While a few abandoned lookups are still hanging, no new one is
// started: the answer is then an error at once.
std::optional<QHostInfo> LookUpHost(const QString& name, const QDeadlineTimer& deadline,
                                    const HostResolver& resolver);
