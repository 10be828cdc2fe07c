#include "platform/KeyTranslation.h"

#include "core/hotkey/Shortcut.h"
#include "core/platform/KeyEvent.h"

#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <set>
#include <string_view>

namespace quillo::keys {
namespace {

// What the ANSI keyboard types without modifiers; their keysyms are their codes.
constexpr std::string_view typedCharacters = "abcdefghijklmnopqrstuvwxyz0123456789-=[]\\;',./`";

TEST(KeyTranslation, EveryCharacterOfTheKeyboardAndEveryKnownKeyCodeTranslatesBothWays) {
    std::set<std::uint16_t> keyCodes;
    for (const char character : typedCharacters) {
        SCOPED_TRACE(character);
        const auto keyCode = keyCodeForKeysym(static_cast<std::uint32_t>(character));
        ASSERT_TRUE(keyCode.has_value());
        EXPECT_EQ(keysymForKeyCode(*keyCode), static_cast<std::uint32_t>(character));
        keyCodes.insert(*keyCode);
    }
    EXPECT_EQ(keyCodes.size(), typedCharacters.size());

    // Every known key code comes back from its keysym.
    int known = 0;
    for (std::uint32_t keyCode = 0; keyCode <= 0xFFFF; ++keyCode) {
        const auto keysym = keysymForKeyCode(static_cast<std::uint16_t>(keyCode));
        if (!keysym)
            continue;
        ++known;
        EXPECT_EQ(keyCodeForKeysym(*keysym), keyCode) << "keysym " << *keysym;
    }
    EXPECT_GE(known, 47 + 16); // the typed characters, the named keys and F1-F12
}

TEST(KeyTranslation, KeysTheProgramNamesHaveTheirMacCodesOthersNone) {
    EXPECT_EQ(keysymForKeyCode(KeyCode::v), XK_v);
    EXPECT_EQ(keysymForKeyCode(KeyCode::e), XK_e);
    EXPECT_EQ(keysymForKeyCode(KeyCode::returnKey), XK_Return);
    EXPECT_EQ(keysymForKeyCode(KeyCode::tab), XK_Tab);
    EXPECT_EQ(keysymForKeyCode(KeyCode::space), XK_space);
    EXPECT_EQ(keysymForKeyCode(KeyCode::escape), XK_Escape);
    EXPECT_EQ(keysymForKeyCode(KeyCode::keypadEnter), XK_KP_Enter);
    EXPECT_EQ(keysymForKeyCode(KeyCode::downArrow), XK_Down);
    EXPECT_EQ(keysymForKeyCode(KeyCode::upArrow), XK_Up);
    EXPECT_EQ(keysymForKeyCode(123), XK_Left);
    EXPECT_EQ(keysymForKeyCode(124), XK_Right);
    EXPECT_EQ(keysymForKeyCode(51), XK_BackSpace); // the Mac's Delete key
    EXPECT_EQ(keysymForKeyCode(117), XK_Delete);   // its forward delete
    // The function keys are scattered over the Mac's codes.
    constexpr std::uint16_t functionKeys[] = {122, 120, 99,  118, 96,  97,
                                              98,  100, 101, 109, 103, 111};
    for (std::uint32_t i = 0; i < std::size(functionKeys); ++i)
        EXPECT_EQ(keysymForKeyCode(functionKeys[i]), XK_F1 + i) << "F" << i + 1;
    // Shifted letters are the same key; some keys are unknown.
    EXPECT_EQ(keyCodeForKeysym(XK_V), KeyCode::v);
    EXPECT_EQ(keyCodeForKeysym(XK_A), keyCodeForKeysym(XK_a));
    EXPECT_EQ(keyCodeForKeysym(XK_Z), keyCodeForKeysym(XK_z));
    EXPECT_FALSE(keysymForKeyCode(0x0A).has_value()); // the ISO key left of 1
    EXPECT_FALSE(keysymForKeyCode(0x7F).has_value());
    EXPECT_FALSE(keyCodeForKeysym(XK_exclam).has_value());
    EXPECT_FALSE(keyCodeForKeysym(XK_Num_Lock).has_value());
}

constexpr std::uint16_t shift = 0x01, lock = 0x02, control = 0x04, mod1 = 0x08, mod2 = 0x10,
                        mod4 = 0x40;

TEST(KeyTranslation, ShortcutModifiersBothWays) {
    const struct {
        std::uint32_t shortcut;
        std::uint16_t x;
    } cases[] = {
        {ShortcutModifier::command, mod4},
        {ShortcutModifier::shift, shift},
        {ShortcutModifier::option, mod1},
        {ShortcutModifier::control, control},
        {ShortcutModifier::control | ShortcutModifier::option, control | mod1},
        {0x1B00, shift | control | mod1 | mod4},
        {0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(xModifiersForShortcut(c.shortcut), c.x) << std::hex << c.shortcut;
        EXPECT_EQ(shortcutModifiersForX(c.x), c.shortcut) << std::hex << c.x;
    }
    // Caps Lock (Carbon 0x400, X Lock), Num Lock and pointer buttons take no part.
    EXPECT_EQ(xModifiersForShortcut(0x400 | ShortcutModifier::shift), shift);
    EXPECT_EQ(shortcutModifiersForX(lock | mod2 | 0x100 | control), ShortcutModifier::control);
}

TEST(KeyTranslation, PostedFlagsTakeCommandAsControlAndPressItFirst) {
    EXPECT_EQ(xModifiersForFlags(ModifierFlag::command), control);
    EXPECT_EQ(xModifiersForFlags(ModifierFlag::control), control);
    EXPECT_EQ(xModifiersForFlags(ModifierFlag::command | ModifierFlag::control), control);
    EXPECT_EQ(xModifiersForFlags(ModifierFlag::option), mod1);
    EXPECT_EQ(xModifiersForFlags(ModifierFlag::shift | ModifierFlag::command), shift | control);
    EXPECT_EQ(xModifiersForFlags(0x10000), 0); // Caps Lock's flag
    // The modifier keys are pressed Control first.
    EXPECT_EQ(keysymsForXModifiers(mod4 | mod1 | shift | control),
              (std::vector<std::uint32_t>{XK_Control_L, XK_Shift_L, XK_Alt_L, XK_Super_L}));
    EXPECT_EQ(keysymsForXModifiers(shift), (std::vector<std::uint32_t>{XK_Shift_L}));
    EXPECT_TRUE(keysymsForXModifiers(lock | mod2).empty());
}

} // namespace
} // namespace quillo::keys
