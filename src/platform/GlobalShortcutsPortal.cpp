#include "GlobalShortcutsPortal.h"

#include "DesktopPortal.h"
#include "KeyTranslation.h"
#include "QtTranslation.h"
#include "core/hotkey/Shortcut.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QStringList>
#include <utility>

namespace quillo {

namespace {

const QString& portalService = DesktopPortal::service;
const QString& portalPath = DesktopPortal::path;
const QString globalShortcuts = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString shortcutId = QStringLiteral("show-picker");
// Tokens of our own: the key poster's requests travel on the same connection, and the
// request's path is made of the connection's name and the token.
const QString tokenPrefix = QStringLiteral("quillo_shortcuts");

// The portal replies with the request's handle at once; the user's answer comes later as a
// Response, which may take as long as the desktop's dialog stays open.
constexpr int callTimeoutMs = 10000;

// a(sa{sv}): a shortcut's id and its properties.
using ShortcutEntry = std::pair<QString, QVariantMap>;
using Shortcuts = QList<ShortcutEntry>;

/// The trigger the desktop describes for our shortcut in a list of them; absent when the
/// list leaves it out.
std::optional<std::string> triggerIn(const QVariant& shortcuts) {
    for (const auto& [id, properties] : qdbus_cast<Shortcuts>(shortcuts))
        if (id == shortcutId)
            return properties.value(QStringLiteral("trigger_description")).toString().toStdString();
    return std::nullopt;
}

/// The session's handle, which portals send as a string, though it is an object path.
QString sessionHandleIn(const QVariantMap& results) {
    const QVariant handle = results.value(QStringLiteral("session_handle"));
    if (handle.metaType() == QMetaType::fromType<QDBusObjectPath>())
        return handle.value<QDBusObjectPath>().path();
    return handle.toString();
}

} // namespace

bool PortalHotKeyService::isOffered(const QDBusConnection& bus) {
    return DesktopPortal::version(bus, globalShortcuts) > 0;
}

std::optional<QString> PortalHotKeyService::triggerOf(std::uint32_t keyCode,
                                                      std::uint32_t modifiers) {
    const std::optional<std::string> name = keys::keysymNameForKeyCode(keyCode);
    if (!name)
        return std::nullopt;
    QStringList parts;
    if (modifiers & ShortcutModifier::control)
        parts << QStringLiteral("CTRL");
    if (modifiers & ShortcutModifier::option)
        parts << QStringLiteral("ALT");
    if (modifiers & ShortcutModifier::shift)
        parts << QStringLiteral("SHIFT");
    if (modifiers & ShortcutModifier::command)
        parts << QStringLiteral("LOGO");
    parts << QString::fromStdString(*name);
    return parts.join(QLatin1Char('+'));
}

PortalHotKeyService::PortalHotKeyService(QDBusConnection bus,
                                         std::unique_ptr<HotKeyService> fallback)
    : bus_(std::move(bus)), fallback_(std::move(fallback)) {
    // The list's signature is made of its element's. Qt finds a slot's parameter types by
    // name, and fails to connect the activations until the object path's is registered.
    qDBusRegisterMetaType<ShortcutEntry>();
    qDBusRegisterMetaType<Shortcuts>();
    qRegisterMetaType<QDBusObjectPath>();
    bus_.connect(portalService, portalPath, globalShortcuts, QStringLiteral("Activated"), this,
                 SLOT(onActivated(QDBusObjectPath, QString)));
    bus_.connect(portalService, portalPath, globalShortcuts, QStringLiteral("Deactivated"), this,
                 SLOT(onDeactivated(QDBusObjectPath, QString)));
    // The list's type is one Qt can't hand to a slot of its own: the message is read here.
    bus_.connect(portalService, portalPath, globalShortcuts, QStringLiteral("ShortcutsChanged"),
                 this, SLOT(onShortcutsChanged(QDBusMessage)));
    request(Step::createSession, QStringLiteral("CreateSession"), {},
            {{QStringLiteral("session_handle_token"), tokenPrefix}});
}

PortalHotKeyService::~PortalHotKeyService() {
    // Closing the session gives the trigger back to the desktop.
    closeSession();
}

int PortalHotKeyService::registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers) {
    if (handedOver_)
        return fallback_ ? fallback_->registerHotKey(keyCode, modifiers) : noPortal;
    const auto trigger = triggerOf(keyCode, modifiers);
    if (!trigger)
        return unknownKey;
    keyCode_ = keyCode;
    modifiers_ = modifiers;
    registered_ = true;
    hold_.release();
    wanted_ = *trigger;
    bindIfWanted();
    return 0;
}

void PortalHotKeyService::unregisterHotKey() {
    if (handedOver_) {
        if (fallback_)
            fallback_->unregisterHotKey();
        return;
    }
    registered_ = false;
    hold_.release();
}

void PortalHotKeyService::setPressedHandler(std::function<void()> handler) {
    pressedHandler_ = std::move(handler);
    if (handedOver_ && fallback_)
        fallback_->setPressedHandler(pressedHandler_);
}

void PortalHotKeyService::setChangedHandler(std::function<void()> handler) {
    changedHandler_ = std::move(handler);
    if (handedOver_ && fallback_)
        fallback_->setChangedHandler(changedHandler_);
}

std::string PortalHotKeyService::desktopTrigger() const {
    if (handedOver_)
        return fallback_ ? fallback_->desktopTrigger() : std::string();
    return trigger_;
}

