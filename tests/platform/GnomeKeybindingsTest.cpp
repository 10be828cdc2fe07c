// Our entry among GNOME's custom shortcuts, through GSettings (the run's keyfile, see main).
#include "core/hotkey/Shortcut.h"
#include "core/platform/KeyEvent.h"
#include "platform/GnomeHotKeyService.h"
#include "platform/KeyTranslation.h"

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <xkbcommon/xkbcommon-keysyms.h>

namespace quillo::testing {
namespace {

using Strings = std::vector<std::string>;
const std::string folder = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/";
constexpr const char* fieldKeys[] = {"name", "command", "binding"};
constexpr const char* mediaKeys = "org.gnome.settings-daemon.plugins.media-keys";
constexpr std::uint32_t controlAlt = ShortcutModifier::control | ShortcutModifier::option,
                        shift = ShortcutModifier::shift, command = ShortcutModifier::command;

std::uint32_t keyOf(std::uint32_t keysym) {
    return *keys::keyCodeForKeysym(keysym);
}

GSettings* entryAt(const std::string& path) {
    return g_settings_new_with_path(
        "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding", (folder + path).c_str());
}

/// The user's own custom shortcut: name, command and binding.
void setEntry(const std::string& path, const Strings& fields) {
    g_autoptr(GSettings) entry = entryAt(path);
    for (std::size_t i = 0; i < fields.size(); ++i)
        g_settings_set_string(entry, fieldKeys[i], fields[i].c_str());
}
Strings entry(const std::string& path) {
    g_autoptr(GSettings) entry = entryAt(path);
    Strings fields;
    for (const char* key : fieldKeys) {
        g_autofree gchar* value = g_settings_get_string(entry, key);
        fields.emplace_back(value);
    }
    return fields;
}

Strings listed() {
    g_autoptr(GSettings) settings = g_settings_new(mediaKeys);
    g_auto(GStrv) paths = g_settings_get_strv(settings, "custom-keybindings");
    return {paths, paths + g_strv_length(paths)};
}
void setListed(const Strings& paths) {
    std::vector<const char*> strings;
    for (const std::string& path : paths)
        strings.push_back(path.c_str());
    strings.push_back(nullptr);
    g_autoptr(GSettings) settings = g_settings_new(mediaKeys);
    g_settings_set_strv(settings, "custom-keybindings", strings.data());
}

class GnomeKeybindingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        // GLib's complaints about what we ask of it stop the test.
        fatal_ = g_log_set_always_fatal(
            static_cast<GLogLevelFlags>(G_LOG_FATAL_MASK | G_LOG_LEVEL_CRITICAL));
        if (!GnomeKeybindings::isAvailable())
            GTEST_SKIP() << "GNOME's settings schemas are not installed";
    }
    void TearDown() override { g_log_set_always_fatal(fatal_); }

    GLogLevelFlags fatal_{};
};

TEST_F(GnomeKeybindingsTest, AddsOursAfterTheUsersEntriesAndTakesOnlyOursAway) {
    // One of the user's own sits where ours would go; a hand-edited list may hold anything.
    const Strings notes{"Notes", "notes", "<Super>q"};
    setEntry("quillo/", notes);
    const Strings users{folder + "custom0/", "not a path", folder + "quillo/"};
    setListed(users);

    GnomeHotKeyService hotKeys("/opt/My Apps/quillo");
    int changes = 0;
    hotKeys.setChangedHandler([&] { ++changes; });
    ASSERT_EQ(hotKeys.registerHotKey(KeyCode::space, controlAlt), 0);
    EXPECT_EQ(listed(), users);
    ASSERT_EQ(hotKeys.setUpInDesktop(true), 0);
    EXPECT_TRUE(hotKeys.isSetUpInDesktop());
    Strings withOurs = users;
    withOurs.push_back(folder + "quillo1/");
    EXPECT_EQ(listed(), withOurs);
    EXPECT_EQ(entry("quillo1/"),
              (Strings{"Quillo", "'/opt/My Apps/quillo' --picker", "<Control><Alt>space"}));

    // Ours doesn't count against it at the next start; a new shortcut moves it, quitting keeps it.
    EXPECT_EQ(hotKeys.registerHotKey(KeyCode::space, controlAlt), 0);
    ASSERT_EQ(hotKeys.registerHotKey(keyOf(XKB_KEY_k), controlAlt | shift), 0);
    hotKeys.unregisterHotKey();
    EXPECT_EQ(listed(), withOurs);
    EXPECT_EQ(entry("quillo1/")[2], "<Shift><Control><Alt>k");

    ASSERT_EQ(hotKeys.setUpInDesktop(false), 0);
    EXPECT_EQ(changes, 2);
    EXPECT_FALSE(hotKeys.isSetUpInDesktop());
    EXPECT_EQ(listed(), users);
    EXPECT_EQ(entry("quillo/"), notes);
}

TEST_F(GnomeKeybindingsTest, RefusesCombinationsGnomeOrAnotherShortcutHolds) {
    setEntry("custom0/", {"Terminal", "kgx", "<Super>t"});
    setListed({folder + "custom0/"});
    GnomeHotKeyService hotKeys("/usr/bin/quillo");
    const auto holderOfRefused = [&](std::uint32_t keyCode, std::uint32_t modifiers) {
        EXPECT_EQ(hotKeys.registerHotKey(keyCode, modifiers), GnomeHotKeyService::heldByOther);
        return hotKeys.holderOf(keyCode, modifiers);
    };
    EXPECT_EQ(holderOfRefused(KeyCode::upArrow, command), "Maximize window");
    // GNOME writes these "<Primary><Alt>F1" and "<Ctrl><Shift><Alt>R".
    EXPECT_EQ(holderOfRefused(keyOf(XKB_KEY_F1), controlAlt), "Switch to VT 1");
    EXPECT_EQ(holderOfRefused(keyOf(XKB_KEY_r), controlAlt | shift),
              "Record a screencast interactively");
    EXPECT_EQ(holderOfRefused(keyOf(XKB_KEY_t), command), "Terminal");
    // Refused, the combination isn't kept to be set up later.
    EXPECT_EQ(hotKeys.setUpInDesktop(true), GnomeHotKeyService::unknownKey);
    EXPECT_EQ(listed(), Strings{folder + "custom0/"});
}

} // namespace
} // namespace quillo::testing
