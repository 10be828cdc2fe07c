#include "GnomeKeybindings.h"

#include "core/hotkey/GnomeAccelerators.h"

#include <algorithm>
#include <array>
#include <gio/gio.h>
#include <memory>
#include <string_view>
#include <xkbcommon/xkbcommon.h>

namespace quillo {

namespace {

constexpr const char* mediaKeysSchema = "org.gnome.settings-daemon.plugins.media-keys";
constexpr const char* customSchema =
    "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";
constexpr const char* listKey = "custom-keybindings";
constexpr std::string_view customFolder =
    "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/";
constexpr std::string_view ourName = "quillo";
// Enough for every entry a user could have made under our name.
constexpr int mostPaths = 100;

// Where GNOME keeps its own shortcuts: the window manager's, the shell's and the settings
// daemon's.
constexpr std::array shortcutSchemas{
    "org.gnome.desktop.wm.keybindings",
    "org.gnome.mutter.keybindings",
    "org.gnome.mutter.wayland.keybindings",
    "org.gnome.shell.keybindings",
    mediaKeysSchema,
};

struct Unref {
    void operator()(GSettings* settings) const { g_object_unref(settings); }
    void operator()(GSettingsSchema* schema) const { g_settings_schema_unref(schema); }
    void operator()(GSettingsSchemaKey* key) const { g_settings_schema_key_unref(key); }
    void operator()(GVariant* value) const { g_variant_unref(value); }
    void operator()(gchar** strings) const { g_strfreev(strings); }
    void operator()(gchar* text) const { g_free(text); }
};
template <class T> using Owned = std::unique_ptr<T, Unref>;

/// The schema when it is installed. GSettings aborts the program for a schema it can't
/// find, so nothing is opened without asking here first.
Owned<GSettingsSchema> installedSchema(const char* id) {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source)
        return nullptr;
    return Owned<GSettingsSchema>(g_settings_schema_source_lookup(source, id, TRUE));
}

/// GSettings takes a malformed path for a programmer's error; a hand-edited list may hold
/// one.
bool isValidPath(std::string_view path) {
    return path.starts_with('/') && path.ends_with('/') &&
           path.find("//") == std::string_view::npos;
}

Owned<GSettings> open(const char* schemaId, const char* path = nullptr) {
    const Owned<GSettingsSchema> schema = installedSchema(schemaId);
    if (!schema || (path && !isValidPath(path)))
        return nullptr;
    return Owned<GSettings>(g_settings_new_full(schema.get(), nullptr, path));
}

Owned<GSettings> customEntry(const std::string& path) {
    return open(customSchema, path.c_str());
}

std::string text(GSettings* settings, const char* key) {
    const Owned<gchar> value(g_settings_get_string(settings, key));
    return value.get();
}

std::vector<std::string> listed(GSettings* mediaKeys) {
    const Owned<gchar*> paths(g_settings_get_strv(mediaKeys, listKey));
    return {paths.get(), paths.get() + g_strv_length(paths.get())};
}

void setListed(GSettings* mediaKeys, const std::vector<std::string>& paths) {
    std::vector<const gchar*> strings;
    for (const std::string& path : paths)
        strings.push_back(path.c_str());
    strings.push_back(nullptr);
    g_settings_set_strv(mediaKeys, listKey, strings.data());
}

std::string commandAt(const std::string& path) {
    const Owned<GSettings> entry = customEntry(path);
    return entry ? text(entry.get(), "command") : std::string();
}

/// Our paths: ".../quillo/", then ".../quillo1/", ".../quillo2/"...
std::string ourPathNumbered(int number) {
    return std::string(customFolder) + std::string(ourName) +
           (number ? std::to_string(number) : std::string()) + "/";
}

bool isOurPathName(std::string_view path) {
    if (!path.starts_with(customFolder) || !path.ends_with('/'))
        return false;
    path.remove_prefix(customFolder.size());
    path.remove_suffix(1);
    if (!path.starts_with(ourName))
        return false;
    path.remove_prefix(ourName.size());
    return std::ranges::all_of(path, [](char c) { return c >= '0' && c <= '9'; });
}

/// Whether two accelerators are one press: the same modifiers and the same key, whatever
/// the case of its name ("<Shift>r" and "<Shift>R").
bool samePress(const ParsedAccelerator& wanted, std::string_view accelerator) {
    const std::optional<ParsedAccelerator> other = parseGnomeAccelerator(accelerator);
    if (!other || other->modifiers != wanted.modifiers)
        return false;
    const xkb_keysym_t key =
        xkb_keysym_from_name(wanted.keyName.c_str(), XKB_KEYSYM_CASE_INSENSITIVE);
    return key != XKB_KEY_NoSymbol &&
           key == xkb_keysym_from_name(other->keyName.c_str(), XKB_KEYSYM_CASE_INSENSITIVE);
}

/// The summary of the first key of `schemaId` holding the press, else its name.
std::optional<std::string> schemaHolder(const char* schemaId, const ParsedAccelerator& wanted) {
    const Owned<GSettingsSchema> schema = installedSchema(schemaId);
    if (!schema)
        return std::nullopt;
    const Owned<GSettings> settings(g_settings_new_full(schema.get(), nullptr, nullptr));
    const Owned<gchar*> keys(g_settings_schema_list_keys(schema.get()));
    for (gchar** name = keys.get(); *name; ++name) {
        // Paths, not accelerators.
        if (std::string_view(*name) == listKey)
            continue;
        const Owned<GSettingsSchemaKey> key(g_settings_schema_get_key(schema.get(), *name));
        const GVariantType* type = g_settings_schema_key_get_value_type(key.get());
        const Owned<GVariant> value(g_settings_get_value(settings.get(), *name));
        bool held = false;
        if (g_variant_type_equal(type, G_VARIANT_TYPE_STRING)) {
            held = samePress(wanted, g_variant_get_string(value.get(), nullptr));
        } else if (g_variant_type_equal(type, G_VARIANT_TYPE_STRING_ARRAY)) {
            gsize count = 0;
            const std::unique_ptr<const gchar*, decltype(&g_free)> accelerators(
                g_variant_get_strv(value.get(), &count), &g_free);
            held = std::any_of(accelerators.get(), accelerators.get() + count,
                               [&](const gchar* one) { return samePress(wanted, one); });
        }
        if (held) {
            const gchar* summary = g_settings_schema_key_get_summary(key.get());
            return std::string(summary && *summary ? summary : *name);
        }
    }
    return std::nullopt;
}

} // namespace

