#include "platform/network_manager_kinds.h"

#include <QTest>

// The rules the D-Bus test does not reach; it covers a GSM modem, Wi-Fi,
// Ethernet and Bluetooth dial-up against Bluetooth networking.
class NetworkManagerKindsTest final : public QObject
{
    Q_OBJECT
private slots:
    void kinds_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<uint>("device"); // 0: none could be read
        QTest::addColumn<bool>("dialUp");
        const uint ethernet = uint(NmDeviceType::Ethernet), wifi = uint(NmDeviceType::WiFi),
                   bt = uint(NmDeviceType::Bluetooth), modem = uint(NmDeviceType::Modem);
        QTest::newRow("CDMA, device unread") << "cdma" << 0u << true;
        QTest::newRow("PPPoE on an Ethernet card") << "pppoe" << ethernet << true;
        QTest::newRow("Bluetooth, settings unread") << "bluetooth" << bt << false;
        QTest::newRow("Bluetooth, settings unread, on a modem") << "bluetooth" << modem << true;
        QTest::newRow("unknown type on a modem") << "ppp" << modem << true;
        QTest::newRow("unknown type on a PPP link") << "" << uint(NmDeviceType::Ppp) << true;
        QTest::newRow("VPN over Wi-Fi") << "vpn" << wifi << false;
        // A type that says LAN outweighs a device that says otherwise.
        QTest::newRow("Ethernet on a modem") << "802-3-ethernet" << modem << false;
    }
    void kinds()
    {
        QFETCH(QString, type);
        QFETCH(uint, device);
        QFETCH(bool, dialUp);
        QCOMPARE(IsDialUpConnection({type, device ? QList<uint>{device} : QList<uint>{}, {}}), dialUp);
    }
};

QTEST_GUILESS_MAIN(NetworkManagerKindsTest)
#include "network_manager_kinds_test.moc"
