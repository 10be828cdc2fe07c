#include "core/platform/SessionBackends.h"

#include <gtest/gtest.h>

namespace quillo {
namespace {

using B = SessionBackends;
namespace Offer = SessionOffer;

struct Session {
    const char* name;
    SessionFacts facts;
    SessionBackends expected;
};

const std::set<std::string> swayGlobals{"wl_seat", Offer::virtualKeyboard, Offer::dataControl,
                                        Offer::foreignToplevel};
const std::set<std::string> kwinGlobals{"wl_seat", Offer::kwinFakeInput, Offer::dataControl};

void PrintTo(const Session& session, std::ostream* out) {
    *out << session.name;
}

class SessionBackendsTest : public testing::TestWithParam<Session> {};

TEST_P(SessionBackendsTest, servesEachPartWithWhatTheSessionOffers) {
    EXPECT_EQ(chooseSessionBackends(GetParam().facts), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sessions, SessionBackendsTest,
    testing::Values(
        Session{"X11WithXTest",
                {.sessionType = "x11", .x11Answered = true, .xtest = true},
                {B::Windowing::x11, B::Keys::xtest, B::Clipboard::qt, B::Front::x11,
                 B::Shortcut::x11Grab}},
        Session{"X11WithoutXTest",
                {.sessionType = "", .x11Answered = true},
                {B::Windowing::x11, B::Keys::none, B::Clipboard::qt, B::Front::x11,
                 B::Shortcut::x11Grab}},
        Session{"Sway",
                {.sessionType = "wayland",
                 .waylandAnswered = true,
                 .x11Answered = true,
                 .xtest = true,
                 .waylandGlobals = swayGlobals,
                 .swaySocket = true,
                 .globalShortcutsPortal = true},
                {B::Windowing::wayland, B::Keys::virtualKeyboard, B::Clipboard::dataControl,
                 B::Front::foreignToplevel, B::Shortcut::swayCommand}},
        // Another wlroots compositor: the same protocols, but no command socket to bind keys.
        Session{"WlrootsWithoutCommandSocket",
                {.sessionType = "", .waylandAnswered = true, .waylandGlobals = swayGlobals},
                {B::Windowing::wayland, B::Keys::virtualKeyboard, B::Clipboard::dataControl,
                 B::Front::foreignToplevel, B::Shortcut::none}},
        Session{"Plasma",
                {.sessionType = "wayland",
                 .waylandAnswered = true,
                 .x11Answered = true,
                 .xtest = true,
                 .waylandGlobals = kwinGlobals,
                 .busNames = {"org.freedesktop.portal.Desktop", Offer::kglobalaccel}},
                {B::Windowing::wayland, B::Keys::kwinFakeInput, B::Clipboard::dataControl,
                 B::Front::unknown, B::Shortcut::kglobalaccel}},
        // KWin keeps fake input from programs its desktop files don't name: its portal types.
        Session{"PlasmaWithoutFakeInput",
                {.sessionType = "wayland",
                 .waylandAnswered = true,
                 .waylandGlobals = {Offer::dataControl},
                 .busNames = {Offer::kglobalaccel},
                 .remoteDesktopPortal = true},
                {B::Windowing::wayland, B::Keys::remoteDesktop, B::Clipboard::dataControl,
                 B::Front::unknown, B::Shortcut::kglobalaccel}},
        Session{"PlasmaWithNeitherFakeInputNorPortal",
                {.sessionType = "wayland",
                 .waylandAnswered = true,
                 .waylandGlobals = {Offer::dataControl},
                 .busNames = {Offer::kglobalaccel}},
                {B::Windowing::wayland, B::Keys::none, B::Clipboard::dataControl, B::Front::unknown,
                 B::Shortcut::kglobalaccel}},
        // XWayland answering with XTEST must not pass for an X11 session. GNOME's portal asks
        // before it types, and only its focused windows may set the clipboard.
        Session{"Gnome43WithXWayland",
                {.sessionType = "wayland",
                 .waylandAnswered = true,
                 .x11Answered = true,
                 .xtest = true,
                 .waylandGlobals = {"wl_seat", "xdg_wm_base"},
                 .busNames = {Offer::gnomeMediaKeys},
                 .remoteDesktopPortal = true},
                {.windowing = B::Windowing::wayland,
                 .keys = B::Keys::remoteDesktop,
                 .clipboard = B::Clipboard::borrowedFocus,
                 .shortcut = B::Shortcut::gnomeKeybinding,
                 .keysNeedConsent = true}},
        // Where the portal binds shortcuts it comes first, the desktop's own way behind it.
        Session{"Gnome48",
                {.sessionType = "wayland",
                 .waylandAnswered = true,
                 .busNames = {Offer::gnomeMediaKeys},
                 .globalShortcutsPortal = true},
                {.windowing = B::Windowing::wayland,
                 .clipboard = B::Clipboard::borrowedFocus,
                 .shortcut = B::Shortcut::globalShortcutsPortal,
                 .shortcutFallback = B::Shortcut::gnomeKeybinding}},
        Session{"WaylandSessionWhoseCompositorIsGone",
                {.sessionType = "wayland", .x11Answered = true, .xtest = true},
                {}},
        Session{"NoDisplay", {.sessionType = "tty"}, {}}),
    [](const testing::TestParamInfo<Session>& session) { return session.param.name; });

} // namespace
} // namespace quillo
