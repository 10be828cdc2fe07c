// KDE Plasma's seams against a headless KWin on a bus and in folders of its own.
#include "core/hotkey/Shortcut.h"
#include "core/platform/KeyEvent.h"
#include "fakes/ScopedEnvironment.h"
#include "fakes/TempFolder.h"
#include "platform/KGlobalAccelHotKeyService.h"
#include "platform/KeyboardLayout.h"
#include "platform/wayland/KWinFakeInputKeyPoster.h"
#include "platform/wayland/WaylandConnection.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <linux/input-event-codes.h>
#include <memory>
#include <string>
#include <wayland/fake-input-client-protocol.h>
#include <xkbcommon/xkbcommon-keysyms.h>

namespace quillo {
namespace {

using testing::readFile;
using testing::TempFolder;
using testing::writeFile;

constexpr int deadlineMs = 20000;
constexpr std::uint32_t controlOption = ShortcutModifier::control | ShortcutModifier::option;
constexpr std::uint16_t keyOne = 0x12;
const QString busName = "quillo-kwin-test";

// KWin with its own session bus, configuration and runtime folders.
class HeadlessKWin {
public:
    // Null when this machine has no KWin or it does not come up.
    static std::unique_ptr<HeadlessKWin> start() {
        const QString kwin = QStandardPaths::findExecutable("kwin_wayland");
        const QString dbusDaemon = QStandardPaths::findExecutable("dbus-daemon");
        if (kwin.isEmpty() || dbusDaemon.isEmpty())
            return nullptr;
        std::unique_ptr<HeadlessKWin> session(new HeadlessKWin);
        return session->launch(kwin, dbusDaemon) ? std::move(session) : nullptr;
    }

    ~HeadlessKWin() {
        QDBusConnection::disconnectFromBus(busName);
        for (QProcess* process : {&kwin_, &bus_}) {
            process->terminate();
            if (!process->waitForFinished(5000))
                process->kill();
            process->waitForFinished();
        }
    }

    QDBusConnection bus() const { return QDBusConnection(busName); }
    QString socket() const { return path("run/wayland-quillo-test"); }
    std::string log() const { return readFile(folder_ / "kwin.log"); }

    // A connection of this program's own to KWin, as the program makes it.
    std::shared_ptr<WaylandConnection> connect() const {
        testing::ScopedEnvironment environment;
        environment.set("WAYLAND_DISPLAY", socket().toUtf8().constData());
        return WaylandConnection::open();
    }

    // Environment for a Qt program shown on this KWin.
    QProcessEnvironment clientEnvironment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.insert("QT_QPA_PLATFORM", "wayland");
        environment.insert("WAYLAND_DISPLAY", socket());
        environment.insert("XDG_RUNTIME_DIR", path("run"));
        return environment;
    }

private:
    HeadlessKWin() = default;

    QString path(const char* child) const { return QString::fromStdString(folder_ / child); }

    bool launch(const QString& kwin, const QString& dbusDaemon) {
        for (const char* folder : {"home", "config", "cache", "run", "data/applications", "bin"})
            std::filesystem::create_directories(folder_ / folder);
        std::filesystem::permissions(folder_ / "run", std::filesystem::perms::owner_all);
        // KWin offers fake input to the program whose desktop entry's Exec asks for it.
        writeFile(folder_ / "data/applications/quillo-platform-tests.desktop",
                  "[Desktop Entry]\nType=Application\nName=Quillo platform tests\nExec=" +
                      std::filesystem::canonical("/proc/self/exe").string() +
                      "\nX-KDE-Wayland-Interfaces=org_kde_kwin_fake_input\n");
        // A copy drops the file capability some containers refuse to run, and keeps the name.
        std::filesystem::copy_file(kwin.toStdString(), folder_ / "bin/kwin_wayland");

        const QString address = "unix:path=" + path("bus");
        bus_.setProgram(dbusDaemon);
        bus_.setArguments({"--session", "--nofork", "--address=" + address});
        bus_.setStandardOutputFile(QProcess::nullDevice());
        bus_.setStandardErrorFile(QProcess::nullDevice());
        bus_.start();
        if (!QTest::qWaitFor([&] { return std::filesystem::exists(folder_ / "bus"); }, deadlineMs))
            return false;

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(name);
        environment.insert("DBUS_SESSION_BUS_ADDRESS", address);
        environment.insert("HOME", path("home"));
        environment.insert("XDG_CONFIG_HOME", path("config"));
        environment.insert("XDG_CACHE_HOME", path("cache"));
        environment.insert("XDG_RUNTIME_DIR", path("run"));
        environment.insert("XDG_DATA_DIRS", path("data") + ":/usr/local/share:/usr/share");
        kwin_.setProcessEnvironment(environment);
        kwin_.setProgram(path("bin/kwin_wayland"));
        kwin_.setArguments({"--virtual", "--no-lockscreen", "--socket", "wayland-quillo-test"});
        kwin_.setProcessChannelMode(QProcess::MergedChannels);
        kwin_.setStandardOutputFile(path("kwin.log"));
        kwin_.start();

        QDBusConnection::connectToBus(address, busName);
        return QTest::qWaitFor(
            [&] {
                return kwin_.state() == QProcess::Running &&
                       std::filesystem::exists(folder_ / "run/wayland-quillo-test") &&
                       bus().interface()->isServiceRegistered("org.kde.kglobalaccel");
            },
            deadlineMs);
    }

