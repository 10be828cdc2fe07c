// The X11 seams against the X server the test run provides (Xvfb, no window manager).
#include "core/hotkey/Shortcut.h"
#include "core/platform/KeyEvent.h"
#include "platform/OtherXClient.h"
#include "platform/QtShortcutKeyMonitor.h"
#include "platform/X11Accessibility.h"
#include "platform/X11HotKeyService.h"
#include "platform/X11KeyPoster.h"
#include "platform/X11Workspace.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QProcess>
#include <QTest>
#include <X11/keysym.h>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <initializer_list>
#include <thread>
#include <utility>
#include <vector>

namespace quillo {
namespace {

constexpr int deadlineMs = 10000;
constexpr std::uint32_t controlOption = 0x1000 | 0x800;
constexpr std::uint16_t xControlAlt = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;
constexpr std::uint16_t capsLock = XCB_MOD_MASK_LOCK;

// Another program on the same display: it also grabs keys and owns windows.
class OtherClient : public OtherXClient {
public:
    int grab(xcb_keysym_t keysym, std::uint16_t modifiers) {
        const XReply<xcb_generic_error_t> error(
            xcb_request_check(
                connection_, xcb_grab_key_checked(connection_, 0, root_, modifiers, keycode(keysym),
                                                  XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)),
            &std::free);
        return error ? error->error_code : 0;
    }
    void ungrabAll() {
        xcb_ungrab_key(connection_, XCB_GRAB_ANY, root_, XCB_MOD_MASK_ANY);
        sync();
    }

    // The modifier state as the server keeps it, lock keys included.
    std::uint16_t modifierState() {
        const XReply<xcb_query_pointer_reply_t> reply(
            xcb_query_pointer_reply(connection_, xcb_query_pointer(connection_, root_), nullptr),
            &std::free);
        return reply ? reply->mask & 0xFF : 0;
    }

    void deleteProperty(xcb_window_t window, const char* name) {
        xcb_delete_property(connection_, window, x().atom(name));
        sync();
    }
};

class X11Session : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(app.has_value()) << "the platform tests need Qt on an X display";
    }
    void TearDown() override {
        // Leave the display as the next test expects it: no grabs, no locks on, no active window.
        other.ungrabAll();
        other.deleteProperty(other.x().root(), "_NET_ACTIVE_WINDOW");
        const auto state = other.modifierState();
        if ((state & capsLock) != 0)
            other.tap(XK_Caps_Lock);
        if ((state & other.x().modifierMaskOf(XK_Num_Lock)) != 0)
            other.tap(XK_Num_Lock);
    }

