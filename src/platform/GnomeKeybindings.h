#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quillo {

/// Quillo's entry among GNOME's custom keyboard shortcuts, kept in GSettings: the relocatable
/// schema org.gnome.settings-daemon.plugins.media-keys.custom-keybinding at a path of ours,
/// listed in the media-keys schema's "custom-keybindings". GNOME runs its command on each
/// press, and lists it in Settings where the user can change or remove it. Other entries of
/// the list are never changed, moved or overwritten.
class GnomeKeybindings {
public:
    /// True where GNOME's media-keys schemas are installed; without them every call here does
    /// nothing.
    static bool isAvailable();

    /// The command line that opens the picker: `program` quoted the way GNOME splits it.
    static std::string pickerCommand(const std::string& program);

    /// `command` is what our entry runs (see pickerCommand); entries under our paths that run
    /// anything else are the user's.
    explicit GnomeKeybindings(std::string command);

    /// Sets our entry to `accelerator` ("<Control><Alt>space"), adding it to the end of the
    /// list if it isn't there; written through before returning. False when it couldn't be.
    bool install(const std::string& accelerator);
    /// Takes our entry out of the list and clears it.
    void remove();
    /// The accelerator of our listed entry; absent when there is none.
    std::optional<std::string> installedAccelerator() const;

    /// Who else in GNOME answers the same press as `accelerator`: a built-in shortcut by its
    /// summary ("Maximize window"), or another custom shortcut by its name. Absent when none.
    std::optional<std::string> holderOf(const std::string& accelerator) const;

private:
    /// The listed entry that is ours, if any.
    std::optional<std::string> ourPath(const std::vector<std::string>& listed) const;

    std::string command_;
};

} // namespace quillo
