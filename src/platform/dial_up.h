#pragma once

#include <QList>
#include <QString>

// The system's dial-up (modem, PPP) connections.
class DialUp
{
public:
    virtual ~DialUp() = default;
    /// Lists the active dial-up connections as opaque handles. Returns false
    /// when the list cannot be had (then nothing is hung up).
    virtual bool enumConnections(QList<QString>* handles) = 0;
    /// Asks the system to hang up one connection; does not wait for it.
    virtual bool hangUp(const QString& handle) = 0;
};
