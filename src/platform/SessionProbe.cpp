#include "SessionProbe.h"

#include "RemoteDesktopKeyPoster.h"
#include "X11Connection.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <cstdlib>
#include <filesystem>
#include <xcb/xtest.h>

namespace quillo {

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

bool hasXTest(const X11Connection& x11) {
    const xcb_query_extension_reply_t* xtest = xcb_get_extension_data(x11.get(), &xcb_test_id);
    return xtest != nullptr && xtest->present != 0;
}

} // namespace

SessionFacts probeSession(bool waylandAnswered, std::set<std::string> waylandGlobals) {
    SessionFacts facts;
    facts.sessionType = environment("XDG_SESSION_TYPE");
    facts.waylandAnswered = waylandAnswered;
    facts.waylandGlobals = std::move(waylandGlobals);
    if (const std::optional<X11Connection> x11 = X11Connection::ofApplication()) {
        facts.x11Answered = true;
        facts.xtest = hasXTest(*x11);
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