    void activate(xcb_window_t window) {
        other.setProperty(app->root(), "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW, 32, &window, 1);
    }

    std::optional<X11Connection> app = X11Connection::ofApplication();
    OtherClient other;
};

using X11HotKeys = X11Session;

TEST_F(X11HotKeys, HeldCombinationIsRefusedWithBadAccessAndNothingStaysGrabbed) {
    const std::uint16_t numLock = other.x().modifierMaskOf(XK_Num_Lock);
    ASSERT_NE(numLock, 0);
    // Whichever lock variant the other program holds, the service grabs the rest first.
    for (const std::uint16_t locks : {std::uint16_t{0}, std::uint16_t{XCB_MOD_MASK_LOCK}, numLock,
                                      static_cast<std::uint16_t>(XCB_MOD_MASK_LOCK | numLock)}) {
        SCOPED_TRACE(locks);
        ASSERT_EQ(other.grab(XK_space, xControlAlt | locks), 0);
        X11HotKeyService service(app);
        EXPECT_EQ(service.registerHotKey(KeyCode::space, controlOption), 10);
        other.ungrabAll();
        for (const std::uint16_t variant : {std::uint16_t{0}, capsLock, numLock})
            EXPECT_EQ(other.grab(XK_space, xControlAlt | variant), 0) << "left grabbed";
        other.ungrabAll();
        EXPECT_EQ(service.registerHotKey(KeyCode::space, controlOption), 0);
    }
}

TEST_F(X11HotKeys, RegistrationHoldsTheCombinationUntilReplacedOrGivenUpOrFailsWithoutAKey) {
    X11HotKeyService service(app);
    EXPECT_EQ(service.registerHotKey(KeyCode::space, controlOption), 0);
    EXPECT_EQ(service.registerHotKey(KeyCode::space, controlOption), 0);
    EXPECT_EQ(other.grab(XK_space, xControlAlt), 10);

    EXPECT_EQ(service.registerHotKey(KeyCode::e, 0x100 | 0x200), 0); // Super+Shift+E
    EXPECT_EQ(other.grab(XK_space, xControlAlt), 0);
    EXPECT_EQ(other.grab(XK_e, XCB_MOD_MASK_4 | XCB_MOD_MASK_SHIFT), 10);

    service.unregisterHotKey();
    EXPECT_EQ(other.grab(XK_e, XCB_MOD_MASK_4 | XCB_MOD_MASK_SHIFT), 0);
    other.ungrabAll();

    {
        X11HotKeyService released(app);
        ASSERT_EQ(released.registerHotKey(KeyCode::escape, controlOption), 0);
    }
    EXPECT_EQ(other.grab(XK_Escape, xControlAlt), 0);

    // Unknown keys and a missing display fail.
    EXPECT_EQ(service.registerHotKey(0x0A, controlOption), X11HotKeyService::keyNotOnKeyboard);
    EXPECT_EQ(service.registerHotKey(0x10031, controlOption), X11HotKeyService::keyNotOnKeyboard);
    X11HotKeyService withoutX(std::nullopt);
    EXPECT_EQ(withoutX.registerHotKey(KeyCode::space, controlOption),
              X11HotKeyService::noXConnection);
}

TEST_F(X11HotKeys, PressesReachTheHandlerWhateverTheLockKeys) {
    X11HotKeyService service(app);
    int presses = 0;
    service.setPressedHandler([&] { ++presses; });
    ASSERT_EQ(service.registerHotKey(KeyCode::space, controlOption), 0);
    const std::uint16_t numLock = other.x().modifierMaskOf(XK_Num_Lock);

    const struct {
        std::vector<xcb_keysym_t> lockKeys;
        std::uint16_t lockState;
    } cases[] = {
        {{}, 0},
        {{XK_Caps_Lock}, capsLock},
        {{XK_Num_Lock}, numLock},
        {{XK_Caps_Lock, XK_Num_Lock}, static_cast<std::uint16_t>(capsLock | numLock)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lockState);
        const int before = presses;
        for (const auto lockKey : c.lockKeys)
            other.tap(lockKey);
        ASSERT_EQ(other.modifierState(), c.lockState);
        other.chord({XK_Control_L, XK_Alt_L}, XK_space);
        EXPECT_TRUE(QTest::qWaitFor([&] { return presses == before + 1; }, deadlineMs));
        for (const auto lockKey : c.lockKeys)
            other.tap(lockKey);
    }
}

TEST_F(X11HotKeys, HoldingTheCombinationPressesOnceAndReleasingLetsItPressAgain) {
    X11HotKeyService service(app);
    int presses = 0;
    service.setPressedHandler([&] { ++presses; });
    ASSERT_EQ(service.registerHotKey(KeyCode::space, controlOption), 0);

    // Held past the server's repeat delay, the key repeats: a release and a press each time.
    other.key(XCB_KEY_PRESS, XK_Control_L);
    other.key(XCB_KEY_PRESS, XK_Alt_L);
    other.key(XCB_KEY_PRESS, XK_space);
    QTest::qWait(1500);
    EXPECT_EQ(presses, 1);
    // The modifiers come up first: the key alone ends the hold.
    other.key(XCB_KEY_RELEASE, XK_Alt_L);
    other.key(XCB_KEY_RELEASE, XK_Control_L);
    other.key(XCB_KEY_RELEASE, XK_space);
    // A person presses again some milliseconds later, however slow the program is to look.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    other.chord({XK_Control_L, XK_Alt_L}, XK_space);
    EXPECT_TRUE(QTest::qWaitFor([&] { return presses == 2; }, deadlineMs));
}

using X11FrontWindow = X11Session;

TEST_F(X11FrontWindow, WorkspaceReadsTheActiveWindowItsProcessAndClass) {
    const X11Workspace workspace(app);
    const xcb_window_t terminal = other.createWindow();
    const std::uint32_t pid = 4242;
    other.setProperty(terminal, "_NET_WM_PID", XCB_ATOM_CARDINAL, 32, &pid, 1);
    const char names[] = "xterm\0XTerm"; // with its final NUL
    other.setProperty(terminal, "WM_CLASS", XCB_ATOM_STRING, 8, names, sizeof names);
    activate(terminal);
    EXPECT_EQ(workspace.frontmostApplication(),
              (ApplicationHandle{.window = terminal, .processID = 4242, .windowClass = "XTerm"}));
    EXPECT_EQ(workspace.frontWindowClass(), (WindowClass{"xterm", "XTerm"}));

    const xcb_window_t bare = other.createWindow();
    activate(bare);
    EXPECT_EQ(workspace.frontmostApplication(), (ApplicationHandle{.window = bare}));
    EXPECT_EQ(workspace.frontWindowClass(), WindowClass{});

    activate(XCB_WINDOW_NONE);
    EXPECT_EQ(workspace.frontmostApplication(), std::nullopt);
    other.deleteProperty(app->root(), "_NET_ACTIVE_WINDOW");
    EXPECT_EQ(workspace.frontmostApplication(), std::nullopt);
    EXPECT_EQ(workspace.frontWindowClass(), std::nullopt);
    EXPECT_EQ(X11Workspace(std::nullopt).frontmostApplication(), std::nullopt);
}

TEST(X11WindowClass, TerminalsAreKnownByTheirExactNames) {
    EXPECT_EQ(parseWindowClass(std::string("urxvt\0URxvt\0", 12)), (WindowClass{"urxvt", "URxvt"}));
    EXPECT_EQ(parseWindowClass(std::string("only\0", 5)), (WindowClass{"only", ""}));
    EXPECT_EQ(parseWindowClass("unterminated"), (WindowClass{"unterminated", ""}));

    // By its instance name, by its class alone, or by both.
    for (const WindowClass& terminal :
         {WindowClass{"gnome-terminal-server", "Gnome-terminal"},
          WindowClass{"org.wezfurlong.wezterm", ""}, WindowClass{"someone's-own", "XTerm"}})
        EXPECT_TRUE(isTerminalWindow(terminal)) << terminal.instance << " " << terminal.className;
    for (const WindowClass& other :
         {WindowClass{"st", "St"}, WindowClass{"gedit", "Gedit"}, WindowClass{"XTERM", "Xterm"},
          WindowClass{"konsole-like", "Konsole2"}, WindowClass{"", ""},
          WindowClass{"kitty Alacritty", "xterm "}, WindowClass{"Navigator", "firefox"}})
        EXPECT_FALSE(isTerminalWindow(other)) << other.instance << " " << other.className;
}

// Each key press it receives, but modifiers and keys Qt has no name for (the layout switch).
using Press = std::pair<int, Qt::KeyboardModifiers>;

class KeyRecorder : public QWidget {
public:
    KeyRecorder() { setFocusPolicy(Qt::StrongFocus); }
    std::vector<Press> presses;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        const int key = event->key();
        if (key != 0 && key != Qt::Key_Control && key != Qt::Key_Shift && key != Qt::Key_Alt &&
            key != Qt::Key_Meta && key != Qt::Key_Super_L)
            presses.emplace_back(key, event->modifiers());
    }
};

