#pragma once

#include "platform/dial_up.h"

// The dial-up connections of a Linux desktop, as NetworkManager keeps them,
// asked over the system D-Bus. The handles are the object paths of
// NetworkManager's active connections (".../ActiveConnection/3"); which of
// them count as dial-up is IsDialUpConnection() in network_manager_kinds.h.
//
// No system bus, or no NetworkManager on it, is an empty list that cannot
// be had: nothing is hung up and nothing is said. Every call to the manager
// has a short limit, and a listing has an overall one, because the program
// calls this on its one GUI thread.
class NetworkManagerDialUp final : public DialUp
{
public:
    /// Lists the active dial-up connections. False when NetworkManager is
    /// not there, refuses, or does not answer in time.
    bool enumConnections(QList<QString>* handles) override;
    /// Asks NetworkManager to deactivate one active connection; returns once
    /// it has accepted or refused, without waiting for the link to go down.
    bool hangUp(const QString& handle) override;

private:
    // Set when the manager let a call run out of time; the hang-ups that
    // follow the same listing are then not tried, so a stuck manager holds
    // the program once, not once per connection.
    bool m_managerUnanswered = false;
};
