#include "core/hotkey/Shortcut.h"

#include "fakes/FakeSettingsStore.h"

#include <gtest/gtest.h>
#include <limits>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <unicode/locid.h>
#include <vector>

namespace quillo {
namespace {

using testing::FakeSettingsStore;

constexpr std::uint32_t command = ShortcutModifier::command;
constexpr std::uint32_t shift = ShortcutModifier::shift;
constexpr std::uint32_t option = ShortcutModifier::option;
constexpr std::uint32_t control = ShortcutModifier::control;

// Event flags the modifier translation must drop.
constexpr std::uint64_t capsLock = 0x10000;
constexpr std::uint64_t numericPad = 0x200000;
constexpr std::uint64_t help = 0x400000;
constexpr std::uint64_t function = 0x800000;
constexpr std::uint64_t deviceLeftCommand = 0x8;

constexpr std::uint16_t keyA = 0;
constexpr std::uint16_t keyK = 40;
constexpr std::uint16_t keyF5 = 96;
constexpr std::uint16_t keyF12 = 111;

KeyEvent keyDown(std::uint16_t keyCode, std::uint64_t flags, std::string characters) {
    return KeyEvent{.keyCode = keyCode,
                    .modifierFlags = flags,
                    .charactersIgnoringModifiers = std::move(characters)};
}

TEST(ShortcutDisplay, namedAsLinuxDesktopsWriteThemWithTheStoredGlyphsReadAsKeyNames) {
    const std::uint32_t otherBits = ~(control | option | shift | command);
    const struct {
        Shortcut shortcut;
        const char* expected;
    } cases[] = {
        {{keyK, control | option | shift | command, "K"}, "Ctrl+Alt+Shift+Super+K"},
        {{keyK, command | shift, "K"}, "Shift+Super+K"},
        {{keyK, option | otherBits, "K"}, "Alt+K"},
        {{keyK, otherBits, "K"}, "K"},
        {Shortcut::defaultPicker(), "Ctrl+Alt+Space"},
        {{KeyCode::returnKey, command, "↩"}, "Super+Return"},
        {{KeyCode::tab, option, "⇥"}, "Alt+Tab"},
        {{KeyCode::escape, control, "⎋"}, "Ctrl+Esc"},
        {{keyF5, control, "F5"}, "Ctrl+F5"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.shortcut.displayString(), c.expected) << c.expected;
    EXPECT_EQ(Shortcut::defaultPicker(), (Shortcut{49, 0x1800, "Space"}));
}

TEST(ShortcutFromEvent, needsCommandOptionOrControlAndDropsLockAndDeviceFlags) {
    const std::uint64_t noise = capsLock | numericPad | function | help | deviceLeftCommand;
    for (const std::uint64_t flags : {std::uint64_t{0}, ModifierFlag::shift | noise})
        EXPECT_FALSE(Shortcut::fromEvent(keyDown(keyA, flags, "a"))) << std::hex << flags;

    const struct {
        std::uint64_t flags;
        std::uint32_t modifiers;
    } accepted[] = {
        {ModifierFlag::option, option},
        {ModifierFlag::control | ModifierFlag::shift, control | shift},
        {ModifierFlag::command | noise, command},
        {ModifierFlag::control | ModifierFlag::option | ModifierFlag::shift | ModifierFlag::command,
         control | option | shift | command},
    };
    for (const auto& c : accepted)
        EXPECT_EQ(Shortcut::fromEvent(keyDown(keyK, c.flags, "k")),
                  (Shortcut{keyK, c.modifiers, "K"}))
            << std::hex << c.flags;
}

TEST(ShortcutFromEvent, namedKeysUseTheirNameWhateverTheyType) {
    // The characters are what such keys really report: invisible or private-use ones.
    const struct {
        std::uint16_t keyCode;
        std::uint64_t flags;
        const char* characters;
        std::uint32_t modifiers;
        const char* name;
    } cases[] = {
        {keyF5, ModifierFlag::command, "\uF708", command, "F5"},
        {KeyCode::space, ModifierFlag::option, " ", option, "Space"},
        {KeyCode::returnKey, ModifierFlag::command, "\r", command, "↩"},
        {KeyCode::escape, ModifierFlag::control, "\x1b", control, "⎋"},
        {KeyCode::tab, ModifierFlag::option, "\t", option, "⇥"},
        {keyF12, ModifierFlag::control, "", control, "F12"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Shortcut::fromEvent(keyDown(c.keyCode, c.flags, c.characters)),
                  (Shortcut{c.keyCode, c.modifiers, c.name}))
            << c.name;
}

TEST(ShortcutFromEvent, otherKeysAreNamedByTheirCharactersUpperCasedWhateverTheLocale) {
    const struct {
        const char* characters;
        const char* name;
    } cases[] = {
        {"k", "K"}, {"é", "É"}, {"ß", "SS"}, {"σ", "Σ"},
        {"1", "1"}, {"ä", "Ä"}, {"K", "K"},  {"", "?"},
    };
    for (const auto& c : cases) {
        const auto shortcut =
            Shortcut::fromEvent(keyDown(keyK, ModifierFlag::option, c.characters));
        ASSERT_TRUE(shortcut) << c.characters;
        EXPECT_EQ(shortcut->keyName, c.name) << c.characters;
        EXPECT_EQ(shortcut->keyCode, keyK);
    }
    // Ill-formed characters still give a name that can be stored.
    const auto illFormed = Shortcut::fromEvent(keyDown(keyK, ModifierFlag::command, "\xff"));
    ASSERT_TRUE(illFormed);
    EXPECT_EQ(illFormed->keyName, "\uFFFD");
    FakeSettingsStore settings;
    Shortcut::save(*illFormed, settings);
    EXPECT_EQ(Shortcut::saved(settings), *illFormed);
    // Under a Turkish default locale "i" would become "İ"; the key is still I.
    const icu::Locale before = icu::Locale::getDefault();
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icu::Locale("tr", "TR"), status);
    ASSERT_TRUE(U_SUCCESS(status));
    const auto shortcut = Shortcut::fromEvent(keyDown(34, ModifierFlag::control, "i"));
    icu::Locale::setDefault(before, status);
    ASSERT_TRUE(shortcut);
    EXPECT_EQ(shortcut->keyName, "I");
}

TEST(ShortcutSaved, unreadableValuesGiveTheDefaultAndAreLeftInPlaceOthersAreRead) {
    const std::vector<std::string> unreadable = {
        // not one JSON object
        "not json",
        R"({"keyCode":36,"modifiers":256,"keyName":"↩"}{})",
        R"([36,256,"↩"])",
        // a key missing, or of the wrong type
        R"({"keyCode":36,"keyName":"↩"})",
        R"({"keyCode":"36","modifiers":256,"keyName":"↩"})",
        R"({"keyCode":36,"modifiers":true,"keyName":"↩"})",
        R"({"keyCode":36,"modifiers":256,"keyName":null})",
        // outside the unsigned 32-bit range, or not a whole number
        R"({"keyCode":-1,"modifiers":256,"keyName":"↩"})",
        R"({"keyCode":36,"modifiers":4294967296,"keyName":"↩"})",
        R"({"keyCode":36,"modifiers":4294967296.0,"keyName":"↩"})",
        R"({"keyCode":1e400,"modifiers":256,"keyName":"↩"})",
        R"({"keyCode":36.5,"modifiers":256,"keyName":"↩"})",
        // a key name that is not Unicode text
        "{\"keyCode\":36,\"modifiers\":256,\"keyName\":\"\xc0\xaf\"}", // overlong "/"
        R"({"keyCode":36,"modifiers":256,"keyName":"\ud800"})",
    };
    for (const std::string& value : unreadable) {
        FakeSettingsStore settings;
        settings.values["pickerShortcut"] = value;
        EXPECT_EQ(Shortcut::saved(settings), Shortcut::defaultPicker()) << value;
        EXPECT_EQ(settings.values.at("pickerShortcut"), value);
    }
    // What other writers may produce is read.
    const Shortcut commandReturn{36, command, "↩"};
    for (const char* json : {
             R"({"keyName":"↩","modifiers":256,"keyCode":36})",
             R"({"keyCode":36,"modifiers":256,"keyName":"\u21a9","note":[1,{"x":null}]})",
             R"({"keyCode":36.0,"modifiers":2.56e2,"keyName":"↩"})",
         }) {
        FakeSettingsStore settings;
        settings.values["pickerShortcut"] = json;
        EXPECT_EQ(Shortcut::saved(settings), commandReturn) << json;
    }
}

TEST(ShortcutSave, storesTheThreeFieldsAsOneJsonObjectThatReadsBackEqual) {
    FakeSettingsStore settings;
    settings.values["didFirstLaunch"] = "true";
    EXPECT_EQ(Shortcut::saved(settings), Shortcut::defaultPicker()) << "nothing stored";
    Shortcut::save(Shortcut::defaultPicker(), settings);
    ASSERT_TRUE(settings.values.contains("pickerShortcut"));
    EXPECT_EQ(nlohmann::json::parse(settings.values.at("pickerShortcut")),
              nlohmann::json::parse(R"({"keyCode":49,"modifiers":6144,"keyName":"Space"})"));
    EXPECT_EQ(settings.values.at("didFirstLaunch"), "true");

    // Whatever is saved reads back equal.
    const std::uint32_t max = std::numeric_limits<std::uint32_t>::max();
    const Shortcut shortcuts[] = {
        {max, max, "\"quoted\" \\ back\tslash\x01"},
        {0, 0, ""},
        {40, option, "É😀"},
    };
    for (const Shortcut& shortcut : shortcuts) {
        settings.values["pickerShortcut"] = "garbage";
        Shortcut::save(shortcut, settings);
        EXPECT_EQ(Shortcut::saved(settings), shortcut) << shortcut.keyName;
    }
}

TEST(ShortcutSave, aKeyNameThatCannotBeEncodedRemovesTheStoredValue) {
    const Shortcut broken{40, command, "\xff"};
    EXPECT_THROW((void)broken.toJson(), std::invalid_argument);

    FakeSettingsStore settings;
    Shortcut::save(Shortcut{36, command, "↩"}, settings);
    Shortcut::save(broken, settings);
    EXPECT_FALSE(settings.values.contains("pickerShortcut"));
    EXPECT_EQ(Shortcut::saved(settings), Shortcut::defaultPicker());
}

} // namespace
} // namespace quillo
