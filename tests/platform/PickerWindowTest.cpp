// The picker's window on the test run's Xvfb (no window manager).
#include "core/platform/KeyEvent.h"
#include "platform/OtherXClient.h"
#include "platform/QtKeyMonitor.h"
#include "platform/QtPickerPanel.h"
#include "platform/X11Connection.h"

#include <QApplication>
#include <QCursor>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <X11/keysym.h>
#include <cstdlib>
#include <gmock/gmock.h>
#include <initializer_list>
#include <memory>
#include <vector>
#include <xcb/xtest.h>

namespace quillo {
namespace {

using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::Field;

constexpr int deadlineMs = 10000;

// Another program on the display: it types, clicks, grabs and owns a window of its own.
class OtherProgram : public OtherXClient {
public:
    ~OtherProgram() override {
        xcb_ungrab_keyboard(connection_, XCB_CURRENT_TIME);
        xcb_set_input_focus(connection_, XCB_INPUT_FOCUS_POINTER_ROOT, XCB_INPUT_FOCUS_POINTER_ROOT,
                            XCB_CURRENT_TIME);
    }

    void click(QPoint at) {
        xcb_test_fake_input(connection_, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root_,
                            static_cast<std::int16_t>(at.x()), static_cast<std::int16_t>(at.y()),
                            0);
        xcb_test_fake_input(connection_, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0,
                            0, 0);
        xcb_test_fake_input(connection_, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_WINDOW_NONE,
                            0, 0, 0);
        sync();
    }

    // The status of an active keyboard grab (XCB_GRAB_STATUS_SUCCESS when it was granted).
    int grabKeyboard() {
        XReply<xcb_grab_keyboard_reply_t> reply(
            xcb_grab_keyboard_reply(connection_,
                                    xcb_grab_keyboard(connection_, 0, root_, XCB_CURRENT_TIME,
                                                      XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                                    nullptr),
            &std::free);
        return reply ? reply->status : -1;
    }
    void ungrabKeyboard() {
        xcb_ungrab_keyboard(connection_, XCB_CURRENT_TIME);
        sync();
    }

    // The application the user is typing in: it has the X focus and is the active window.
    xcb_window_t focusedWindow() {
        const xcb_window_t window = createWindow(XCB_WINDOW_CLASS_INPUT_OUTPUT);
        xcb_map_window(connection_, window);
        xcb_set_input_focus(connection_, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
        setProperty(root_, "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW, 32, &window, 1);
        return window;
    }
    xcb_window_t inputFocus() {
        XReply<xcb_get_input_focus_reply_t> reply(
            xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr),
            &std::free);
        return reply ? reply->focus : xcb_window_t{XCB_WINDOW_NONE};
    }
    std::optional<std::uint32_t> activeWindow() {
        return x().property32(root_, x().atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW);
    }
    // Claims (or, with XCB_WINDOW_NONE, gives up) the selection a compositing manager owns.
    void ownCompositorSelection(xcb_window_t owner) {
        xcb_set_selection_owner(connection_, owner, x().atom("_NET_WM_CM_S0"), XCB_CURRENT_TIME);
        sync();
    }
    void unmap(xcb_window_t window) {
        xcb_unmap_window(connection_, window);
        sync();
    }
};

// A shown panel with a search field inside, as the picker's view would fill it.
class PickerWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(X11Connection::ofApplication().has_value())
            << "the picker window tests need Qt on an X display";
        field = new QLineEdit;
        panel.setContent(field);
        field->setFocus();
        panel.setResignedHandler([this] { ++resigned; });
    }
    void TearDown() override {
        panel.hide();
        monitor.remove();
        QCoreApplication::processEvents();
    }

    void showWithKeyboard() {
        panel.positionOnActiveScreen();
        panel.show();
        ASSERT_TRUE(QTest::qWaitFor([this] { return panel.hasKeyboard(); }, deadlineMs));
        QCoreApplication::processEvents();
    }

