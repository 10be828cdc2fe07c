#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QString>
#include <QVariantMap>

namespace quillo::testing {

/// A bus of the test's own: the test plays a desktop service on one end, the code calls the other.
class PrivatePortalBus {
public:
    static inline const QString portalName = QStringLiteral("quillo-fake-portal");
    static inline const QString clientName = QStringLiteral("quillo-portal-client");

    /// Starts the bus and connects both ends; false when it can't.
    bool start() {
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"),
                       QStringLiteral("--print-address")});
        if (!daemon_.waitForReadyRead(10000))
            return false;
        const QString address = QString::fromUtf8(daemon_.readLine().trimmed());
        return QDBusConnection::connectToBus(address, portalName).isConnected() &&
               QDBusConnection::connectToBus(address, clientName).isConnected();
    }
    /// Takes the portal's well-known name for `portal`'s objects.
    bool claimPortalName() const {
        return portal().registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
    }

    QDBusConnection portal() const { return QDBusConnection(portalName); }
    QDBusConnection client() const { return QDBusConnection(clientName); }

    /// The path of the request a portal call with these options stands for.
    static QString requestPath(const QDBusMessage& call, const QVariantMap& options) {
        return "/org/freedesktop/portal/desktop/request/" +
               call.service().mid(1).replace('.', '_') + "/" +
               options.value("handle_token").toString();
    }
    /// The request's Response, as a portal sends it.
    static bool respond(const QDBusConnection& bus, const QString& request, uint response,
                        const QVariantMap& results) {
        QDBusMessage signal =
            QDBusMessage::createSignal(request, "org.freedesktop.portal.Request", "Response");
        signal << response << results;
        return bus.send(signal);
    }
    ~PrivatePortalBus() {
        QDBusConnection::disconnectFromBus(clientName);
        QDBusConnection::disconnectFromBus(portalName);
        daemon_.terminate();
        daemon_.waitForFinished();
    }

private:
    QProcess daemon_;
};

} // namespace quillo::testing
