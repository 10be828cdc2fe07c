#include "KGlobalAccelHotKeyService.h"

#include "KeyTranslation.h"
#include "KeyboardLayout.h"
#include "QtKeys.h"
#include "QtTranslation.h"
#include "core/hotkey/Shortcut.h"

#include <QChar>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QStringList>

namespace quillo {

namespace {

const QString daemon = QStringLiteral("org.kde.kglobalaccel");
const QString daemonPath = QStringLiteral("/kglobalaccel");
const QString daemonInterface = QStringLiteral("org.kde.KGlobalAccel");
const QString componentInterface = QStringLiteral("org.kde.kglobalaccel.Component");
const QString component = QStringLiteral("quillo");
const QString componentPath = QStringLiteral("/component/quillo");
const QString action = QStringLiteral("show-picker");

/// The component's unique name, the action's, and the names System Settings shows for them.
QStringList actionId() {
    // TRANSLATORS: What Quillo's shortcut does, as KDE's System Settings lists it (in KDE's
    // title case). The picker is Quillo's small window for choosing a snippet to paste.
    return {component, action, QStringLiteral("Quillo"), qi18n("Show the Picker")};
}

// setShortcut's flags: the action is present in this program, and the keys we pass are
// taken as they are rather than replaced by the ones the daemon stored earlier.
constexpr uint setPresent = 0x2;
constexpr uint noAutoloading = 0x4;

// The daemon lives in KWin, which answers at once; a hung compositor should not hang us
// for D-Bus's default 25 s.
constexpr int callTimeoutMs = 2000;

QDBusMessage daemonCall(const QString& method, const QList<QVariant>& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(daemon, daemonPath, daemonInterface, method);
    call.setArguments(arguments);
    return call;
}

bool failed(const QDBusMessage& reply) {
    return reply.type() != QDBusMessage::ReplyMessage;
}

} // namespace

KGlobalAccelHotKeyService::KGlobalAccelHotKeyService(QDBusConnection bus,
                                                     ShiftedKeysym shiftedKeysym)
    : bus_(std::move(bus)), shiftedKeysym_(std::move(shiftedKeysym)) {
    if (!shiftedKeysym_)
        if (const auto layout = KeyboardLayout::fromNames())
            shiftedKeysym_ = [layout = *layout](std::uint32_t keysym) {
                return layout.shiftedKeysymOf(keysym);
            };
    bus_.connect(daemon, componentPath, componentInterface, QStringLiteral("globalShortcutPressed"),
                 this, SLOT(onPressed(QString, QString)));
    bus_.connect(daemon, componentPath, componentInterface,
                 QStringLiteral("globalShortcutReleased"), this,
                 SLOT(onReleased(QString, QString)));
}

KGlobalAccelHotKeyService::~KGlobalAccelHotKeyService() {
    // Given back on quitting, so the keys reach other programs rather than a daemon that
    // calls nobody.
    unregisterHotKey();
}

std::optional<int> KGlobalAccelHotKeyService::qtKeyOf(std::uint32_t keyCode,
                                                      std::uint32_t modifiers) const {
    auto keysym = keyCode <= 0xFFFF ? keys::keysymForKeyCode(static_cast<std::uint16_t>(keyCode))
                                    : std::nullopt;
    if (!keysym)
        return std::nullopt;
    auto qtKey = keys::qtKeyForKeysym(*keysym);
    if (!qtKey)
        return std::nullopt;
    // KWin takes Shift as used up by a key whose shifted character is another symbol, and
    // matches that symbol alone; letters keep their Shift.
    if ((modifiers & ShortcutModifier::shift) != 0 && shiftedKeysym_) {
        const auto shifted = shiftedKeysym_(*keysym);
        const auto shiftedKey =
            shifted && *shifted != *keysym ? keys::qtKeyForKeysym(*shifted) : std::nullopt;
        if (shiftedKey && !QChar::isLetter(static_cast<char32_t>(*shiftedKey))) {
            qtKey = shiftedKey;
            modifiers &= ~ShortcutModifier::shift;
        }
    }
    return *qtKey | keys::qtModifiersForShortcut(modifiers);
}

int KGlobalAccelHotKeyService::registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers) {
    unregisterHotKey();
    const auto qtKey = qtKeyOf(keyCode, modifiers);
    if (!qtKey)
        return unknownKey;
    if (failed(bus_.call(daemonCall(QStringLiteral("doRegister"), {actionId()}), QDBus::Block,
                         callTimeoutMs)))
        return noDaemon;
    // The daemon stores the keys no other action holds and answers with what it stored.
    const auto stored = setShortcut({*qtKey});
    if (!stored)
        return noDaemon;
    if (!stored->contains(*qtKey)) {
        setShortcut({});
        return heldByOther;
    }
    registered_ = true;
    return 0;
}

void KGlobalAccelHotKeyService::unregisterHotKey() {
    if (registered_)
        setShortcut({});
    registered_ = false;
    hold_.release();
}

void KGlobalAccelHotKeyService::setPressedHandler(std::function<void()> handler) {
    handler_ = std::move(handler);
}

std::optional<std::string> KGlobalAccelHotKeyService::holderOf(std::uint32_t keyCode,
                                                               std::uint32_t modifiers) const {
    const auto qtKey = qtKeyOf(keyCode, modifiers);
    if (!qtKey)
        return std::nullopt;
    const QDBusMessage reply =
        bus_.call(daemonCall(QStringLiteral("getGlobalShortcutsByKey"), {*qtKey}), QDBus::Block,
                  callTimeoutMs);
    if (failed(reply) || reply.arguments().isEmpty())
        return std::nullopt;
    // a(ssssssaiai): the action's unique and friendly names, the component's, the context's,
    // the keys and the default keys.
    const auto shortcuts = reply.arguments().constFirst().value<QDBusArgument>();
    std::optional<std::string> holder;
    shortcuts.beginArray();
    while (!shortcuts.atEnd()) {
        QString actionName, actionFriendly, componentName, componentFriendly, contextName,
            contextFriendly;
        QList<int> keys, defaultKeys;
        shortcuts.beginStructure();
        shortcuts >> actionName >> actionFriendly >> componentName >> componentFriendly >>
            contextName >> contextFriendly >> keys >> defaultKeys;
        shortcuts.endStructure();
        if (componentName != component && !holder)
            // TRANSLATORS: Who holds a shortcut on KDE Plasma: %1 is the action ("Show
            // Desktop"), %2 the program it belongs to ("KWin").
            holder = qi18n("%1 (%2)").arg(actionFriendly, componentFriendly).toStdString();
    }
    shortcuts.endArray();
    return holder;
}

std::optional<QList<int>> KGlobalAccelHotKeyService::setShortcut(const QList<int>& keys) const {
    const QDBusMessage reply =
        bus_.call(daemonCall(QStringLiteral("setShortcut"),
                             {actionId(), QVariant::fromValue(keys), setPresent | noAutoloading}),
                  QDBus::Block, callTimeoutMs);
    if (failed(reply) || reply.arguments().isEmpty())
        return std::nullopt;
    return qdbus_cast<QList<int>>(reply.arguments().constFirst());
}

void KGlobalAccelHotKeyService::onPressed(const QString& pressedComponent,
                                          const QString& pressedAction) {
    if (!registered_ || pressedComponent != component || pressedAction != action)
        return;
    if (hold_.press() && handler_)
        handler_();
}

void KGlobalAccelHotKeyService::onReleased(const QString& releasedComponent,
                                           const QString& releasedAction) {
    if (releasedComponent == component && releasedAction == action)
        hold_.release();
}

} // namespace quillo
