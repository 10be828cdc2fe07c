#include "WaylandAccessibility.h"

#include "CantPasteMessage.h"
#include "RemoteDesktopKeyPoster.h"
#include "core/util/Translation.h"

#include <QMessageBox>

namespace quillo {

WaylandAccessibility::WaylandAccessibility(SessionBackends backends,
                                           RemoteDesktopKeyPoster* remoteDesktop)
    : backends_(backends), remoteDesktop_(remoteDesktop) {}

WaylandAccessibility::~WaylandAccessibility() {
    delete message_.data();
}

bool WaylandAccessibility::isTrusted(bool prompt) {
    if (backends_.keysNeedConsent && remoteDesktop_) {
        using State = RemoteDesktopKeyPoster::State;
        // Settings has said what the desktop will ask: the user asked for it.
        if (prompt && remoteDesktop_->state() != State::ready)
            remoteDesktop_->start();
        if (prompt && remoteDesktop_->state() == State::unavailable)
            showCantPasteMessage(message_, QString::fromStdString(consentStatus()));
        return remoteDesktop_->isReady();
    }
    const bool trusted = backends_.keys != SessionBackends::Keys::none;
    if (!trusted && prompt)
        showCantPasteMessage(message_, QString::fromStdString(explanation()));
    return trusted;
}

std::string WaylandAccessibility::pastingStatus() const {
    if (backends_.keysNeedConsent && remoteDesktop_)
        return consentStatus();
    switch (backends_.keys) {
    case SessionBackends::Keys::virtualKeyboard:
        return i18n("Quillo pastes by typing Ctrl+V (Ctrl+Shift+V in terminals) into the window "
                    "you were in, through the compositor\u2019s virtual keyboard.");
    case SessionBackends::Keys::kwinFakeInput:
        return i18n("Quillo pastes by typing Ctrl+V into the window you were in, through "
                    "KWin\u2019s input for trusted programs.");
    case SessionBackends::Keys::remoteDesktop:
        return i18n("Quillo pastes by typing Ctrl+V into the window you were in, through the "
                    "desktop\u2019s remote control service. Installed with its desktop entry and "
                    "started from the application menu, it would type through KWin directly.");
    case SessionBackends::Keys::xtest:
    case SessionBackends::Keys::none:
        break;
    }
    return explanation();
}

std::string WaylandAccessibility::consentStatus() const {
    using State = RemoteDesktopKeyPoster::State;
    const std::string meanwhile = copiesMeanwhile();
    const std::string remembered = remoteDesktop_->remembersConsent()
                                       ? i18n("The desktop remembers your answer.")
                                       : i18n("The desktop asks again after each login.");
    switch (remoteDesktop_->state()) {
    case State::idle:
        // TRANSLATORS: "Allow…" is the button in Quillo's settings that asks the desktop;
        // "Share" and "Allow" are the desktop's own buttons. {remembered} is the sentence "The
        // desktop remembers your answer." or "The desktop asks again after each login.",
        // {meanwhile} the sentence "Until then, Quillo puts each snippet on the clipboard for
        // you to paste with Ctrl+V."
        return fill(i18n("The desktop lets a program type into other windows only with your "
                         "permission. Allow\u2026 asks for it: choose Share or Allow in the "
                         "desktop\u2019s remote desktop dialog. {remembered} {meanwhile}"),
                    {{"remembered", remembered}, {"meanwhile", meanwhile}});
    case State::asking:
        return i18n("Waiting for your answer in the desktop\u2019s remote desktop dialog.");
    case State::ready:
        // TRANSLATORS: {remembered} is the sentence "The desktop remembers your answer." or
        // "The desktop asks again after each login."
        return fill(i18n("Quillo pastes by typing Ctrl+V (Ctrl+Shift+V in terminals) into the "
                         "window you were in, through the desktop\u2019s remote desktop service, "
                         "as you allowed. {remembered}"),
                    {{"remembered", remembered}});
    case State::refused:
        // TRANSLATORS: "Allow…" is the button in Quillo's settings that asks the desktop.
        return i18n("Quillo isn\u2019t allowed to type into other windows, so it puts each "
                    "snippet on the clipboard for you to paste with Ctrl+V. Allow\u2026 asks the "
                    "desktop again.");
    case State::unavailable:
        break;
    }
    // TRANSLATORS: {meanwhile} is the sentence "Until then, Quillo puts each snippet on the
    // clipboard for you to paste with Ctrl+V."
    return fill(i18n("The desktop\u2019s remote desktop service didn\u2019t answer. {meanwhile}"),
                {{"meanwhile", meanwhile}});
}

std::string WaylandAccessibility::explanation() const {
    const std::string meanwhile = copiesMeanwhile();
    // KWin answers on the bus with its shortcut service, and lends its keyboard only to
    // programs whose installed desktop entry asks for it.
    if (backends_.shortcut == SessionBackends::Shortcut::kglobalaccel)
        // TRANSLATORS: {meanwhile} is the sentence "Until then, Quillo puts each snippet on the
        // clipboard for you to paste with Ctrl+V."
        return fill(i18n("KDE Plasma lets a program type into other windows only when it was "
                         "installed with its desktop entry, which asks for that. Install Quillo "
                         "(its package, or cmake --install) and start it from the application "
                         "menu. {meanwhile}"),
                    {{"meanwhile", meanwhile}});
    // TRANSLATORS: {meanwhile} is the sentence "Until then, Quillo puts each snippet on the
    // clipboard for you to paste with Ctrl+V."
    return fill(i18n("This Wayland desktop offers programs no way to type into other windows. To "
                     "have snippets pasted for you, use a desktop that does (sway and other "
                     "wlroots compositors, KDE Plasma), or log in to an X11 session (on the login "
                     "screen it may be called \u201cXorg\u201d). {meanwhile}"),
                {{"meanwhile", meanwhile}});
}

} // namespace quillo
