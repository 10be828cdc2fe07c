#include "core/hotkey/SwayBindings.h"

#include <gtest/gtest.h>

namespace quillo {
namespace {

constexpr std::uint32_t control = 0x1000, option = 0x800, shift = 0x200, command = 0x100;

TEST(SwayBindings, WritesCombinationsQuotesTheProgramAndFindsWhatAPressWouldTrigger) {
    EXPECT_EQ(SwayBindings::combination("space", control | option), "Ctrl+Mod1+space");
    EXPECT_EQ(SwayBindings::combination("v", command | shift), "Shift+Mod4+v");
    EXPECT_EQ(SwayBindings::pickerCommand("/opt/my \"apps\"/quillo"),
              "\"/opt/my \\\"apps\\\"/quillo\" --picker");

    // The binding a press would trigger is found.
    const std::string config = R"(
# bindsym Ctrl+Mod1+space exec commented-out
set $mod Mod4
set $mode_resize "resize"
bindsym --to-code $mod+Return exec foot
bindsym Alt+Control+SPACE exec rofi
bindsym {
    $mod+Shift+q kill
}
mode "resize" {
    bindsym Ctrl+Shift+r resize grow
}
bar {
    bindsym Ctrl+Shift+b exec bar-thing
}
input * {
    xkb_layout us
}
)";
    using Binding = SwayBindings::Binding;
    EXPECT_EQ(SwayBindings::boundBy(config, "Mod4+Return"), (Binding{"Mod4+Return", "exec foot"}));
    EXPECT_EQ(SwayBindings::boundBy(config, "Ctrl+Mod1+space"),
              (Binding{"Alt+Control+SPACE", "exec rofi"}));
    EXPECT_EQ(SwayBindings::boundBy(config, "Shift+Mod4+q"), (Binding{"Mod4+Shift+q", "kill"}));
    // Other modes and the bar don't take keys from the default mode; modifiers must match.
    for (const char* free : {"Ctrl+Shift+r", "Ctrl+Shift+b", "Mod4+space", "Ctrl+Mod1+Mod4+space"})
        EXPECT_FALSE(SwayBindings::boundBy(config, free)) << free;
}

} // namespace
} // namespace quillo
