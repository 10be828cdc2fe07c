#pragma once

#include "ShortcutHold.h"
#include "core/platform/HotKeyService.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace quillo {

/// The global shortcut through the desktop portal (org.freedesktop.portal.GlobalShortcuts),
/// as the shortcut "show-picker" of one session kept for the life of the service. The
/// desktop may ask the user in a dialog of its own and bind another trigger than the one we
/// prefer: `desktopTrigger` names the one it bound. Where the portal doesn't work (refused,
/// failed, silent, or bound nothing, as Plasma 5.27's does until the user assigns a key in
/// System Settings), the service hands over for good to the desktop's own way, `fallback`.
class PortalHotKeyService final : public QObject, public HotKeyService {
    Q_OBJECT

public:
    /// Returned by registerHotKey once the portal failed and there is no fallback.
    static constexpr int noPortal = -1;
    /// Returned by registerHotKey for a key the program does not know.
    static constexpr int unknownKey = -2;

    /// Whether the portal on `bus` offers global shortcuts.
    static bool isOffered(const QDBusConnection& bus);

    /// Opens the session at once; `fallback` may be null.
    PortalHotKeyService(QDBusConnection bus, std::unique_ptr<HotKeyService> fallback);
    ~PortalHotKeyService() override;
    PortalHotKeyService(const PortalHotKeyService&) = delete;
    PortalHotKeyService& operator=(const PortalHotKeyService&) = delete;

    /// False once the portal was found not to work and the fallback took over.
    bool usesPortal() const { return !handedOver_; }

    /// Asks the desktop to bind the combination and returns 0 at once: its answer comes
    /// later, maybe after a dialog. After a hand-over, the fallback's answer.
    int registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers) override;
    /// The portal can't unbind within a session: presses are ignored until the next register.
    void unregisterHotKey() override;
    void setPressedHandler(std::function<void()> handler) override;
    void setChangedHandler(std::function<void()> handler) override;
    std::string desktopTrigger() const override;

    std::string configurationLine() const override;
    std::optional<std::string> holderOf(std::uint32_t keyCode,
                                        std::uint32_t modifiers) const override;
    bool offersDesktopSetUp() const override;
    bool isSetUpInDesktop() const override;
    int setUpInDesktop(bool on) override;

    /// The trigger in the form the portal prefers ("CTRL+ALT+space"); absent for a key the
    /// program does not know.
    static std::optional<QString> triggerOf(std::uint32_t keyCode, std::uint32_t modifiers);

private slots:
    void onResponse(uint response, const QVariantMap& results);
    void onActivated(const QDBusObjectPath& session, const QString& id);
    void onDeactivated(const QDBusObjectPath& session, const QString& id);
    void onShortcutsChanged(const QDBusMessage& message);

private:
    enum class Step { none, createSession, bind };

    /// Calls a portal method whose answer comes as a Response on a request object, listening
    /// there first so that the answer can't come before we listen.
    void request(Step step, const QString& method, QList<QVariant> arguments, QVariantMap options);
    /// Binds the wanted trigger once the session is open and no request is pending.
    void bindIfWanted();
    void handOver();
    void closeSession();
    void notifyChanged() const;

    QDBusConnection bus_;
    std::unique_ptr<HotKeyService> fallback_;
    bool handedOver_ = false;
    Step step_ = Step::none;
    QString requestPath_;
    QString session_;
    int tokens_ = 0;

    // The last combination asked for, for the fallback; its trigger, and the one bound.
    std::uint32_t keyCode_ = 0;
    std::uint32_t modifiers_ = 0;
    bool registered_ = false;
    QString wanted_;
    QString sent_;
    QString bound_;
    std::string trigger_;

    std::function<void()> pressedHandler_;
    std::function<void()> changedHandler_;
    // Some desktops repeat the activation while the keys are held.
    ShortcutHold hold_;
};

} // namespace quillo
