#pragma once

#include <QDBusConnection>
#include <QString>

namespace quillo {

/// The desktop portal (org.freedesktop.portal.Desktop), where the desktop lets programs ask
/// for what it otherwise keeps to itself.
namespace DesktopPortal {

inline const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString path = QStringLiteral("/org/freedesktop/portal/desktop");

/// The version of one of the portal's interfaces; 0 when the portal doesn't offer it or
/// doesn't answer within two seconds.
unsigned version(const QDBusConnection& bus, const QString& interface);

} // namespace DesktopPortal

} // namespace quillo
