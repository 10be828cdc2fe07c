// Keys through the portal's remote desktop session, against a portal of the test's own.
#include "core/platform/KeyEvent.h"
#include "fakes/FakeSettingsStore.h"
#include "platform/PrivatePortalBus.h"
#include "platform/RemoteDesktopKeyPoster.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QTest>
#include <gtest/gtest.h>
#include <utility>
#include <vector>
#include <xkbcommon/xkbcommon-keysyms.h>

namespace quillo {
namespace {

/// The portal's remote desktop: grants (or, with `refuse`, refuses) each dialog and keeps the
/// keys; from version 2 a session started with its last token is granted without a dialog.
class FakeRemoteDesktop : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.RemoteDesktop")
    Q_PROPERTY(uint version READ version)

public:
    explicit FakeRemoteDesktop(QDBusConnection bus) : bus_(std::move(bus)) {}
    uint version() const { return portalVersion; }

    uint portalVersion = 2;
    bool refuse = false;
    QString issuedToken;
    int dialogs = 0;
    std::vector<std::string> calls;
    std::vector<std::pair<int, uint>> keysyms;

public slots:
    QDBusObjectPath CreateSession(const QVariantMap& options, const QDBusMessage& message) {
        calls.emplace_back("CreateSession");
        return answer(message, options,
                      {{"session_handle", "/org/freedesktop/portal/desktop/session/1/" +
                                              options.value("session_handle_token").toString()}});
    }
    QDBusObjectPath SelectDevices(const QDBusObjectPath&, const QVariantMap& options,
                                  const QDBusMessage& message) {
        std::string call = "SelectDevices types=" + std::to_string(options.value("types").toUInt());
        if (options.contains("persist_mode"))
            call += " persist=" + std::to_string(options.value("persist_mode").toUInt());
        calls.push_back(call);
        const QString token = options.value("restore_token").toString();
        remembered_ = !token.isEmpty() && token == issuedToken;
        // An old portal knows no persistence and refuses what it doesn't know.
        if (portalVersion < 2 && options.contains("persist_mode"))
            return answer(message, options, {}, 2);
        return answer(message, options, {});
    }
    QDBusObjectPath Start(const QDBusObjectPath&, const QString&, const QVariantMap& options,
                          const QDBusMessage& message) {
        calls.emplace_back("Start");
        if (!remembered_)
            ++dialogs;
        if (!remembered_ && refuse)
            return answer(message, options, {}, 1);
        QVariantMap results{{"devices", 1U}};
        if (portalVersion >= 2) {
            issuedToken = QString("token%1").arg(dialogs + int(calls.size()));
            results.insert("restore_token", issuedToken);
        }
        return answer(message, options, results);
    }
    void NotifyKeyboardKeysym(const QDBusObjectPath&, const QVariantMap&, int keysym, uint state) {
        keysyms.emplace_back(keysym, state);
    }

private:
    /// The request's path, and its Response a moment later, as a portal sends them.
    QDBusObjectPath answer(const QDBusMessage& message, const QVariantMap& options,
                           const QVariantMap& results, uint response = 0) {
        const QString path = testing::PrivatePortalBus::requestPath(message, options);
        QMetaObject::invokeMethod(
            this,
            [this, path, results, response] {
                testing::PrivatePortalBus::respond(bus_, path, response, results);
            },
            Qt::QueuedConnection);
        return QDBusObjectPath(path);
    }

    QDBusConnection bus_;
    bool remembered_ = false;
};

class RemoteDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(bus_.start());
        remoteDesktop_ = std::make_unique<FakeRemoteDesktop>(bus_.portal());
        ASSERT_TRUE(bus_.portal().registerObject(
            "/org/freedesktop/portal/desktop", remoteDesktop_.get(),
            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties));
        ASSERT_TRUE(bus_.claimPortalName());
    }

    testing::PrivatePortalBus bus_;
    std::unique_ptr<FakeRemoteDesktop> remoteDesktop_;
};

