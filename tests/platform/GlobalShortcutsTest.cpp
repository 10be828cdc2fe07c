// The shortcut through the desktop portal, against a portal of the test's own on a private bus.
#include "core/hotkey/Shortcut.h"
#include "fakes/FakeHotKeyService.h"
#include "platform/GlobalShortcutsPortal.h"
#include "platform/PrivatePortalBus.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace quillo {
namespace {

using testing::FakeHotKeyService;
using Shortcuts = QList<std::pair<QString, QVariantMap>>;

const QString portalPath = "/org/freedesktop/portal/desktop";
const QString id = "show-picker";
constexpr std::uint32_t ctrlAlt = ShortcutModifier::control | ShortcutModifier::option;

/// The portal's global shortcuts and its sessions as the test plays them: the user binds
/// Ctrl+Shift+K in the desktop's dialog, or refuses, or (as Plasma 5.27) nothing is bound.
class FakePortal : public QDBusVirtualObject {
public:
    enum class Answer { bind, refuse, bindNothing };
    Answer answer = Answer::bind;
    QString session;
    std::vector<std::string> calls;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& bus) override {
        calls.push_back(message.member().toStdString());
        if (message.member() == "Close")
            return bus.send(message.createReply());
        const auto options = qdbus_cast<QVariantMap>(message.arguments().constLast());
        QVariantMap results;
        if (message.member() == "CreateSession") {
            session = portalPath + "/session/1/" + options["session_handle_token"].toString();
            results["session_handle"] = session;
        } else {
            const auto [shortcut, properties] = qdbus_cast<Shortcuts>(message.arguments()[1])[0];
            calls.back() +=
                " " + (shortcut + " " + properties["preferred_trigger"].toString()).toStdString();
            Shortcuts bound{{shortcut, {{"trigger_description", "Ctrl+Shift+K"}}}};
            if (answer != Answer::bind)
                bound.clear();
            results["shortcuts"] = QVariant::fromValue(bound);
        }
        // The request's path, then its Response, as a portal sends them.
        const QString path = testing::PrivatePortalBus::requestPath(message, options);
        bus.send(message.createReply(QVariant::fromValue(QDBusObjectPath(path))));
        return testing::PrivatePortalBus::respond(
            bus, path, answer == Answer::refuse && message.member() == "BindShortcuts", results);
    }
};

class GlobalShortcutsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(bus_.start());
        ASSERT_TRUE(
            bus_.portal().registerVirtualObject(portalPath, &portal_, QDBusConnection::SubPath));
        ASSERT_TRUE(bus_.claimPortalName());
    }

    void emitSignal(const QString& name, const QString& session, const QVariant& shortcut) {
        QDBusMessage signal =
            QDBusMessage::createSignal(portalPath, "org.freedesktop.portal.GlobalShortcuts", name);
        signal << QVariant::fromValue(QDBusObjectPath(session)) << shortcut;
        if (name != "ShortcutsChanged")
            signal << 0ULL << QVariantMap();
        bus_.portal().send(signal);
    }
    bool portalWasTold(const std::string& call) const {
        return QTest::qWaitFor([&] { return std::ranges::count(portal_.calls, call) > 0; });
    }

    testing::PrivatePortalBus bus_;
    FakePortal portal_;
};

TEST_F(GlobalShortcutsTest, ReportsTheTriggerTheDesktopBoundAndPressesOnItsActivation) {
    auto service =
        std::make_unique<PortalHotKeyService>(bus_.client(), std::make_unique<FakeHotKeyService>());
    int presses = 0, changes = 0;
    service->setPressedHandler([&] { ++presses; });
    service->setChangedHandler([&] { ++changes; });
    EXPECT_EQ(service->registerHotKey(KeyCode::space, ctrlAlt | ShortcutModifier::shift |
                                                          ShortcutModifier::command),
              0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return service->desktopTrigger() == "Ctrl+Shift+K"; }));
    EXPECT_EQ(portal_.calls,
              (std::vector<std::string>{"CreateSession",
                                        "BindShortcuts show-picker CTRL+ALT+SHIFT+LOGO+space"}));

    // A held shortcut counts once until let go; other sessions' and shortcuts' aren't ours.
    emitSignal("Activated", portal_.session, id);
    emitSignal("Activated", portal_.session, id);
    emitSignal("Deactivated", portal_.session, id);
    emitSignal("Activated", portal_.session, id);
    emitSignal("Deactivated", portal_.session, id);
    emitSignal("Activated", portal_.session + "x", id);
    emitSignal("Activated", portal_.session, "other");
    // Sent last on the same connection: once it is seen, so are the activations.
    emitSignal("ShortcutsChanged", portal_.session,
               QVariant::fromValue(Shortcuts{{id, {{"trigger_description", "Meta+K"}}}}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return service->desktopTrigger() == "Meta+K"; }));
    EXPECT_EQ(presses, 2);
    EXPECT_EQ(changes, 2);
    service.reset(); // closes the session
    EXPECT_TRUE(portalWasTold("Close"));
}

TEST_F(GlobalShortcutsTest, ARefusalNothingBoundOrNoPortalHandsOverToTheFallback) {
    for (const auto answer : {FakePortal::Answer::refuse, FakePortal::Answer::bindNothing}) {
        portal_.answer = answer;
        portal_.calls.clear();
        auto& held = *new FakeHotKeyService;
        PortalHotKeyService service(bus_.client(), std::unique_ptr<HotKeyService>(&held));
        service.setPressedHandler([] {});
        service.registerHotKey(KeyCode::space, ctrlAlt);
        ASSERT_TRUE(QTest::qWaitFor([&] { return held.held.has_value(); }));
        EXPECT_EQ(*held.held, FakeHotKeyService::Combination(KeyCode::space, ctrlAlt));
        EXPECT_TRUE(held.press()); // with the service's handler
        EXPECT_TRUE(portalWasTold("Close"));
    }

    bus_.portal().unregisterService("org.freedesktop.portal.Desktop");
    EXPECT_FALSE(PortalHotKeyService::isOffered(bus_.client()));
    auto& held = *new FakeHotKeyService;
    PortalHotKeyService service(bus_.client(), std::unique_ptr<HotKeyService>(&held));
    service.registerHotKey(KeyCode::space, ctrlAlt);
    EXPECT_TRUE(QTest::qWaitFor([&] { return held.held.has_value(); }));
    PortalHotKeyService alone(bus_.client(), nullptr); // then nothing holds it
    ASSERT_TRUE(QTest::qWaitFor([&] { return !alone.usesPortal(); }));
    EXPECT_EQ(alone.registerHotKey(KeyCode::space, ctrlAlt), PortalHotKeyService::noPortal);
}

} // namespace
} // namespace quillo
