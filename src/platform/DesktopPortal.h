#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>

class QObject;

namespace quillo {

/// The desktop portal (org.freedesktop.portal.Desktop), where the desktop lets programs ask
/// for what it otherwise keeps to itself.
namespace DesktopPortal {

inline const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString path = QStringLiteral("/org/freedesktop/portal/desktop");

/// The version of one of the portal's interfaces; 0 when the portal doesn't offer it or
/// doesn't answer within two seconds.
unsigned version(const QDBusConnection& bus, const QString& interface);
/// The same question, to ask without waiting, and its answer read from the reply.
QDBusMessage versionQuery(const QString& interface);
unsigned versionIn(const QDBusMessage& reply);

/// The portal answers a request on an object whose path is made of our bus name and a token
/// of ours. Connects `slot` of `receiver` to that object's Response signal, first, so that the
/// answer can't come before we listen, and stops listening at `previous` (when not empty).
/// Returns the path.
QString listenForResponse(QDBusConnection& bus, const QString& token, const QString& previous,
                          QObject* receiver, const char* slot);

} // namespace DesktopPortal

} // namespace quillo
