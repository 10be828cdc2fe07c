// Keys through the desktop portal's remote desktop session, against a portal of the test's
// own on a private bus: the session is asked for as the portal's flow wants it, and the paste
// arrives as keysyms, whatever the layout.
#include "core/platform/KeyEvent.h"
#include "platform/RemoteDesktopKeyPoster.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>
#include <utility>
#include <vector>
#include <xkbcommon/xkbcommon-keysyms.h>

namespace quillo {
namespace {

const QString portalBus = QStringLiteral("quillo-fake-portal");
const QString clientBus = QStringLiteral("quillo-portal-client");

/// The portal's remote desktop interface as the test plays it: every request granted (or,
/// with `refuse`, refused), and the keys it is told kept in order.
class FakeRemoteDesktop : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.RemoteDesktop")
    Q_PROPERTY(uint version READ version)

public:
    explicit FakeRemoteDesktop(QDBusConnection bus) : bus_(std::move(bus)) {}
    uint version() const { return 1; }

    bool refuse = false;
    std::vector<std::string> calls;
    std::vector<std::pair<int, uint>> keysyms;

public slots:
    QDBusObjectPath CreateSession(const QVariantMap& options, const QDBusMessage& message) {
        calls.emplace_back("CreateSession");
        return answer(message, options,
                      {{QStringLiteral("session_handle"),
                        QStringLiteral("/org/freedesktop/portal/desktop/session/1/") +
                            options.value(QStringLiteral("session_handle_token")).toString()}});
    }
    QDBusObjectPath SelectDevices(const QDBusObjectPath&, const QVariantMap& options,
                                  const QDBusMessage& message) {
        calls.emplace_back("SelectDevices types=" +
                           std::to_string(options.value(QStringLiteral("types")).toUInt()));
        return answer(message, options, {});
    }
    QDBusObjectPath Start(const QDBusObjectPath&, const QString&, const QVariantMap& options,
                          const QDBusMessage& message) {
        calls.emplace_back("Start");
        return answer(message, options, {{QStringLiteral("devices"), 1U}});
    }
    void NotifyKeyboardKeysym(const QDBusObjectPath&, const QVariantMap&, int keysym, uint state) {
        keysyms.emplace_back(keysym, state);
    }

private:
    /// The request's path, and its Response a moment later, as a portal sends them.
    QDBusObjectPath answer(const QDBusMessage& message, const QVariantMap& options,
                           const QVariantMap& results) {
        QString sender = message.service().mid(1);
        sender.replace(QLatin1Char('.'), QLatin1Char('_'));
        const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/") + sender +
                             QLatin1Char('/') +
                             options.value(QStringLiteral("handle_token")).toString();
        QMetaObject::invokeMethod(
            this,
            [this, path, results] {
                QDBusMessage response = QDBusMessage::createSignal(
                    path, QStringLiteral("org.freedesktop.portal.Request"),
                    QStringLiteral("Response"));
                response << static_cast<uint>(refuse ? 1 : 0) << results;
                bus_.send(response);
            },
            Qt::QueuedConnection);
        return QDBusObjectPath(path);
    }

    QDBusConnection bus_;
};

class RemoteDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            GTEST_SKIP() << "no dbus-daemon";
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"),
                       QStringLiteral("--print-address")});
        ASSERT_TRUE(daemon_.waitForReadyRead(10000));
        const QString address = QString::fromUtf8(daemon_.readLine().trimmed());
        QDBusConnection portal = QDBusConnection::connectToBus(address, portalBus);
        ASSERT_TRUE(portal.isConnected());
        remoteDesktop_ = std::make_unique<FakeRemoteDesktop>(portal);
        ASSERT_TRUE(portal.registerObject(
            QStringLiteral("/org/freedesktop/portal/desktop"), remoteDesktop_.get(),
            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties));
        ASSERT_TRUE(portal.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
        ASSERT_TRUE(QDBusConnection::connectToBus(address, clientBus).isConnected());
    }
    void TearDown() override {
        QDBusConnection::disconnectFromBus(clientBus);
        QDBusConnection::disconnectFromBus(portalBus);
        daemon_.terminate();
        daemon_.waitForFinished();
    }

    QDBusConnection client() const { return QDBusConnection(clientBus); }

    QProcess daemon_;
    std::unique_ptr<FakeRemoteDesktop> remoteDesktop_;
};

TEST_F(RemoteDesktopTest, AsksForAKeyboardSessionThenPastesWithKeysyms) {
    std::string front = "kate";
    RemoteDesktopKeyPoster poster(client(), [&front] { return front; });
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

TEST_F(RemoteDesktopTest, ARefusedSessionPostsNothing) {
    remoteDesktop_->refuse = true;
    RemoteDesktopKeyPoster poster(client(), {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !remoteDesktop_->calls.empty(); }, 10000));
    QTest::qWait(200);
    EXPECT_FALSE(poster.isReady());
    EXPECT_EQ(remoteDesktop_->calls, std::vector<std::string>{"CreateSession"});
    poster.tapKey(KeyCode::v, ModifierFlag::command);
    QTest::qWait(200);
    EXPECT_TRUE(remoteDesktop_->keysyms.empty());
}

} // namespace
} // namespace quillo

#include "RemoteDesktopTest.moc"