class X11KeyPosting : public X11Session {
protected:
    void SetUp() override {
        X11Session::SetUp();
        recorder.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&recorder));
        recorder.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&recorder));
    }
    static X11KeyPoster::FrontWindowClass front(std::optional<WindowClass> names) {
        return [names] { return names; };
    }
    // Waits for the recorder's next press and takes it.
    Press nextPress() {
        if (!QTest::qWaitFor([&] { return !recorder.presses.empty(); }, deadlineMs))
            return {};
        const auto press = recorder.presses.front();
        recorder.presses.erase(recorder.presses.begin());
        return press;
    }

    KeyRecorder recorder;
    const WindowClass editor{"gedit", "Gedit"};
    const WindowClass terminal{"xterm", "XTerm"};
};

TEST_F(X11KeyPosting, PasteChordFollowsTheWindowInFrontAndOtherKeysAreTranslated) {
    const Press ctrlV{Qt::Key_V, Qt::ControlModifier};
    const Press ctrlShiftV{Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier};

    X11KeyPoster(app, front(terminal)).tapKey(KeyCode::v, ModifierFlag::command);
    EXPECT_EQ(nextPress(), ctrlShiftV);
    X11KeyPoster(app, front(editor)).tapKey(KeyCode::v, ModifierFlag::command);
    EXPECT_EQ(nextPress(), ctrlV);
    X11KeyPoster(app, front(std::nullopt)).tapKey(KeyCode::v, ModifierFlag::command);
    EXPECT_EQ(nextPress(), ctrlV);

    X11KeyPoster poster(app, front(terminal));
    poster.tapKey(KeyCode::returnKey, ModifierFlag::shift);
    EXPECT_EQ(nextPress(), (Press{Qt::Key_Return, Qt::ShiftModifier}));
    poster.tapKey(KeyCode::e, ModifierFlag::command | ModifierFlag::option);
    EXPECT_EQ(nextPress(), (Press{Qt::Key_E, Qt::ControlModifier | Qt::AltModifier}));
    poster.tapKey(KeyCode::v, 0);
    EXPECT_EQ(nextPress(), (Press{Qt::Key_V, Qt::NoModifier}));
}