    TempFolder folder_;
    QProcess bus_;
    QProcess kwin_;
};

// Another program's action holding a key combination.
QList<int> holdAsOtherProgram(const QDBusConnection& bus, int qtKey) {
    const QStringList actionId{"quillo-test-other", "act", "Other", "Other action"};
    auto call = [&](const char* method, const QList<QVariant>& arguments) {
        QDBusMessage message = QDBusMessage::createMethodCall(
            "org.kde.kglobalaccel", "/kglobalaccel", "org.kde.KGlobalAccel", method);
        message.setArguments(arguments);
        return bus.call(message);
    };
    call("doRegister", {actionId});
    const QDBusMessage reply =
        call("setShortcut", {actionId, QVariant::fromValue(QList<int>{qtKey}), 0x6U});
    return reply.arguments().isEmpty() ? QList<int>{}
                                       : qdbus_cast<QList<int>>(reply.arguments().constFirst());
}

// KWin reads keys as positions and names combinations by what they type: the user's layout.
TEST(KdeKeys, CombinationsAndKeysFollowTheUsersLayout) {
    const auto dvorak = KeyboardLayout::fromNames("us", "dvorak");
    const auto german = KeyboardLayout::fromNames("de");
    ASSERT_TRUE(dvorak && german);
    EXPECT_EQ(dvorak->evdevCodeOf(XKB_KEY_v), KEY_DOT);
    EXPECT_EQ(german->evdevCodeOf(XKB_KEY_z), KEY_Y);

    const KGlobalAccelHotKeyService service(QDBusConnection("no bus"), [&](std::uint32_t keysym) {
        return german->shiftedKeysymOf(keysym);
    });
    const std::uint32_t controlShift = ShortcutModifier::control | ShortcutModifier::shift;
    const std::uint16_t keyThree = 0x14;
    EXPECT_EQ(service.qtKeyOf(keyThree, controlShift), Qt::ControlModifier | Qt::Key_section);
    EXPECT_EQ(service.qtKeyOf(KeyCode::e, controlShift),
              Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_E);
    EXPECT_EQ(service.qtKeyOf(KeyCode::space, ShortcutModifier::command | ShortcutModifier::shift),
              Qt::MetaModifier | Qt::ShiftModifier | Qt::Key_Space);
}

class KdePlatform : public ::testing::Test {
protected:
    static void SetUpTestSuite() { kwin_ = HeadlessKWin::start().release(); }
    static void TearDownTestSuite() {
        delete kwin_;
        kwin_ = nullptr;
    }
    void SetUp() override {
        if (!kwin_)
            GTEST_SKIP() << "no kwin_wayland and dbus-daemon to run";
        connection_ = kwin_->connect();
        ASSERT_NE(connection_, nullptr) << kwin_->log();
        poster_ =
            std::make_unique<KWinFakeInputKeyPoster>(connection_, [this] { return frontApp_; });
        ASSERT_TRUE(poster_->granted()) << kwin_->log();
    }

