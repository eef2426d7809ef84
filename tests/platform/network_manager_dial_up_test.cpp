// The NetworkManager dial-up backend against python3-dbusmock's
// NetworkManager double, on a private bus daemon that this process alone
// takes for its system bus.

#include "platform/network_manager_dial_up.h"
#include "platform/network_manager_kinds.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <signal.h>
#include <sys/prctl.h>

namespace {

using Settings = QMap<QString, QVariantMap>;

const QString Manager = QStringLiteral("org.freedesktop.NetworkManager");

Settings Connection(const QString& type, const QString& bluetoothType = {})
{
    Settings settings{{"connection", {{"type", type}, {"id", type + bluetoothType}}}};
    if (!bluetoothType.isEmpty())
        settings["bluetooth"] = {{"type", bluetoothType}};
    return settings;
}

// A helper process goes when the test process goes, even when it crashes.
void DieWithTest(QProcess& process)
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

} // namespace

class NetworkManagerDialUpTest final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QProcess m_bus;
    QProcess m_manager;

    QVariant call(const QString& path, const QString& interface, const QString& method,
                  const QList<QVariant>& args)
    {
        QDBusMessage message = QDBusMessage::createMethodCall(Manager, path, interface, method);
        message.setArguments(args);
        const QDBusMessage reply = QDBusConnection::systemBus().call(message, QDBus::Block, 5000);
        if (reply.type() != QDBusMessage::ReplyMessage)
            QTest::qFail(qPrintable(method + ": " + reply.errorMessage()), __FILE__, __LINE__);
        return reply.arguments().value(0);
    }
    QString mock(const QString& method, const QList<QVariant>& args)
    {
        return call("/org/freedesktop", "org.freedesktop.DBus.Mock", method, args).toString();
    }
    // The double's Ethernet device with its type replaced.
    QString device(const QString& name, NmDeviceType type)
    {
        const QString path = mock("AddEthernetDevice", {name, name, 100});
        mock("SetProperty",
             {path, Manager + ".Device", "DeviceType", QVariant::fromValue(QDBusVariant(uint(type)))});
        return path;
    }
    QString activate(const QString& name, const QString& device, const Settings& settings)
    {
        const QVariant stored = call("/org/freedesktop/NetworkManager/Settings", Manager + ".Settings",
                                     "AddConnection", {QVariant::fromValue(settings)});
        return mock("AddActiveConnection",
                    {QStringList{device}, stored.value<QDBusObjectPath>().path(), "/", name, 2u});
    }
    QStringList activeConnections()
    {
        const QVariant paths = call("/org/freedesktop/NetworkManager", "org.freedesktop.DBus.Properties",
                                    "Get", {Manager, "ActiveConnections"});
        QStringList list;
        for (const QDBusObjectPath& path : qdbus_cast<QList<QDBusObjectPath>>(qdbus_cast<QVariant>(paths)))
            list.append(path.path());
        list.sort();
        return list;
    }

