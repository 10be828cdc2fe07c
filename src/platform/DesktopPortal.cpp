#include "DesktopPortal.h"

#include <QDBusMessage>
#include <QDBusVariant>

namespace quillo {

unsigned DesktopPortal::version(const QDBusConnection& bus, const QString& interface) {
    QDBusMessage get = QDBusMessage::createMethodCall(
        service, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << interface << QStringLiteral("version");
    const QDBusMessage reply = bus.call(get, QDBus::Block, 2000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return 0;
    return reply.arguments().constFirst().value<QDBusVariant>().variant().toUInt();
}

} // namespace quillo