std::string PortalHotKeyService::configurationLine() const {
    return handedOver_ && fallback_ ? fallback_->configurationLine() : std::string();
}

std::optional<std::string> PortalHotKeyService::holderOf(std::uint32_t keyCode,
                                                         std::uint32_t modifiers) const {
    if (handedOver_ && fallback_)
        return fallback_->holderOf(keyCode, modifiers);
    return std::nullopt;
}

bool PortalHotKeyService::offersDesktopSetUp() const {
    return handedOver_ && fallback_ && fallback_->offersDesktopSetUp();
}

bool PortalHotKeyService::isSetUpInDesktop() const {
    return handedOver_ && fallback_ && fallback_->isSetUpInDesktop();
}

int PortalHotKeyService::setUpInDesktop(bool on) {
    return handedOver_ && fallback_ ? fallback_->setUpInDesktop(on) : 0;
}

void PortalHotKeyService::request(Step step, const QString& method, QList<QVariant> arguments,
                                  QVariantMap options) {
    const QString token = tokenPrefix + QString::number(++tokens_);
    requestPath_ = DesktopPortal::listenForResponse(bus_, token, requestPath_, this,
                                                    SLOT(onResponse(uint, QVariantMap)));
    step_ = step;
    options.insert(QStringLiteral("handle_token"), token);
    QDBusMessage call =
        QDBusMessage::createMethodCall(portalService, portalPath, globalShortcuts, method);
    arguments.append(options);
    call.setArguments(arguments);
    // No portal, an old one without global shortcuts, or one that hangs: none will answer.
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, path = requestPath_](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                if (finished->isError() && path == requestPath_)
                    handOver();
            });
}

void PortalHotKeyService::onResponse(uint response, const QVariantMap& results) {
    const Step step = std::exchange(step_, Step::none);
    if (handedOver_) {
        // A session the portal opened after its reply timed out would stay open until we quit.
        if (step == Step::createSession && response == 0) {
            session_ = sessionHandleIn(results);
            closeSession();
        }
        return;
    }
    if (step == Step::none)
        return;
    // 0 is success; 1 the user refused; 2 anything else.
    if (response != 0) {
        handOver();
        return;
    }
    if (step == Step::createSession) {
        session_ = sessionHandleIn(results);
        if (session_.isEmpty())
            handOver();
        else
            bindIfWanted();
        return;
    }
    // Bound is only what the answer lists: Plasma 5.27 answers with none until the user
    // assigns a key in System Settings, which nobody would know to do.
    const auto trigger = triggerIn(results.value(QStringLiteral("shortcuts")));
    if (!trigger) {
        handOver();
        return;
    }
    bound_ = sent_;
    if (trigger_ != *trigger) {
        trigger_ = *trigger;
        notifyChanged();
    }
    // Asked for another combination meanwhile.
    bindIfWanted();
}

void PortalHotKeyService::bindIfWanted() {
    // The same trigger bound again would only show the desktop's dialog again.
    if (handedOver_ || session_.isEmpty() || step_ != Step::none || wanted_.isEmpty() ||
        wanted_ == bound_)
        return;
    sent_ = wanted_;
    // TRANSLATORS: What Quillo's shortcut does, as the desktop's shortcut dialog and settings
    // list it. The picker is Quillo's small window for choosing a snippet to paste.
    const QString description = qi18n("Show the picker");
    const Shortcuts shortcuts{{shortcutId,
                               {{QStringLiteral("description"), description},
                                {QStringLiteral("preferred_trigger"), sent_}}}};
    request(
        Step::bind, QStringLiteral("BindShortcuts"),
        {QVariant::fromValue(QDBusObjectPath(session_)), QVariant::fromValue(shortcuts), QString()},
        {});
}

void PortalHotKeyService::onActivated(const QDBusObjectPath& session, const QString& id) {
    if (handedOver_ || !registered_ || session.path() != session_ || id != shortcutId)
        return;
    if (hold_.press() && pressedHandler_)
        pressedHandler_();
}

void PortalHotKeyService::onDeactivated(const QDBusObjectPath& session, const QString& id) {
    if (session.path() == session_ && id == shortcutId)
        hold_.release();
}

void PortalHotKeyService::onShortcutsChanged(const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    if (handedOver_ || arguments.size() < 2 ||
        qdbus_cast<QDBusObjectPath>(arguments.at(0)).path() != session_)
        return;
    // The list may name only the shortcuts that changed.
    const auto trigger = triggerIn(arguments.at(1));
    if (!trigger || *trigger == trigger_)
        return;
    trigger_ = *trigger;
    notifyChanged();
}

void PortalHotKeyService::handOver() {
    if (handedOver_)
        return;
    handedOver_ = true;
    closeSession();
    trigger_.clear();
    if (fallback_) {
        fallback_->setPressedHandler(pressedHandler_);
        fallback_->setChangedHandler(changedHandler_);
        if (registered_)
            fallback_->registerHotKey(keyCode_, modifiers_);
    }
    // The trigger shown is now the fallback's; registering again tells whether it holds it.
    notifyChanged();
}

void PortalHotKeyService::closeSession() {
    if (session_.isEmpty())
        return;
    bus_.asyncCall(QDBusMessage::createMethodCall(portalService, session_,
                                                  QStringLiteral("org.freedesktop.portal.Session"),
                                                  QStringLiteral("Close")));
    session_.clear();
}

void PortalHotKeyService::notifyChanged() const {
    if (changedHandler_)
        changedHandler_();
}

} // namespace quillo
