#include "Shortcut.h"

#include "core/util/Translation.h"
#include "core/util/UnicodeText.h"

#include <array>
#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <unicode/locid.h>

namespace quillo {

namespace {

constexpr const char* settingsKey = "pickerShortcut";

struct Modifier {
    std::uint64_t eventFlag;
    std::uint32_t bit;
    const char* label;
};

// In display order, named as Linux desktops name them: the Command bit is the Super key. The
// labels are shown in the user's language, as keyboards sold for it print them.
constexpr std::array<Modifier, 4> modifierTable{{
    // TRANSLATORS: The Control key's name as printed on keyboards, shown in shortcuts such as
    // Ctrl+Alt+Space (German keyboards print "Strg").
    {ModifierFlag::control, ShortcutModifier::control, I18N_NOOP("Ctrl")},
    // TRANSLATORS: The Alt key's name as printed on keyboards, shown in shortcuts such as
    // Ctrl+Alt+Space.
    {ModifierFlag::option, ShortcutModifier::option, I18N_NOOP("Alt")},
    // TRANSLATORS: The Shift key's name as printed on keyboards, shown in shortcuts such as
    // Ctrl+Shift+K (German keyboards print "Umschalt").
    {ModifierFlag::shift, ShortcutModifier::shift, I18N_NOOP("Shift")},
    // TRANSLATORS: The Super key's name (the one with the Windows logo on most keyboards),
    // shown in shortcuts such as Super+K, as desktops name it.
    {ModifierFlag::command, ShortcutModifier::command, I18N_NOOP("Super")},
}};

struct KeyName {
    std::uint16_t keyCode;
    const char* name;
};

// Keys whose characters are invisible or private-use get a fixed name.
constexpr std::array<KeyName, 16> keyNameTable{{
    {49, "Space"},
    {36, "↩"},
    {48, "⇥"},
    {53, "⎋"},
    {122, "F1"},
    {120, "F2"},
    {99, "F3"},
    {118, "F4"},
    {96, "F5"},
    {97, "F6"},
    {98, "F7"},
    {100, "F8"},
    {101, "F9"},
    {109, "F10"},
    {103, "F11"},
    {111, "F12"},
}};

// The keys whose stored names are glyphs, as Linux desktops write them, shown in the user's
// language as keyboards sold for it print them.
constexpr std::array<KeyName, 3> displayNameTable{{
    // TRANSLATORS: The Return (Enter) key's name as printed on keyboards, shown in shortcuts
    // such as Super+Return (German keyboards print "Eingabe").
    {36, I18N_NOOP("Return")},
    // TRANSLATORS: The Tab key's name as printed on keyboards, shown in shortcuts such as
    // Alt+Tab.
    {48, I18N_NOOP("Tab")},
    // TRANSLATORS: The Escape key's name as printed on keyboards, shown in shortcuts such as
    // Ctrl+Esc.
    {53, I18N_NOOP("Esc")},
}};

// The one stored key name that is an English word.
constexpr std::string_view spaceName = "Space";

constexpr std::uint32_t needsOneOf =
    ShortcutModifier::command | ShortcutModifier::option | ShortcutModifier::control;

std::string keyNameFor(const KeyEvent& event) {
    for (const KeyName& entry : keyNameTable)
        if (entry.keyCode == event.keyCode)
            return entry.name;
    if (event.charactersIgnoringModifiers.empty())
        return "?";
    icu::UnicodeString characters = toUnicode(event.charactersIgnoringModifiers);
    characters.toUpper(icu::Locale::getRoot());
    return toUtf8(characters);
}

// A stored number, accepted only when it is a whole number that fits 32 unsigned bits.
std::optional<std::uint32_t> readUInt32(const nlohmann::json& object, const char* key) {
    constexpr auto max = std::numeric_limits<std::uint32_t>::max();
    const auto found = object.find(key);
    if (found == object.end())
        return std::nullopt;
    if (found->is_number_unsigned()) {
        const auto value = found->get<std::uint64_t>();
        if (value > max)
            return std::nullopt;
        return static_cast<std::uint32_t>(value);
    }
    if (found->is_number_integer()) { // only negative integers end up here
        const auto value = found->get<std::int64_t>();
        if (value < 0 || value > max)
            return std::nullopt;
        return static_cast<std::uint32_t>(value);
    }
    if (found->is_number_float()) { // "49.0" is still 49
        const auto value = found->get<double>();
        if (!(value >= 0 && value <= max) || std::trunc(value) != value)
            return std::nullopt;
        return static_cast<std::uint32_t>(value);
    }
    return std::nullopt;
}

} // namespace

Shortcut Shortcut::defaultPicker() {
    return {49, ShortcutModifier::control | ShortcutModifier::option, "Space"};
}

std::string Shortcut::displayString() const {
    // Only for showing: what is stored, and what desktops are told, is never translated.
    std::string result;
    for (const Modifier& modifier : modifierTable)
        if (modifiers & modifier.bit) {
            result += i18n(modifier.label);
            result += '+';
        }
    for (const KeyName& entry : displayNameTable)
        if (entry.keyCode == keyCode)
            return result + i18n(entry.name);
    if (keyName == spaceName)
        // TRANSLATORS: The space bar's name as printed on keyboards, shown in shortcuts such as
        // Ctrl+Alt+Space (German keyboards print "Leertaste").
        return result + i18n("Space");
    return result + keyName;
}

std::optional<Shortcut> Shortcut::fromEvent(const KeyEvent& event) {
    std::uint32_t bits = 0;
    for (const Modifier& modifier : modifierTable)
        if (event.modifierFlags & modifier.eventFlag)
            bits |= modifier.bit;
    if ((bits & needsOneOf) == 0)
        return std::nullopt;
    return Shortcut{event.keyCode, bits, keyNameFor(event)};
}

std::string Shortcut::toJson() const {
    // Ordered so the stored text reads in field order.
    nlohmann::ordered_json object;
    object["keyCode"] = keyCode;
    object["modifiers"] = modifiers;
    object["keyName"] = keyName;
    try {
        return object.dump();
    } catch (const nlohmann::json::type_error&) {
        throw std::invalid_argument("the shortcut's key name is not valid UTF-8");
    }
}

std::optional<Shortcut> Shortcut::fromJson(std::string_view json) {
    // The parser refuses ill-formed UTF-8 and lone surrogate escapes in strings.
    const nlohmann::json object = nlohmann::json::parse(json.begin(), json.end(), nullptr, false);
    if (!object.is_object())
        return std::nullopt;
    const std::optional<std::uint32_t> keyCode = readUInt32(object, "keyCode");
    const std::optional<std::uint32_t> modifiers = readUInt32(object, "modifiers");
    const auto keyName = object.find("keyName");
    if (!keyCode || !modifiers || keyName == object.end() || !keyName->is_string())
        return std::nullopt;
    return Shortcut{*keyCode, *modifiers, keyName->get<std::string>()};
}

Shortcut Shortcut::saved(const SettingsStore& settings) {
    const std::optional<std::string> stored = settings.value(settingsKey);
    if (!stored)
        return defaultPicker();
    return fromJson(*stored).value_or(defaultPicker());
}

void Shortcut::save(const Shortcut& shortcut, SettingsStore& settings) {
    std::string json;
    try {
        json = shortcut.toJson();
    } catch (const std::invalid_argument&) {
        // A stale value would come back at the next launch as if it had been saved.
        settings.remove(settingsKey);
        return;
    }
    settings.setValue(settingsKey, json);
}

} // namespace quillo
