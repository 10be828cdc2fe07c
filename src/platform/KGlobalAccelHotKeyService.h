#pragma once

#include "ShortcutHold.h"
#include "core/platform/HotKeyService.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quillo {

/// The global shortcut through KDE's shortcut daemon, org.kde.kglobalaccel on the session
/// bus (inside KWin on Plasma 5.27), as the action "show-picker" of the component "quillo".
/// The daemon keeps one owner per key combination: a combination another action holds is
/// refused at once. KDE matches combinations by what the keys type: Shift+1 on a US
/// keyboard is "!" without Shift, so combinations with Shift are named through the
/// keyboard layout.
class KGlobalAccelHotKeyService final : public QObject, public HotKeyService {
    Q_OBJECT

public:
    /// What a key types with Shift held (keysym to keysym), in the user's keyboard layout;
    /// absent when no key of the layout types the keysym.
    using ShiftedKeysym = std::function<std::optional<std::uint32_t>(std::uint32_t keysym)>;

    /// Returned by registerHotKey when the daemon does not answer (not a Plasma session).
    static constexpr int noDaemon = -1;
    /// Returned by registerHotKey for a key the program does not know.
    static constexpr int unknownKey = -2;
    /// Returned by registerHotKey when another action holds the combination.
    static constexpr int heldByOther = -3;

    /// `shiftedKeysym` names what Shift combinations type (see CompositorKeymap); without
    /// one, xkbcommon's default layout names them (XKB_DEFAULT_LAYOUT, else US English).
    explicit KGlobalAccelHotKeyService(QDBusConnection bus = QDBusConnection::sessionBus(),
                                       ShiftedKeysym shiftedKeysym = {});
    ~KGlobalAccelHotKeyService() override;
    KGlobalAccelHotKeyService(const KGlobalAccelHotKeyService&) = delete;
    KGlobalAccelHotKeyService& operator=(const KGlobalAccelHotKeyService&) = delete;

    /// 0 on success, else one of the codes above; a failure holds nothing.
    int registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers) override;
    void unregisterHotKey() override;
    void setPressedHandler(std::function<void()> handler) override;

    /// The friendly names of the action holding a combination, as "Action (Program)"; absent
    /// when none holds it, or it is this program's own.
    std::optional<std::string> holderOf(std::uint32_t keyCode, std::uint32_t modifiers) const;

    /// The Qt key combination (key | modifiers) KDE knows a combination by; absent for a key
    /// the program does not know.
    std::optional<int> qtKeyOf(std::uint32_t keyCode, std::uint32_t modifiers) const;

private slots:
    void onPressed(const QString& component, const QString& action);
    void onReleased(const QString& component, const QString& action);

private:
    /// Our key list as the daemon stored it; absent when it does not answer.
    std::optional<QList<int>> setShortcut(const QList<int>& keys) const;

    QDBusConnection bus_;
    ShiftedKeysym shiftedKeysym_;
    bool registered_ = false;
    std::function<void()> handler_;
    // KWin repeats the press while the keys are held, and its presses carry no time.
    ShortcutHold hold_;
};

} // namespace quillo
