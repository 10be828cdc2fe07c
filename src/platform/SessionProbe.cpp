#include "SessionProbe.h"

#include "DesktopPortal.h"
#include "RemoteDesktopKeyPoster.h"
#include "X11Connection.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <cstdlib>
#include <filesystem>

namespace quillo {

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

} // namespace

SessionFacts probeSession(bool waylandAnswered, std::set<std::string> waylandGlobals) {
    SessionFacts facts;
    facts.sessionType = environment("XDG_SESSION_TYPE");
    facts.waylandAnswered = waylandAnswered;
    facts.waylandGlobals = std::move(waylandGlobals);
    if (const std::optional<X11Connection> x11 = X11Connection::ofApplication()) {
        facts.x11Answered = true;
        facts.xtest = x11->hasXTest();
    }
    if (waylandAnswered) {
        const QDBusConnection bus = QDBusConnection::sessionBus();
        // Only the names the choice looks for: listing the whole bus costs more.
        if (QDBusConnectionInterface* names = bus.interface())
            for (const char* name : {SessionOffer::kglobalaccel, SessionOffer::gnomeMediaKeys})
                if (names->isServiceRegistered(QString::fromLatin1(name)))
                    facts.busNames.insert(name);
        const std::string sway = environment("SWAYSOCK");
        std::error_code error;
        facts.swaySocket = !sway.empty() && std::filesystem::is_socket(sway, error);
        // The portal is asked only where it could serve: the question may start it.
        const bool compositorTypes = facts.waylandGlobals.contains(SessionOffer::virtualKeyboard) ||
                                     facts.waylandGlobals.contains(SessionOffer::kwinFakeInput);
        if (!compositorTypes)
            facts.remoteDesktopPortal = RemoteDesktopKeyPoster::isOffered(bus);
        if (!facts.swaySocket)
            facts.globalShortcutsPortal =
                DesktopPortal::version(
                    bus, QStringLiteral("org.freedesktop.portal.GlobalShortcuts")) > 0;
    }
    return facts;
}

} // namespace quillo
