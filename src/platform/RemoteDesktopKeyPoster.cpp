#include "RemoteDesktopKeyPoster.h"

#include "KeyTranslation.h"
#include "TerminalApps.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <vector>
#include <xkbcommon/xkbcommon-keysyms.h>

namespace quillo {

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString remoteDesktop = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
constexpr std::uint32_t keyboardDevice = 1;

QDBusMessage portalCall(const QString& method) {
    return QDBusMessage::createMethodCall(portalService, portalPath, remoteDesktop, method);
}

} // namespace

bool RemoteDesktopKeyPoster::isOffered(const QDBusConnection& bus) {
    QDBusMessage get = QDBusMessage::createMethodCall(
        portalService, portalPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << remoteDesktop << QStringLiteral("version");
    const QDBusMessage reply = bus.call(get, QDBus::Block, 2000);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().constFirst().value<QDBusVariant>().variant().toUInt() > 0;
}

RemoteDesktopKeyPoster::RemoteDesktopKeyPoster(QDBusConnection bus, FrontAppId frontAppId)
    : bus_(std::move(bus)), frontAppId_(std::move(frontAppId)) {
    request(Step::createSession, QStringLiteral("CreateSession"), {},
            {{QStringLiteral("session_handle_token"), QStringLiteral("quillo")}});
}

RemoteDesktopKeyPoster::~RemoteDesktopKeyPoster() {
    if (!session_.isEmpty())
        bus_.asyncCall(QDBusMessage::createMethodCall(
            portalService, session_, QStringLiteral("org.freedesktop.portal.Session"),
            QStringLiteral("Close")));
}

void RemoteDesktopKeyPoster::request(Step step, const QString& method, QList<QVariant> arguments,
                                     QVariantMap options) {
    // The portal answers on a path made of our bus name and a token of ours.
    const QString token = QStringLiteral("quillo%1").arg(++tokens_);
    QString sender = bus_.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    if (!requestPath_.isEmpty())
        bus_.disconnect(portalService, requestPath_, requestInterface, QStringLiteral("Response"),
                        this, SLOT(onResponse(uint, QVariantMap)));
    requestPath_ = portalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
    bus_.connect(portalService, requestPath_, requestInterface, QStringLiteral("Response"), this,
                 SLOT(onResponse(uint, QVariantMap)));
    step_ = step;
    options.insert(QStringLiteral("handle_token"), token);
    QDBusMessage call = portalCall(method);
    arguments.append(options);
    call.setArguments(arguments);
    // Asynchronous: the desktop may show a dialog and take its time.
    bus_.asyncCall(call);
}

void RemoteDesktopKeyPoster::onResponse(uint response, const QVariantMap& results) {
    // 0 is success; 1 the user refused; 2 anything else.
    if (response != 0) {
        step_ = Step::none;
        return;
    }
    switch (step_) {
    case Step::createSession:
        session_ = results.value(QStringLiteral("session_handle")).toString();
        request(Step::selectDevices, QStringLiteral("SelectDevices"),
                {QVariant::fromValue(QDBusObjectPath(session_))},
                {{QStringLiteral("types"), QVariant::fromValue(keyboardDevice)}});
        break;
    case Step::selectDevices:
        request(Step::start, QStringLiteral("Start"),
                {QVariant::fromValue(QDBusObjectPath(session_)), QString()}, {});
        break;
    case Step::start:
        step_ = Step::done;
        ready_ = results.value(QStringLiteral("devices")).toUInt() & keyboardDevice;
        break;
    case Step::none:
    case Step::done:
        break;
    }
}

void RemoteDesktopKeyPoster::pressKeysym(std::uint32_t keysym, bool pressed) const {
    QDBusMessage call = portalCall(QStringLiteral("NotifyKeyboardKeysym"));
    call << QVariant::fromValue(QDBusObjectPath(session_)) << QVariantMap()
         << static_cast<int>(keysym) << static_cast<uint>(pressed ? 1 : 0);
    // In order on the one connection: the portal gets them as sent.
    bus_.asyncCall(call);
}

void RemoteDesktopKeyPoster::tapKey(std::uint16_t keyCode, std::uint64_t modifierFlags) {
    if (!ready_)
        return;
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
        return;
    for (const std::uint32_t modifier : held)
        pressKeysym(modifier, true);
    pressKeysym(*key, true);
    pressKeysym(*key, false);
    for (auto modifier = held.rbegin(); modifier != held.rend(); ++modifier)
        pressKeysym(*modifier, false);
}

} // namespace quillo
