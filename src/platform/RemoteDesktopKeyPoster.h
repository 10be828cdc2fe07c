#pragma once

#include "core/platform/KeyPoster.h"
#include "core/platform/SettingsStore.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <cstdint>
#include <functional>
#include <string>

namespace quillo {

/// Key presses through the desktop portal's remote desktop session
/// (org.freedesktop.portal.RemoteDesktop), keyboard only, sent as keysyms so that the user's
/// layout cannot change them. Until the desktop has granted the session, and after it refused
/// or ended it, nothing is posted.
///
/// Some desktops grant the session without a word (KDE Plasma); others show a dialog (GNOME),
/// so there the session is asked for only when the user asks for it, or at start once they
/// have allowed it before. Where the portal can remember the answer, its token is kept in the
/// settings and the dialog isn't shown again.
class RemoteDesktopKeyPoster final : public QObject, public KeyPoster {
    Q_OBJECT

public:
    using FrontAppId = std::function<std::string()>;
    enum class State {
        /// Not asked for in this session.
        idle,
        /// Waiting for the desktop (and perhaps the user) to answer.
        asking,
        ready,
        /// The user said no, or the desktop ended the session.
        refused,
        /// The portal is missing or failed.
        unavailable
    };

    /// The settings keys of the user's earlier consent and of the portal's token for it.
    static constexpr const char* allowedKey = "remoteDesktopAllowed";
    static constexpr const char* restoreTokenKey = "remoteDesktopRestoreToken";

    /// Whether the portal on `bus` offers remote desktop sessions.
    static bool isOffered(const QDBusConnection& bus);

    /// `frontAppId` names the application that will receive the keys, for the terminals'
    /// paste chord; it may well be empty. With `askFirst`, the session is asked for by
    /// `start()`, or at once when `settings` say the user allowed it before; without, at once.
    RemoteDesktopKeyPoster(QDBusConnection bus, FrontAppId frontAppId, bool askFirst = false,
                           SettingsStore* settings = nullptr);
    ~RemoteDesktopKeyPoster() override;
    RemoteDesktopKeyPoster(const RemoteDesktopKeyPoster&) = delete;
    RemoteDesktopKeyPoster& operator=(const RemoteDesktopKeyPoster&) = delete;

    /// Asks the desktop for the session, unless it is granted or being asked for.
    void start();
    State state() const { return state_; }
    /// True once the desktop has started the session with a keyboard.
    bool isReady() const { return state_ == State::ready; }
    /// True when the desktop can remember the user's answer beyond this session.
    bool remembersConsent() const { return version_ >= firstPersistentVersion; }
    /// Called on the main thread whenever the state changes.
    void setChangedHandler(std::function<void()> handler) { changed_ = std::move(handler); }

    bool tapKey(std::uint16_t keyCode, std::uint64_t modifierFlags) override;
    /// Presses and releases the key of one keysym.
    void tapKeysym(std::uint32_t keysym);

private slots:
    void onResponse(uint response, const QVariantMap& results);
    void onSessionClosed();

private:
    enum class Step { none, createSession, selectDevices, start };
    /// Portals from this version on keep a granted session's consent (persist_mode).
    static constexpr unsigned firstPersistentVersion = 2;

    /// Calls a portal method whose answer comes as a Response on a request object, listening
    /// there first so that the answer can't come before we listen.
    void request(Step step, const QString& method, QList<QVariant> arguments, QVariantMap options);
    void pressKeysym(std::uint32_t keysym, bool pressed) const;
    void setState(State state);
    void forgetConsent();

    QDBusConnection bus_;
    FrontAppId frontAppId_;
    SettingsStore* settings_;
    unsigned version_ = 0;
    Step step_ = Step::none;
    State state_ = State::idle;
    QString requestPath_;
    QString session_;
    int tokens_ = 0;
    std::function<void()> changed_;
};

} // namespace quillo