    QtPickerPanel panel;
    QLineEdit* field = nullptr;
    QtKeyMonitor monitor{panel.widget()};
    OtherProgram other;
    int resigned = 0;
};

TEST(PickerWindowPlacement, CentredHorizontallyWithItsCentreAt62PercentFromTheBottom) {
    // 800 high: the centre 496 up from the bottom is 304 down from the top; half the panel is 230.
    EXPECT_EQ(QtPickerPanel::frameIn(QRect(0, 0, 1280, 800), QtPickerPanel::size),
              QRect(260, 74, 760, 460));
    // A second screen right of the first, under a 24-pixel top bar.
    EXPECT_EQ(QtPickerPanel::frameIn(QRect(1280, 24, 1920, 1056), QSize(760, 460)),
              QRect(1860, 195, 760, 460));
}

TEST_F(PickerWindow, GoesOnTheScreenUnderTheMouse) {
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    QCursor::setPos(screen->geometry().center());
    panel.positionOnActiveScreen();
    EXPECT_EQ(panel.widget()->geometry(),
              QtPickerPanel::frameIn(screen->availableGeometry(), QtPickerPanel::size));
    EXPECT_EQ(panel.widget()->size(), QSize(760, 460));
}

TEST_F(PickerWindow, ShowsOnTopWithoutActivatingAndTakesTheKeyboard) {
    const xcb_window_t userWindow = other.focusedWindow();
    showWithKeyboard();

    EXPECT_TRUE(panel.isVisible());
    const Qt::WindowFlags flags = panel.widget()->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::X11BypassWindowManagerHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(flags.testFlag(Qt::FramelessWindowHint));
    // The user's application keeps the X focus and stays the active window.
    EXPECT_EQ(other.inputFocus(), userWindow);
    EXPECT_EQ(other.activeWindow(), userWindow);
    // The keyboard is the panel's: nobody else can grab it, and typing reaches its field.
    EXPECT_EQ(other.grabKeyboard(), XCB_GRAB_STATUS_ALREADY_GRABBED);
    for (const auto keysym : {XK_a, XK_b, XK_c})
        other.tap(keysym);
    EXPECT_TRUE(QTest::qWaitFor([this] { return field->text() == "abc"; }, deadlineMs))
        << field->text().toStdString();
    EXPECT_EQ(other.inputFocus(), userWindow);
}

TEST_F(PickerWindow, HidingReleasesTheKeyboardAndShowingAgainTakesItBackOnceItIsFree) {
    showWithKeyboard();
    panel.hide();
    EXPECT_FALSE(panel.isVisible());
    EXPECT_FALSE(panel.hasKeyboard());
    EXPECT_EQ(other.grabKeyboard(), XCB_GRAB_STATUS_SUCCESS);
    other.ungrabKeyboard();

    showWithKeyboard();
    EXPECT_EQ(other.grabKeyboard(), XCB_GRAB_STATUS_ALREADY_GRABBED);
    QCoreApplication::processEvents();
    EXPECT_EQ(resigned, 0) << "hiding is not losing the keyboard";

    // A keyboard another program holds is waited for.
    panel.hide();
    ASSERT_EQ(other.grabKeyboard(), XCB_GRAB_STATUS_SUCCESS);
    panel.show();
    QCoreApplication::processEvents();
    EXPECT_FALSE(panel.hasKeyboard());
    other.ungrabKeyboard();
    EXPECT_TRUE(QTest::qWaitFor([this] { return panel.hasKeyboard(); }, deadlineMs));
}

TEST_F(PickerWindow, KeyMonitorReportsKeysInTheCoresTermsWithComposingAndSwallowsHandledOnes) {
    std::vector<KeyEvent> seen;
    monitor.install([&](const KeyEvent& event) {
        seen.push_back(event);
        return event.keyCode != KeyCode::v; // everything but V is dealt with
    });
    showWithKeyboard();

    other.tap(XK_Return);
    other.tap(XK_Escape);
    other.tap(XK_Down);
    other.tap(XK_Up);
    other.chord({XK_Control_L}, XK_e);
    other.chord({XK_Alt_L}, XK_Return);
    other.chord({XK_Shift_L}, XK_Tab);
    other.tap(XK_v);
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.size() >= 8; }, deadlineMs)) << seen.size();

    const auto key = [](std::uint16_t code, std::uint64_t flags) {
        return AllOf(Field(&KeyEvent::keyCode, code), Field(&KeyEvent::modifierFlags, flags),
                     Field(&KeyEvent::hasMarkedText, false));
    };
    EXPECT_THAT(seen, ElementsAre(key(KeyCode::returnKey, 0), key(KeyCode::escape, 0),
                                  key(KeyCode::downArrow, 0), key(KeyCode::upArrow, 0),
                                  key(KeyCode::e, ModifierFlag::command),
                                  key(KeyCode::returnKey, ModifierFlag::option),
                                  key(KeyCode::tab, ModifierFlag::shift), key(KeyCode::v, 0)));
    EXPECT_EQ(seen[4].charactersIgnoringModifiers, "e");
    // Only the key left unhandled reached the field.
    EXPECT_TRUE(QTest::qWaitFor([this] { return field->text() == "v"; }, deadlineMs))
        << field->text().toStdString();

    // While the input method composes the keys say so; its commit ends that.
    QInputMethodEvent composing("ka", {});
    QApplication::sendEvent(field, &composing);
    other.tap(XK_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.size() == 9; }, deadlineMs));
    EXPECT_TRUE(seen[8].hasMarkedText);
    QInputMethodEvent committed;
    committed.setCommitString("か");
    QApplication::sendEvent(field, &committed);
    other.tap(XK_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.size() == 10; }, deadlineMs));
    EXPECT_FALSE(seen[9].hasMarkedText);

    monitor.remove();
    other.tap(XK_Return);
    other.tap(XK_x);
    EXPECT_TRUE(QTest::qWaitFor([this] { return field->text() == "vかx"; }, deadlineMs))
        << field->text().toStdString();
    EXPECT_EQ(seen.size(), 10u) << "a removed monitor sees nothing";
}