TEST_F(X11KeyPosting, PasteWaitsUntilTheUserLetsGoOfAlt) {
    other.key(XCB_KEY_PRESS, XK_Alt_L);
    // The user lets go a moment later, well within the poster's patience.
    std::thread user([] {
        OtherClient hand;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        hand.key(XCB_KEY_RELEASE, XK_Alt_L);
    });
    X11KeyPoster(app, front(editor), std::chrono::seconds(30))
        .tapKey(KeyCode::v, ModifierFlag::command);
    user.join();
    EXPECT_EQ(nextPress(), (Press{Qt::Key_V, Qt::ControlModifier}));
}

class X11KeyboardGroups : public X11KeyPosting {
protected:
    void TearDown() override {
        setLayouts("us");
        X11KeyPosting::TearDown();
    }
    // The display's layouts, as a user sets them; the Menu key goes to the next one.
    static void setLayouts(const QString& layouts, const QString& variants = {}) {
        ASSERT_EQ(QProcess::execute("setxkbmap", {"-layout", layouts, "-variant", variants,
                                                  "-option", "", "-option", "grp:menu_toggle"}),
                  0);
    }
};

TEST_F(X11KeyboardGroups, PasteChordIsTheVOfTheActiveGroupAndWithoutAnyVNothingIsPosted) {
    const struct {
        const char* layouts;
        const char* variants;
        bool posts;
    } cases[] = {
        {"us,us", ",dvorak", true}, // V is another key there than in the first group
        // Ctrl+Cyrillic_em: Qt reads it by the key's letter in the Latin group.
        {"us,ru", "", true},
        {"ru", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.layouts);
        setLayouts(c.layouts, c.variants);
        other.tap(XK_ISO_Next_Group); // the second layout, where there is one
        EXPECT_EQ(X11KeyPoster(app, front(editor)).tapKey(KeyCode::v, ModifierFlag::command),
                  c.posts);
        if (c.posts) {
            EXPECT_EQ(nextPress(), (Press{Qt::Key_V, Qt::ControlModifier}));
        }
    }
}

using ShortcutKeys = X11Session;

// A key press as the shortcut recorder reads it; `scanCode` 0 is a key from no keyboard.
KeyEvent recorded(const QtShortcutKeyMonitor& monitor, int key, Qt::KeyboardModifiers modifiers,
                  std::uint32_t scanCode = 0) {
    return monitor.translate(QKeyEvent(QEvent::KeyPress, key, modifiers, scanCode, 0, 0));
}

TEST_F(ShortcutKeys, ModifiersReadAsTheGlobalShortcutAndKeysNamedAsTheyAreLabelled) {
    const QtShortcutKeyMonitor withoutX;
    const auto shortcut = [&](int key, Qt::KeyboardModifiers modifiers) {
        const auto made = Shortcut::fromEvent(recorded(withoutX, key, modifiers));
        return made ? made->displayString() : "none";
    };
    EXPECT_EQ(shortcut(Qt::Key_K, Qt::ControlModifier | Qt::AltModifier), "Ctrl+Alt+K");
    EXPECT_EQ(shortcut(Qt::Key_K, Qt::MetaModifier | Qt::ShiftModifier), "Shift+Super+K");
    EXPECT_EQ(shortcut(Qt::Key_Space, Qt::AltModifier), "Alt+Space");
    EXPECT_EQ(shortcut(Qt::Key_F5, Qt::ControlModifier), "Ctrl+F5");
    EXPECT_EQ(shortcut(Qt::Key_Comma, Qt::ControlModifier), "Ctrl+,");
    EXPECT_EQ(shortcut(Qt::Key_K, Qt::ShiftModifier), "none");
    EXPECT_EQ(recorded(withoutX, Qt::Key_F35, Qt::ControlModifier).keyCode, KeyCode::unknown);

    // On X the key is the one pressed, whatever Shift makes it type.
    const QtShortcutKeyMonitor onX(app);
    const std::vector<xcb_keycode_t> one = app->keycodesOf(XK_1);
    ASSERT_FALSE(one.empty());
    const KeyEvent controlShiftOne =
        recorded(onX, Qt::Key_Exclam, Qt::ControlModifier | Qt::ShiftModifier, one.front());
    EXPECT_EQ(controlShiftOne.keyCode, 0x12);
    EXPECT_EQ(Shortcut::fromEvent(controlShiftOne)->displayString(), "Ctrl+Shift+1");
}

