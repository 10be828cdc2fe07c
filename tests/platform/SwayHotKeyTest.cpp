// The shortcut as a key binding made through sway's socket.
#include "core/hotkey/Shortcut.h"
#include "core/platform/KeyEvent.h"
#include "platform/HeadlessSway.h"
#include "platform/SwayHotKeyService.h"
#include "platform/wayland/VirtualKeyboard.h"
#include "platform/wayland/WaylandConnection.h"

#include <QTest>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon-keysyms.h>

namespace quillo::testing {
namespace {

constexpr std::uint32_t controlAlt = ShortcutModifier::control | ShortcutModifier::option;

TEST(SwayHotKeys, BindsTheProgramToTheShortcutUnlessTheConfigurationTakesIt) {
    HeadlessSway sway("bindsym Alt+Control+Return exec true\n");
    if (!sway.isRunning())
        GTEST_SKIP() << sway.why();
    // The program the binding runs leaves a mark beside itself.
    const std::filesystem::path program = sway.folder() / "picker.sh";
    const std::filesystem::path mark = sway.folder() / "pressed";
    std::ofstream(program) << "#!/bin/sh\ntouch \"" << mark.string() << "\"\n";
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    sway.handOver(program);

    SwayHotKeyService hotKeys(sway.socket(), program.string());
    EXPECT_EQ(hotKeys.registerHotKey(KeyCode::returnKey, controlAlt),
              SwayHotKeyService::alreadyBound);
    ASSERT_EQ(hotKeys.registerHotKey(KeyCode::space, controlAlt), 0);
    EXPECT_EQ(hotKeys.configurationLine(),
              "bindsym --no-repeat Ctrl+Mod1+space exec \"" + program.string() + "\" --picker");

    const std::shared_ptr<WaylandConnection> connection = sway.connect();
    ASSERT_TRUE(connection);
    const std::unique_ptr<VirtualKeyboard> keyboard = VirtualKeyboard::create(connection);
    ASSERT_TRUE(keyboard);
    keyboard->tap(XKB_KEY_space, VirtualModifier::control | VirtualModifier::alt);
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(mark); }, 10000));

    // Given up, the combination runs nothing.
    hotKeys.unregisterHotKey();
    std::filesystem::remove(mark);
    keyboard->tap(XKB_KEY_space, VirtualModifier::control | VirtualModifier::alt);
    connection->roundtrip();
    QTest::qWait(500);
    EXPECT_FALSE(std::filesystem::exists(mark));
    EXPECT_EQ(hotKeys.configurationLine(), "");
}

} // namespace
} // namespace quillo::testing
