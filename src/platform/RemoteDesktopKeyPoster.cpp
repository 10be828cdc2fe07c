#include "RemoteDesktopKeyPoster.h"

#include "DesktopPortal.h"
#include "KeyTranslation.h"
#include "TerminalApps.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <vector>
#include <xkbcommon/xkbcommon-keysyms.h>

namespace quillo {

namespace {

const QString remoteDesktop = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
const QString sessionInterface = QStringLiteral("org.freedesktop.portal.Session");
constexpr std::uint32_t keyboardDevice = 1;
/// Kept until the user takes it back, across logins.
constexpr std::uint32_t persistUntilRevoked = 2;

QDBusMessage portalCall(const QString& method) {
    return QDBusMessage::createMethodCall(DesktopPortal::service, DesktopPortal::path,
                                          remoteDesktop, method);
}

} // namespace

bool RemoteDesktopKeyPoster::isOffered(const QDBusConnection& bus) {
    return DesktopPortal::version(bus, remoteDesktop) > 0;
}

RemoteDesktopKeyPoster::RemoteDesktopKeyPoster(QDBusConnection bus, FrontAppId frontAppId,
                                               bool askFirst, SettingsStore* settings)
    : bus_(std::move(bus)), frontAppId_(std::move(frontAppId)), settings_(settings) {
    // Asked once the user has said yes; a desktop that doesn't ask grants it without a word.
    if (!askFirst || (settings_ && settings_->value(allowedKey)))
        start();
}

RemoteDesktopKeyPoster::~RemoteDesktopKeyPoster() {
    if (!session_.isEmpty())
        bus_.asyncCall(QDBusMessage::createMethodCall(DesktopPortal::service, session_,
                                                      sessionInterface, QStringLiteral("Close")));
}

void RemoteDesktopKeyPoster::start() {
    if (state_ == State::asking || state_ == State::ready)
        return;
    setState(State::asking);
    // The version says which options the portal knows; asked without blocking, as the
    // portal may be starting.
    auto* watcher = new QDBusPendingCallWatcher(
        bus_.asyncCall(DesktopPortal::versionQuery(remoteDesktop)), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* answer) {
                answer->deleteLater();
                version_ = DesktopPortal::versionIn(answer->reply());
                if (version_ == 0) {
                    setState(State::unavailable);
                    return;
                }
                request(Step::createSession, QStringLiteral("CreateSession"), {},
                        {{QStringLiteral("session_handle_token"),
                          QStringLiteral("quillo%1").arg(tokens_)}});
            });
}

void RemoteDesktopKeyPoster::request(Step step, const QString& method, QList<QVariant> arguments,
                                     QVariantMap options) {
    const QString token = QStringLiteral("quillo%1").arg(++tokens_);
    requestPath_ = DesktopPortal::listenForResponse(bus_, token, requestPath_, this,
                                                    SLOT(onResponse(uint, QVariantMap)));
    step_ = step;
    options.insert(QStringLiteral("handle_token"), token);
    QDBusMessage call = portalCall(method);
    arguments.append(options);
    call.setArguments(arguments);
    // Asynchronous: the desktop may show a dialog and take its time.
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* answer) {
                answer->deleteLater();
                if (answer->isError()) {
                    step_ = Step::none;
                    setState(State::unavailable);
                }
            });
}

void RemoteDesktopKeyPoster::onResponse(uint response, const QVariantMap& results) {
    // 0 is success; 1 the user refused; 2 anything else.
    if (response != 0) {
        step_ = Step::none;
        if (response == 1)
            forgetConsent();
        setState(response == 1 ? State::refused : State::unavailable);
        return;
    }
    switch (step_) {
    case Step::createSession: {
        session_ = results.value(QStringLiteral("session_handle")).toString();
        bus_.connect(DesktopPortal::service, session_, sessionInterface, QStringLiteral("Closed"),
                     this, SLOT(onSessionClosed()));
        QVariantMap options{{QStringLiteral("types"), QVariant::fromValue(keyboardDevice)}};
        // Older portals refuse options they don't know.
        if (remembersConsent() && settings_) {
            options.insert(QStringLiteral("persist_mode"),
                           QVariant::fromValue(persistUntilRevoked));
            if (const auto token = settings_ ? settings_->value(restoreTokenKey) : std::nullopt)
                options.insert(QStringLiteral("restore_token"), QString::fromStdString(*token));
        }
        request(Step::selectDevices, QStringLiteral("SelectDevices"),
                {QVariant::fromValue(QDBusObjectPath(session_))}, options);
        break;
    }
    case Step::selectDevices:
        request(Step::start, QStringLiteral("Start"),
                {QVariant::fromValue(QDBusObjectPath(session_)), QString()}, {});
        break;
    case Step::start: {
        step_ = Step::none;
        const bool keyboard = results.value(QStringLiteral("devices")).toUInt() & keyboardDevice;
        if (keyboard && settings_) {
            settings_->setValue(allowedKey, "true");
            // Each token serves once: the portal hands out the next one with each session.
            const QString token = results.value(QStringLiteral("restore_token")).toString();
            if (!token.isEmpty())
                settings_->setValue(restoreTokenKey, token.toStdString());
        }
        setState(keyboard ? State::ready : State::refused);
        break;
    }
    case Step::none:
        break;
    }
}

void RemoteDesktopKeyPoster::onSessionClosed() {
    session_.clear();
    step_ = Step::none;
    setState(State::refused);
}

void RemoteDesktopKeyPoster::setState(State state) {
    if (state == state_)
        return;
    state_ = state;
    if (changed_)
        changed_();
}

void RemoteDesktopKeyPoster::forgetConsent() {
    if (!settings_)
        return;
    settings_->remove(allowedKey);
    settings_->remove(restoreTokenKey);
}

void RemoteDesktopKeyPoster::pressKeysym(std::uint32_t keysym, bool pressed) const {
    QDBusMessage call = portalCall(QStringLiteral("NotifyKeyboardKeysym"));
    call << QVariant::fromValue(QDBusObjectPath(session_)) << QVariantMap()
         << static_cast<int>(keysym) << static_cast<uint>(pressed ? 1 : 0);
    // In order on the one connection: the portal gets them as sent.
    bus_.asyncCall(call);
}

void RemoteDesktopKeyPoster::tapKeysym(std::uint32_t keysym) {
    if (!isReady())
        return;
    pressKeysym(keysym, true);
    pressKeysym(keysym, false);
}

bool RemoteDesktopKeyPoster::tapKey(std::uint16_t keyCode, std::uint64_t modifierFlags) {
    if (!isReady())
        return false;
    std::vector<std::uint32_t> held;
    std::optional<std::uint32_t> key;
    if (keys::isPasteCommand(keyCode, modifierFlags)) {
        held = {XKB_KEY_Control_L};
        if (isTerminalApp(frontAppId_ ? frontAppId_() : std::string()))
            held.push_back(XKB_KEY_Shift_L);
        key = XKB_KEY_v;
    } else {
        key = keys::keysymForKeyCode(keyCode);
        const auto modifiers = keys::keysymsForXModifiers(keys::xModifiersForFlags(modifierFlags));
        held.assign(modifiers.begin(), modifiers.end());
    }
    if (!key)
        return false;
    for (const std::uint32_t modifier : held)
        pressKeysym(modifier, true);
    pressKeysym(*key, true);
    pressKeysym(*key, false);
    for (auto modifier = held.rbegin(); modifier != held.rend(); ++modifier)
        pressKeysym(*modifier, false);
    return true;
}

} // namespace quillo