    static HeadlessKWin* kwin_;
    std::shared_ptr<WaylandConnection> connection_;
    std::string frontApp_;
    std::unique_ptr<KWinFakeInputKeyPoster> poster_;
};

HeadlessKWin* KdePlatform::kwin_ = nullptr;

TEST_F(KdePlatform, ShortcutFiresOnEachPressIncludingShiftedSymbols) {
    KGlobalAccelHotKeyService service(kwin_->bus());
    int presses = 0;
    service.setPressedHandler([&] { ++presses; });

    ASSERT_EQ(service.registerHotKey(KeyCode::space, controlOption), 0);
    poster_->tapKey(KeyCode::space, ModifierFlag::control | ModifierFlag::option);
    ASSERT_TRUE(QTest::qWaitFor([&] { return presses == 1; }, deadlineMs));
    poster_->tapKey(KeyCode::space, ModifierFlag::control | ModifierFlag::option);
    ASSERT_TRUE(QTest::qWaitFor([&] { return presses == 2; }, deadlineMs));

    // KWin matches Ctrl+Shift+1 as the "!" the keys type, without Shift.
    ASSERT_EQ(service.registerHotKey(keyOne, ShortcutModifier::control | ShortcutModifier::shift),
              0);
    poster_->tapKey(keyOne, ModifierFlag::control | ModifierFlag::shift);
    ASSERT_TRUE(QTest::qWaitFor([&] { return presses == 3; }, deadlineMs));
}

TEST_F(KdePlatform, CombinationOfAnotherProgramIsRefusedAndOursIsGivenBack) {
    KGlobalAccelHotKeyService service(kwin_->bus());
    const int controlAltE = *service.qtKeyOf(KeyCode::e, controlOption);
    ASSERT_EQ(holdAsOtherProgram(kwin_->bus(), controlAltE), QList<int>{controlAltE});
    EXPECT_EQ(service.registerHotKey(KeyCode::e, controlOption),
              KGlobalAccelHotKeyService::heldByOther);
    EXPECT_EQ(service.holderOf(KeyCode::e, controlOption), "Other action (Other)");

    // Ours while we hold it; free for others once we take another.
    const std::uint16_t keyW = 0x0D;
    const int controlAltW = *service.qtKeyOf(keyW, controlOption);
    ASSERT_EQ(service.registerHotKey(keyW, controlOption), 0);
    EXPECT_EQ(service.holderOf(keyW, controlOption), std::nullopt);
    EXPECT_NE(holdAsOtherProgram(kwin_->bus(), controlAltW), QList<int>{controlAltW});
    ASSERT_EQ(service.registerHotKey(KeyCode::space, controlOption), 0);
    EXPECT_EQ(holdAsOtherProgram(kwin_->bus(), controlAltW), QList<int>{controlAltW});
}

TEST_F(KdePlatform, PasteChordReachesTheWindowInFrontThoughTheUserHoldsAlt) {
    TempFolder files;
    writeFile(files / "clipboard.txt", "pasted");
    QProcess target;
    target.setProcessEnvironment(kwin_->clientEnvironment());
    target.setProgram(QStringLiteral(QUILLO_E2E_TARGET));
    target.setArguments({"--key-log", QString::fromStdString(files / "keys.txt"), "--text-file",
                         QString::fromStdString(files / "text.txt"), "--clipboard",
                         "text/plain=" + QString::fromStdString(files / "clipboard.txt"),
                         "--ready-file", QString::fromStdString(files / "ready")});
    target.start();
    // Ready once it has the keyboard and owns the clipboard.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return std::filesystem::exists(files / "ready"); }, deadlineMs))
        << kwin_->log();

    poster_->tapKey(KeyCode::v, ModifierFlag::command);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return readFile(files / "text.txt") == "pasted"; }, deadlineMs));

    // Alt of Alt+Return, still down on the user's keyboard, stays out of the chord.
    auto* userKeyboard =
        connection_->bind<org_kde_kwin_fake_input>(org_kde_kwin_fake_input_interface, 4, 4);
    org_kde_kwin_fake_input_authenticate(userKeyboard, "test", "the user's keyboard");
    org_kde_kwin_fake_input_keyboard_key(userKeyboard, KEY_LEFTALT, 1);
    frontApp_ = "org.kde.konsole";
    poster_->tapKey(KeyCode::v, ModifierFlag::command);
    org_kde_kwin_fake_input_keyboard_key(userKeyboard, KEY_LEFTALT, 0);
    org_kde_kwin_fake_input_destroy(userKeyboard);
    connection_->flush();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return readFile(files / "keys.txt") == "Ctrl+V\nCtrl+Shift+V\n"; }, deadlineMs))
        << readFile(files / "keys.txt");

    target.terminate();
    target.waitForFinished();
}

} // namespace
} // namespace quillo
