#pragma once

#include "core/platform/KeyPoster.h"

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
/// layout cannot change them. The session is asked for once, at construction; until the
/// desktop has granted it, and after it refused or ended it, nothing is posted.
class RemoteDesktopKeyPoster final : public QObject, public KeyPoster {
    Q_OBJECT

public:
    using FrontAppId = std::function<std::string()>;

    /// Whether the portal on `bus` offers remote desktop sessions.
    static bool isOffered(const QDBusConnection& bus);

    /// `frontAppId` names the application that will receive the keys, for the terminals'
    /// paste chord; it may well be empty.
    RemoteDesktopKeyPoster(QDBusConnection bus, FrontAppId frontAppId);
    ~RemoteDesktopKeyPoster() override;
    RemoteDesktopKeyPoster(const RemoteDesktopKeyPoster&) = delete;
    RemoteDesktopKeyPoster& operator=(const RemoteDesktopKeyPoster&) = delete;

    /// True once the desktop has started the session with a keyboard.
    bool isReady() const { return ready_; }

    void tapKey(std::uint16_t keyCode, std::uint64_t modifierFlags) override;

private slots:
    void onResponse(uint response, const QVariantMap& results);

private:
    enum class Step { none, createSession, selectDevices, start, done };

    /// Calls a portal method whose answer comes as a Response on a request object, listening
    /// there first so that the answer can't come before we listen.
    void request(Step step, const QString& method, QList<QVariant> arguments, QVariantMap options);
    void pressKeysym(std::uint32_t keysym, bool pressed) const;

    QDBusConnection bus_;
    FrontAppId frontAppId_;
    Step step_ = Step::none;
    QString requestPath_;
    QString session_;
    bool ready_ = false;
    int tokens_ = 0;
};

} // namespace quillo