TEST_F(PickerWindow, RoundedAndTranslucentOnlyWhereACompositorCanShowIt) {
    const auto alphaAt = [this](QPoint point) {
        return panel.widget()->grab().toImage().pixelColor(point).alpha();
    };
    const QPoint corner(0, 0);
    const QPoint topEdge(panel.widget()->width() / 2, 2);
    EXPECT_EQ(alphaAt(corner), 255) << "without a compositor the background is plain";
    EXPECT_EQ(alphaAt(topEdge), 255);

    other.ownCompositorSelection(other.focusedWindow());
    EXPECT_EQ(alphaAt(corner), 0) << "the corner is cut off";
    const int tint = alphaAt(topEdge);
    EXPECT_GT(tint, 0);
    EXPECT_LT(tint, 255);
    other.ownCompositorSelection(XCB_WINDOW_NONE);
}

TEST(PickerWindowKeyTranslation, QtKeysBecomeTheCoresCodesFlagsAndCharacters) {
    const auto translate = [](int key, Qt::KeyboardModifiers modifiers, const QString& text) {
        return QtKeyMonitor::translate(QKeyEvent(QEvent::KeyPress, key, modifiers, text));
    };
    EXPECT_EQ(translate(Qt::Key_Enter, {}, "\r").keyCode, KeyCode::keypadEnter);
    EXPECT_EQ(translate(Qt::Key_Backspace, {}, "\b").keyCode, 0x33);
    EXPECT_EQ(translate(Qt::Key_Delete, {}, "").keyCode, 0x75);
    EXPECT_EQ(translate(Qt::Key_Left, {}, "").keyCode, 0x7B);
    EXPECT_EQ(translate(Qt::Key_Space, {}, " ").keyCode, KeyCode::space);

    const KeyEvent controlShiftK =
        translate(Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier, "\x0b");
    EXPECT_EQ(controlShiftK.keyCode, 0x28);
    EXPECT_EQ(controlShiftK.modifierFlags, ModifierFlag::command | ModifierFlag::shift);
    EXPECT_EQ(controlShiftK.charactersIgnoringModifiers, "k");

    const KeyEvent escape = translate(Qt::Key_Escape, {}, "\x1b");
    EXPECT_EQ(escape.keyCode, KeyCode::escape);
    EXPECT_EQ(escape.charactersIgnoringModifiers, "") << "control characters are not typed text";

    EXPECT_EQ(translate(Qt::Key_Return, Qt::MetaModifier, "\r").modifierFlags,
              ModifierFlag::control);
    EXPECT_EQ(translate(Qt::Key_F35, {}, "").keyCode, KeyCode::unknown)
        << "keys the program does not know";
}

// Counts the mouse presses a widget receives.
class PressCounter final : public QObject {
public:
    int presses = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress)
            ++presses;
        return false;
    }
};

TEST_F(PickerWindow, AClickOutsideResignsOnALaterTurnAndAClickInsideDoesNot) {
    PressCounter counter;
    field->installEventFilter(&counter);
    showWithKeyboard();

    other.click(field->mapToGlobal(field->rect().center()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return counter.presses == 1; }, deadlineMs));
    QCoreApplication::processEvents(); // a resignation would have been delivered by now
    EXPECT_EQ(resigned, 0);

    other.click(panel.widget()->geometry().bottomRight() + QPoint(20, 20));
    EXPECT_TRUE(QTest::qWaitFor([this] { return resigned > 0; }, deadlineMs));
    EXPECT_EQ(counter.presses, 1) << "the outside click is not the field's";
    EXPECT_EQ(resigned, 1);
}

TEST_F(PickerWindow, LosingTheGrabResignsAndTheNextShowTakesItAgain) {
    showWithKeyboard();
    // Unmapping the grab window ends the grab, as the server does when the window goes away.
    other.unmap(static_cast<xcb_window_t>(panel.widget()->winId()));
    ASSERT_TRUE(QTest::qWaitFor([this] { return resigned > 0; }, deadlineMs));
    EXPECT_FALSE(panel.hasKeyboard());

    // The picker closes on resigning; the next time it opens it holds the keyboard again.
    panel.hide();
    showWithKeyboard();
    EXPECT_EQ(other.grabKeyboard(), XCB_GRAB_STATUS_ALREADY_GRABBED);
}

} // namespace
} // namespace quillo
