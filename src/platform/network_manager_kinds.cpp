#include "platform/network_manager_kinds.h"

#include <QStringList>

bool IsDialUpConnection(const ActiveConnectionFacts& connection)
{
    static const QStringList dialUpTypes{QStringLiteral("gsm"), QStringLiteral("cdma"),
                                         QStringLiteral("pppoe")};
    static const QStringList neverTypes{QStringLiteral("802-3-ethernet"), QStringLiteral("802-11-wireless")};
    if (dialUpTypes.contains(connection.type))
        return true;
    if (neverTypes.contains(connection.type))
        return false;
    // A Bluetooth connection is either a phone dialled up as a modem (DUN)
    // or a personal area network, which is a LAN like Wi-Fi. Only the
    // settings tell them apart; unread settings leave it alone unless its
    // device is a modem.
    if (connection.type == QLatin1StringView("bluetooth") &&
        connection.bluetoothType == QLatin1StringView("dun"))
        return true;
    for (const uint device : connection.deviceTypes) {
        if (device == uint(NmDeviceType::Modem) || device == uint(NmDeviceType::Ppp))
            return true;
    }
    return false;
}