private slots:
    void initTestCase()
    {
        qDBusRegisterMetaType<Settings>();
        // A bus that can start NetworkManager on demand, as the system bus of
        // a machine where it is installed but stopped: the "manager" it would
        // start only leaves a mark.
        QVERIFY(QDir(m_dir.path()).mkpath("services"));
        QFile service(m_dir.filePath("services/nm.service"));
        QFile config(m_dir.filePath("bus.conf"));
        QVERIFY(service.open(QIODevice::WriteOnly) && config.open(QIODevice::WriteOnly));
        service.write("[D-BUS Service]\nName=" + Manager.toUtf8() + "\nExec=/usr/bin/touch " +
                      m_dir.filePath("started").toUtf8() + "\n");
        config.write("<busconfig><include>/usr/share/dbus-1/session.conf</include><servicedir>" +
                     m_dir.filePath("services").toUtf8() + "</servicedir></busconfig>\n");
        service.close();
        config.close();

        DieWithTest(m_bus);
        m_bus.setStandardErrorFile(QProcess::nullDevice());
        m_bus.start("dbus-daemon", {"--config-file=" + config.fileName(), "--nofork", "--print-address=1"});
        QVERIFY2(m_bus.waitForStarted(), "dbus-daemon is missing: run scripts/deps.sh --test");
        QTRY_VERIFY(m_bus.canReadLine());
        // Before the first use of the system bus, which is then the private one.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_bus.readLine().trimmed());
        QVERIFY(QDBusConnection::systemBus().isConnected());
    }

    void cleanupTestCase()
    {
        for (QProcess* process : {&m_manager, &m_bus}) {
            if (process->state() == QProcess::NotRunning)
                continue;
            ::kill(pid_t(process->processId()), SIGCONT);
            process->terminate();
            process->waitForFinished(5000);
        }
    }

    void withoutNetworkManagerNothingIsFoundQuickly()
    {
        QTest::failOnWarning(QRegularExpression(".*"));
        NetworkManagerDialUp dialUp;
        QElapsedTimer took;
        took.start();
        QList<QString> handles{"left over"};
        QVERIFY(!dialUp.enumConnections(&handles));
        QVERIFY(handles.isEmpty());
        QVERIFY(!dialUp.hangUp("/org/freedesktop/NetworkManager/ActiveConnection/0"));
        QCOMPARE_LT(took.elapsed(), 1000);
        QVERIFY2(!QFile::exists(m_dir.filePath("started")), "hanging up started NetworkManager");
    }

    void onlyDialUpConnectionsAreHungUp()
    {
        DieWithTest(m_manager);
        m_manager.setStandardOutputFile(QProcess::nullDevice()); // it logs every call
        // Debian's python3 modules import only under Debian's own interpreter.
        m_manager.start("/usr/bin/python3", {"-m", "dbusmock", "--system", "-t", "networkmanager"});
        QTRY_VERIFY_WITH_TIMEOUT(QDBusConnection::systemBus().interface()->isServiceRegistered(Manager),
                                 15000);

        const QString phone = device("bt0", NmDeviceType::Bluetooth);
        const QString gsm = activate("gsm", device("ttyUSB0", NmDeviceType::Modem), Connection("gsm"));
        const QString dun = activate("dun", phone, Connection("bluetooth", "dun"));
        const QStringList lans{
            // in the order of their paths
            activate("panu", phone, Connection("bluetooth", "panu")),
            activate("wifi", mock("AddWiFiDevice", {"wlan0", "wlan0", 100}), Connection("802-11-wireless")),
            activate("wired", mock("AddEthernetDevice", {"eth0", "eth0", 100}), Connection("802-3-ethernet")),
        };

        NetworkManagerDialUp dialUp;
        QList<QString> handles;
        QVERIFY(dialUp.enumConnections(&handles));
        QCOMPARE(handles, (QList<QString>{gsm, dun}));
        for (const QString& handle : handles)
            QVERIFY(dialUp.hangUp(handle));
        QCOMPARE(activeConnections(), lans);
        QVERIFY(dialUp.enumConnections(&handles)); // none left is a list, and empty
        QVERIFY(handles.isEmpty());
    }

    void stuckManagerHoldsTheCallerOnlyBriefly()
    {
        mock("Reset", {});
        const QString gsm = activate("gsm", device("ttyUSB0", NmDeviceType::Modem), Connection("gsm"));
        NetworkManagerDialUp dialUp;
        QList<QString> handles;
        const pid_t manager = pid_t(m_manager.processId());
        QVERIFY(manager > 0);
        ::kill(manager, SIGSTOP); // keeps its name, answers nothing
        QElapsedTimer took;
        took.start();
        const bool listed = dialUp.enumConnections(&handles);
        const qint64 listing = took.restart();
        // After a listing that ran out of time, hang-ups are not even tried.
        const bool hungUp = dialUp.hangUp(gsm);
        const qint64 hangingUp = took.elapsed();
        ::kill(manager, SIGCONT);
        QVERIFY(!listed && !hungUp && handles.isEmpty());
        QCOMPARE_LT(listing, 3000);
        QCOMPARE_LT(hangingUp, 100);

        QVERIFY(dialUp.enumConnections(&handles)); // answering again
        QCOMPARE(handles, QList<QString>{gsm});
    }
};

QTEST_GUILESS_MAIN(NetworkManagerDialUpTest)
#include "network_manager_dial_up_test.moc"
