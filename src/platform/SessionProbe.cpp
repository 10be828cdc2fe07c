#include "SessionProbe.h"

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
        // Only the names the choice looks for: listing the whole bus costs more.
        if (QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface())
            for (const char* name : {SessionOffer::kglobalaccel})
                if (bus->isServiceRegistered(QString::fromLatin1(name)))
                    facts.busNames.insert(name);
        // Asked only where it could serve: the question may start the portal.
        if (facts.busNames.contains(SessionOffer::kglobalaccel))
            facts.remoteDesktopPortal =
                RemoteDesktopKeyPoster::isOffered(QDBusConnection::sessionBus());
        const std::string sway = environment("SWAYSOCK");
        std::error_code error;
        facts.swaySocket = !sway.empty() && std::filesystem::is_socket(sway, error);
    }
    return facts;
}

} // namespace quillo