bool GnomeKeybindings::isAvailable() {
    return installedSchema(mediaKeysSchema) && installedSchema(customSchema);
}

std::string GnomeKeybindings::pickerCommand(const std::string& program) {
    // GNOME splits the command as a shell would (g_shell_parse_argv), and doubles any '%'
    // itself before that.
    const Owned<gchar> quoted(g_shell_quote(program.c_str()));
    return std::string(quoted.get()) + " --picker";
}

GnomeKeybindings::GnomeKeybindings(std::string command) : command_(std::move(command)) {}

std::optional<std::string> GnomeKeybindings::ourPath(const std::vector<std::string>& paths) const {
    for (const std::string& path : paths)
        if (isOurPathName(path) && commandAt(path) == command_)
            return path;
    return std::nullopt;
}

bool GnomeKeybindings::install(const std::string& accelerator) {
    const Owned<GSettings> mediaKeys = open(mediaKeysSchema);
    if (!mediaKeys)
        return false;
    std::vector<std::string> paths = listed(mediaKeys.get());
    std::optional<std::string> path = ourPath(paths);
    // A user's own entry may sit at one of our paths: the next free one is ours then.
    for (int number = 0; !path && number < mostPaths; ++number) {
        const std::string candidate = ourPathNumbered(number);
        const std::string command = commandAt(candidate);
        if (std::ranges::find(paths, candidate) == paths.end() &&
            (command.empty() || command == command_))
            path = candidate;
    }
    const Owned<GSettings> entry = path ? customEntry(*path) : nullptr;
    if (!entry)
        return false;
    // The entry is complete before GNOME finds it in the list.
    bool written = g_settings_set_string(entry.get(), "name", "Quillo") &&
                   g_settings_set_string(entry.get(), "command", command_.c_str()) &&
                   g_settings_set_string(entry.get(), "binding", accelerator.c_str());
    if (written && std::ranges::find(paths, *path) == paths.end()) {
        paths.push_back(*path);
        setListed(mediaKeys.get(), paths);
    }
    g_settings_sync();
    return written && installedAccelerator() == accelerator;
}

void GnomeKeybindings::remove() {
    const Owned<GSettings> mediaKeys = open(mediaKeysSchema);
    if (!mediaKeys)
        return;
    std::vector<std::string> paths = listed(mediaKeys.get());
    while (const std::optional<std::string> path = ourPath(paths)) {
        std::erase(paths, *path);
        setListed(mediaKeys.get(), paths);
        if (const Owned<GSettings> entry = customEntry(*path))
            for (const char* key : {"name", "command", "binding"})
                g_settings_reset(entry.get(), key);
    }
    g_settings_sync();
}

std::optional<std::string> GnomeKeybindings::installedAccelerator() const {
    const Owned<GSettings> mediaKeys = open(mediaKeysSchema);
    if (!mediaKeys)
        return std::nullopt;
    const std::optional<std::string> path = ourPath(listed(mediaKeys.get()));
    const Owned<GSettings> entry = path ? customEntry(*path) : nullptr;
    if (!entry)
        return std::nullopt;
    std::string binding = text(entry.get(), "binding");
    if (binding.empty())
        return std::nullopt;
    return binding;
}

std::optional<std::string> GnomeKeybindings::holderOf(const std::string& accelerator) const {
    const std::optional<ParsedAccelerator> wanted = parseGnomeAccelerator(accelerator);
    const Owned<GSettings> mediaKeys = open(mediaKeysSchema);
    if (!wanted || !mediaKeys)
        return std::nullopt;
    for (const char* schemaId : shortcutSchemas)
        if (std::optional<std::string> holder = schemaHolder(schemaId, *wanted))
            return holder;
    const std::vector<std::string> paths = listed(mediaKeys.get());
    const std::optional<std::string> ours = ourPath(paths);
    for (const std::string& path : paths) {
        const Owned<GSettings> entry = path == ours ? nullptr : customEntry(path);
        if (!entry || !samePress(*wanted, text(entry.get(), "binding")))
            continue;
        std::string name = text(entry.get(), "name");
        return name.empty() ? text(entry.get(), "command") : name;
    }
    return std::nullopt;
}

} // namespace quillo
