#pragma once

#include <QList>
#include <QString>

// What the dial-up backend learns of one of NetworkManager's active
// connections, and which of them count as dial-up.

/// NetworkManager's device types (NMDeviceType) that matter here.
enum class NmDeviceType : uint
{
    Ethernet = 1,
    WiFi = 2,
    Bluetooth = 5,
    Modem = 8,
    Ppp = 23,
};

struct ActiveConnectionFacts
{
    /// The connection's type: "gsm", "cdma", "pppoe", "bluetooth",
    /// "802-3-ethernet", "802-11-wireless", ...
    QString type;
    /// NmDeviceType of each device the connection runs on.
    QList<uint> deviceTypes;
    /// The "type" of its settings' "bluetooth" group ("dun" or "panu"); empty
    /// when it is not a Bluetooth connection or its settings could not be read.
    QString bluetoothType;
};

/// True for the kinds the program hangs up after a check: mobile broadband
/// ("gsm", "cdma"), PPPoE, Bluetooth dial-up networking, and any other
/// connection that runs over a modem or a PPP link. Ethernet and Wi-Fi
/// connections never count, whatever their devices.
bool IsDialUpConnection(const ActiveConnectionFacts& connection);
