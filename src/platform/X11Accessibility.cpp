#include "X11Accessibility.h"

#include "CantPasteMessage.h"
#include "core/util/Translation.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <cstdlib>
#include <string_view>

namespace quillo {

namespace {

std::string explanation(X11Accessibility::Obstacle obstacle) {
    using Obstacle = X11Accessibility::Obstacle;
    const std::string meanwhile = copiesMeanwhile();
    switch (obstacle) {
    case Obstacle::wayland:
        // TRANSLATORS: {meanwhile} is the sentence "Until then, Quillo puts each snippet on the
        // clipboard for you to paste with Ctrl+V."
        return fill(i18n("This is a Wayland session, where one program may not type into "
                         "another. To have snippets pasted for you, log in to an X11 session (on "
                         "the login screen it may be called \u201cXorg\u201d). {meanwhile}"),
                    {{"meanwhile", meanwhile}});
    case Obstacle::noXTest:
        // TRANSLATORS: {meanwhile} is the sentence "Until then, Quillo puts each snippet on the
        // clipboard for you to paste with Ctrl+V."
        return fill(i18n("The display server of this X11 session has no XTEST extension, which "
                         "Quillo needs to type the paste keys into other programs. Turn XTEST on "
                         "in the server\u2019s configuration (it is on unless switched off) and "
                         "log in again. {meanwhile}"),
                    {{"meanwhile", meanwhile}});
    case Obstacle::noX11:
    case Obstacle::none:
        break;
    }
    // TRANSLATORS: {meanwhile} is the sentence "Until then, Quillo puts each snippet on the
    // clipboard for you to paste with Ctrl+V."
    return fill(i18n("Pasting into other programs needs an X11 session whose display server has "
                     "the XTEST extension, and this session is not one. To have snippets pasted "
                     "for you, log in to an X11 session. {meanwhile}"),
                {{"meanwhile", meanwhile}});
}

bool environmentIs(const char* name, std::string_view value) {
    const char* set = std::getenv(name);
    return set != nullptr && value == set;
}

} // namespace

X11Accessibility::X11Accessibility(std::optional<X11Connection> connection, bool waylandSession)
    : connection_(connection), waylandSession_(waylandSession) {}

X11Accessibility::~X11Accessibility() {
    delete message_.data();
}

bool X11Accessibility::isWaylandSession() {
    return QGuiApplication::platformName() == QStringLiteral("wayland") ||
           environmentIs("XDG_SESSION_TYPE", "wayland");
}

X11Accessibility::Obstacle X11Accessibility::obstacle() const {
    if (!connection_)
        return waylandSession_ ? Obstacle::wayland : Obstacle::noX11;
    return connection_->hasXTest() ? Obstacle::none : Obstacle::noXTest;
}

bool X11Accessibility::isTrusted(bool prompt) {
    const bool trusted = obstacle() == Obstacle::none;
    if (!trusted && prompt)
        explain();
    return trusted;
}

std::string X11Accessibility::pastingStatus() const {
    if (obstacle() == Obstacle::none)
        return i18n("Quillo pastes by typing Ctrl+V (Ctrl+Shift+V in terminals) into the window "
                    "you are in, through the X server’s XTEST extension.");
    return explanation(obstacle());
}

void X11Accessibility::explain() {
    showCantPasteMessage(message_, QString::fromStdString(explanation(obstacle())));
}

} // namespace quillo
