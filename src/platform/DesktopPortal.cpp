#include "DesktopPortal.h"

#include <QDBusVariant>

namespace quillo {

namespace {

const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");

} // namespace

QDBusMessage DesktopPortal::versionQuery(const QString& interface) {
    QDBusMessage get = QDBusMessage::createMethodCall(
        service, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << interface << QStringLiteral("version");
    return get;
}

unsigned DesktopPortal::versionIn(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return 0;
    return reply.arguments().constFirst().value<QDBusVariant>().variant().toUInt();
}

unsigned DesktopPortal::version(const QDBusConnection& bus, const QString& interface) {
    return versionIn(bus.call(versionQuery(interface), QDBus::Block, 2000));
}

QString DesktopPortal::listenForResponse(QDBusConnection& bus, const QString& token,
                                         const QString& previous, QObject* receiver,
                                         const char* slot) {
    const QString response = QStringLiteral("Response");
    if (!previous.isEmpty())
        bus.disconnect(service, previous, requestInterface, response, receiver, slot);
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString request = path + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
    bus.connect(service, request, requestInterface, response, receiver, slot);
    return request;
}

} // namespace quillo
