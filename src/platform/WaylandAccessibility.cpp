#include "WaylandAccessibility.h"

#include "CantPasteMessage.h"

#include <QMessageBox>

namespace quillo {

WaylandAccessibility::WaylandAccessibility(SessionBackends backends) : backends_(backends) {}

WaylandAccessibility::~WaylandAccessibility() {
    delete message_.data();
}

bool WaylandAccessibility::isTrusted(bool prompt) {
    const bool trusted = backends_.keys != SessionBackends::Keys::none;
    if (!trusted && prompt)
        showCantPasteMessage(message_, explanation());
    return trusted;
}

std::string WaylandAccessibility::pastingStatus() const {
    switch (backends_.keys) {
    case SessionBackends::Keys::virtualKeyboard:
        return "Quillo pastes by typing Ctrl+V (Ctrl+Shift+V in terminals) into the window you "
               "were in, through the compositor\u2019s virtual keyboard.";
    case SessionBackends::Keys::kwinFakeInput:
        return "Quillo pastes by typing Ctrl+V into the window you were in, through KWin\u2019s "
               "input for trusted programs.";
    case SessionBackends::Keys::remoteDesktop:
        return "Quillo pastes by typing Ctrl+V into the window you were in, through the "
               "desktop\u2019s remote control service. Installed with its desktop entry and "
               "started from the application menu, it would type through KWin directly.";
    case SessionBackends::Keys::xtest:
    case SessionBackends::Keys::none:
        break;
    }
    return explanation().toStdString();
}

QString WaylandAccessibility::explanation() const {
    // KWin answers on the bus with its shortcut service, and lends its keyboard only to
    // programs whose installed desktop entry asks for it.
    if (backends_.shortcut == SessionBackends::Shortcut::kglobalaccel)
        return QStringLiteral("KDE Plasma lets a program type into other windows only when it "
                              "was installed with its desktop entry, which asks for that. "
                              "Install Quillo (its package, or cmake --install) and start it "
                              "from the application menu.") +
               copiesMeanwhile();
    return QStringLiteral("This Wayland desktop offers programs no way to type into other "
                          "windows. To have snippets pasted for you, use a desktop that does "
                          "(sway and other wlroots compositors, KDE Plasma), or log in to an X11 "
                          "session (on the login screen it may be called \u201cXorg\u201d).") +
           copiesMeanwhile();
}

} // namespace quillo