TEST_F(RemoteDesktopTest, AsksForAKeyboardSessionThenPastesWithKeysyms) {
    std::string front = "kate";
    RemoteDesktopKeyPoster poster(bus_.client(), [&front] { return front; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return poster.isReady(); }, 10000));
    EXPECT_EQ(remoteDesktop_->calls,
              (std::vector<std::string>{"CreateSession", "SelectDevices types=1", "Start"}));

    poster.tapKey(KeyCode::v, ModifierFlag::command);
    front = "org.kde.konsole";
    poster.tapKey(KeyCode::v, ModifierFlag::command);
    using Keys = std::vector<std::pair<int, uint>>;
    const Keys expected{{XKB_KEY_Control_L, 1}, {XKB_KEY_v, 1},         {XKB_KEY_v, 0},
                        {XKB_KEY_Control_L, 0}, {XKB_KEY_Control_L, 1}, {XKB_KEY_Shift_L, 1},
                        {XKB_KEY_v, 1},         {XKB_KEY_v, 0},         {XKB_KEY_Shift_L, 0},
                        {XKB_KEY_Control_L, 0}};
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return remoteDesktop_->keysyms.size() >= expected.size(); }, 10000));
    EXPECT_EQ(remoteDesktop_->keysyms, expected);
}

TEST_F(RemoteDesktopTest, AsksOnlyWhenToldThenRemembersTheConsentWithTheDesktopsToken) {
    testing::FakeSettingsStore settings;
    {
        RemoteDesktopKeyPoster poster(bus_.client(), {}, true, &settings);
        QTest::qWait(100);
        EXPECT_TRUE(remoteDesktop_->calls.empty()) << "asked before the user knew why";
        poster.start();
        ASSERT_TRUE(QTest::qWaitFor([&] { return poster.isReady(); }, 10000));
        EXPECT_TRUE(poster.remembersConsent());
    }
    EXPECT_EQ(remoteDesktop_->calls[1], "SelectDevices types=1 persist=2");
    EXPECT_EQ(settings.values.at(RemoteDesktopKeyPoster::restoreTokenKey).c_str(),
              remoteDesktop_->issuedToken);

    // The next start asks at once with the token, and the desktop shows no dialog.
    RemoteDesktopKeyPoster again(bus_.client(), {}, true, &settings);
    ASSERT_TRUE(QTest::qWaitFor([&] { return again.isReady(); }, 10000));
    EXPECT_EQ(remoteDesktop_->dialogs, 1);
    EXPECT_EQ(settings.values.at(RemoteDesktopKeyPoster::restoreTokenKey).c_str(),
              remoteDesktop_->issuedToken)
        << "each token serves once: the new one must be kept";
}

TEST_F(RemoteDesktopTest, ATokenTheDesktopRejectsAsksAgainAndARefusalForgetsTheConsent) {
    testing::FakeSettingsStore settings;
    settings.values = {{RemoteDesktopKeyPoster::allowedKey, "true"},
                       {RemoteDesktopKeyPoster::restoreTokenKey, "revoked"}};
    remoteDesktop_->refuse = true;
    RemoteDesktopKeyPoster poster(bus_.client(), {}, true, &settings);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return poster.state() == RemoteDesktopKeyPoster::State::refused; }, 10000));
    EXPECT_EQ(remoteDesktop_->dialogs, 1);
    EXPECT_TRUE(settings.values.empty());
    poster.tapKey(KeyCode::v, ModifierFlag::command);
    QTest::qWait(100);
    EXPECT_TRUE(remoteDesktop_->keysyms.empty());
}

TEST_F(RemoteDesktopTest, AnOldPortalIsNotAskedToRememberAndAMissingOneIsUnavailable) {
    remoteDesktop_->portalVersion = 1;
    testing::FakeSettingsStore settings;
    RemoteDesktopKeyPoster poster(bus_.client(), {}, true, &settings);
    poster.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return poster.isReady(); }, 10000));
    EXPECT_FALSE(poster.remembersConsent());
    EXPECT_EQ(remoteDesktop_->calls[1], "SelectDevices types=1");

    bus_.portal().unregisterService("org.freedesktop.portal.Desktop");
    RemoteDesktopKeyPoster missing(bus_.client(), {}, true, &settings);
    missing.start();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return missing.state() == RemoteDesktopKeyPoster::State::unavailable; }, 10000));
}

} // namespace
} // namespace quillo

#include "RemoteDesktopTest.moc"
