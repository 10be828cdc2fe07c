#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>

namespace quillo::testing {

/// A session bus of the test's own, where the test plays the desktop portal (or another
/// desktop service) on one connection and the code under test calls it on another.
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
