#include "platform/network_manager_dial_up.h"

#include "platform/network_manager_kinds.h"
#include "platform/system_dial_up.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QVariantMap>
#include <optional>

namespace {

const QString Service = QStringLiteral("org.freedesktop.NetworkManager");
const QString ManagerPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString ManagerInterface = QStringLiteral("org.freedesktop.NetworkManager");
const QString ActiveInterface = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
const QString DeviceInterface = QStringLiteral("org.freedesktop.NetworkManager.Device");
const QString SettingsInterface = QStringLiteral("org.freedesktop.NetworkManager.Settings.Connection");
const QString PropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

// A NetworkManager that answers at all answers in milliseconds.
constexpr int CallLimitMs = 2000;
// A listing makes a few calls per active connection.
constexpr int ListingLimitMs = 4000;

using Settings = QMap<QString, QVariantMap>;

// Calls to NetworkManager under one overall deadline, each with its own
// short limit. Built by hand rather than with QDBusInterface, whose
// constructor introspects the object with the bus's default 25 s limit.
class ManagerCalls
{
public:
    explicit ManagerCalls(int overallLimitMs)
        : m_deadline(overallLimitMs)
    {
    }

    /// The reply's arguments, or nothing on any error.
    std::optional<QList<QVariant>> call(const QString& path, const QString& interface, const QString& method,
                                        const QList<QVariant>& arguments = {})
    {
        const qint64 left = m_deadline.remainingTime();
        if (left == 0) {
            m_unanswered = true;
            return std::nullopt;
        }
        QDBusConnection bus = QDBusConnection::systemBus();
        if (!bus.isConnected())
            return std::nullopt;
        QDBusMessage message = QDBusMessage::createMethodCall(Service, path, interface, method);
        message.setArguments(arguments);
        // Hanging up must not start a network manager that is not running.
        message.setAutoStartService(false);
        const QDBusMessage reply = bus.call(message, QDBus::Block, int(qMin<qint64>(left, CallLimitMs)));
        if (reply.type() == QDBusMessage::ReplyMessage)
            return reply.arguments();
        const QString error = reply.errorName();
        if (error == QDBusError::errorString(QDBusError::NoReply) ||
            error == QDBusError::errorString(QDBusError::Timeout))
            m_unanswered = true;
        return std::nullopt;
    }

    /// One property of an object, or an invalid QVariant.
    QVariant property(const QString& path, const QString& interface, const QString& name)
    {
        const auto reply = call(path, PropertiesInterface, QStringLiteral("Get"), {interface, name});
        if (!reply || reply->isEmpty())
            return {};
        return qdbus_cast<QVariant>(reply->first());
    }

    /// All properties of one interface of an object; empty on error.
    QVariantMap properties(const QString& path, const QString& interface)
    {
        const auto reply = call(path, PropertiesInterface, QStringLiteral("GetAll"), {interface});
        if (!reply || reply->isEmpty())
            return {};
        return qdbus_cast<QVariantMap>(reply->first());
    }

    /// True once a call has run out of time: the manager is stuck or gone
    /// quiet, and asking it more only holds the program longer.
    bool unanswered() const { return m_unanswered; }

private:
    QDeadlineTimer m_deadline;
    bool m_unanswered = false;
};

QList<QString> ObjectPaths(const QVariant& value)
{
    QList<QString> paths;
    for (const QDBusObjectPath& path : qdbus_cast<QList<QDBusObjectPath>>(value))
        paths.append(path.path());
    return paths;
}

// The "type" of the "bluetooth" group of a connection's settings ("dun" or
// "panu"); empty when they cannot be read.
QString BluetoothType(ManagerCalls& calls, const QString& settingsPath)
{
    const auto reply = calls.call(settingsPath, SettingsInterface, QStringLiteral("GetSettings"));
    if (!reply || reply->isEmpty())
        return {};
    const Settings settings = qdbus_cast<Settings>(reply->first());
    return settings.value(QStringLiteral("bluetooth")).value(QStringLiteral("type")).toString();
}

// What one active connection is; nothing when it has gone meanwhile or the
// manager does not answer.
std::optional<ActiveConnectionFacts> Facts(ManagerCalls& calls, const QString& activePath)
{
    const QVariantMap active = calls.properties(activePath, ActiveInterface);
    if (active.isEmpty())
        return std::nullopt;
    ActiveConnectionFacts facts;
    facts.type = active.value(QStringLiteral("Type")).toString();
    for (const QString& device : ObjectPaths(active.value(QStringLiteral("Devices")))) {
        const QVariant type = calls.property(device, DeviceInterface, QStringLiteral("DeviceType"));
        if (type.isValid())
            facts.deviceTypes.append(type.toUInt());
    }
    if (facts.type == QLatin1StringView("bluetooth")) {
        const auto settings = qdbus_cast<QDBusObjectPath>(active.value(QStringLiteral("Connection")));
        if (!settings.path().isEmpty())
            facts.bluetoothType = BluetoothType(calls, settings.path());
    }
    return facts;
}

} // namespace

bool NetworkManagerDialUp::enumConnections(QList<QString>* handles)
{
    handles->clear();
    ManagerCalls calls(ListingLimitMs);
    const QVariant active =
        calls.property(ManagerPath, ManagerInterface, QStringLiteral("ActiveConnections"));
    m_managerUnanswered = calls.unanswered();
    if (!active.isValid())
        return false;
    for (const QString& path : ObjectPaths(active)) {
        const std::optional<ActiveConnectionFacts> facts = Facts(calls, path);
        if (calls.unanswered()) {
            m_managerUnanswered = true;
            handles->clear();
            return false;
        }
        if (facts && IsDialUpConnection(*facts))
            handles->append(path);
    }
    return true;
}

bool NetworkManagerDialUp::hangUp(const QString& handle)
{
    if (m_managerUnanswered)
        return false;
    ManagerCalls calls(CallLimitMs);
    const bool accepted = calls
                              .call(ManagerPath, ManagerInterface, QStringLiteral("DeactivateConnection"),
                                    {QVariant::fromValue(QDBusObjectPath(handle))})
                              .has_value();
    m_managerUnanswered = calls.unanswered();
    return accepted;
}

std::unique_ptr<DialUp> MakeSystemDialUp()
{
    return std::make_unique<NetworkManagerDialUp>();
}