using X11Trust = X11Session;

std::vector<QMessageBox*> visibleMessages() {
    std::vector<QMessageBox*> boxes;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box != nullptr && box->isVisible())
            boxes.push_back(box);
    return boxes;
}

// The one message shown after asking twice, and only once asked; gone with its owner.
QString explanationAfterAsking(X11Accessibility& accessibility) {
    EXPECT_FALSE(accessibility.isTrusted(false));
    EXPECT_TRUE(visibleMessages().empty());
    EXPECT_FALSE(accessibility.isTrusted(true));
    EXPECT_FALSE(accessibility.isTrusted(true));
    const auto boxes = visibleMessages();
    if (boxes.size() != 1U) {
        ADD_FAILURE() << boxes.size() << " messages";
        return {};
    }
    EXPECT_EQ(boxes[0]->text(), "Quillo can't paste here.");
    EXPECT_TRUE(boxes[0]->informativeText().contains("Ctrl+V"));
    return boxes[0]->informativeText();
}

TEST_F(X11Trust, OnXvfbAskingShowsNothingAndWithoutXItExplainsOnceWhyAndWhatToDo) {
    X11Accessibility onXvfb(app, false); // which has XTEST
    EXPECT_EQ(onXvfb.obstacle(), X11Accessibility::Obstacle::none);
    EXPECT_TRUE(onXvfb.isTrusted(false));
    EXPECT_TRUE(onXvfb.isTrusted(true));
    EXPECT_TRUE(visibleMessages().empty());
    {
        X11Accessibility accessibility(std::nullopt, true);
        EXPECT_EQ(accessibility.obstacle(), X11Accessibility::Obstacle::wayland);
        const QString text = explanationAfterAsking(accessibility);
        EXPECT_TRUE(text.contains("Wayland session")) << text.toStdString();
        EXPECT_TRUE(text.contains("log in to an X11 session")) << text.toStdString();
    }
    EXPECT_TRUE(visibleMessages().empty());
    {
        X11Accessibility accessibility(std::nullopt, false);
        EXPECT_EQ(accessibility.obstacle(), X11Accessibility::Obstacle::noX11);
        const QString text = explanationAfterAsking(accessibility);
        EXPECT_FALSE(text.contains("Wayland")) << text.toStdString();
        EXPECT_TRUE(text.contains("XTEST")) << text.toStdString();
    }
}

TEST_F(X11Trust, AServerWithoutXtestIsNotTrustedAndTheMessageSaysWhy) {
    QProcess server;
    server.start("Xvfb", {"-displayfd", "1", "-extension", "XTEST", "-nolisten", "tcp"});
    ASSERT_TRUE(server.waitForStarted(deadlineMs));
    ASSERT_TRUE(server.waitForReadyRead(deadlineMs)) << "Xvfb gave no display number";
    const QByteArray display = ":" + server.readAllStandardOutput().trimmed();
    xcb_connection_t* connection = xcb_connect(display.constData(), nullptr);
    ASSERT_EQ(xcb_connection_has_error(connection), 0);
    {
        const X11Connection withoutXtest(
            connection, xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root);
        X11Accessibility accessibility(withoutXtest, false);
        EXPECT_EQ(accessibility.obstacle(), X11Accessibility::Obstacle::noXTest);
        const QString text = explanationAfterAsking(accessibility);
        EXPECT_TRUE(text.contains("no XTEST extension")) << text.toStdString();
    }
    xcb_disconnect(connection);
    server.terminate();
    server.waitForFinished(deadlineMs);
}

} // namespace
} // namespace quillo
