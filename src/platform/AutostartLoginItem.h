#pragma once

#include "core/platform/LoginItem.h"

#include <filesystem>
#include <string>

namespace quillo {

/// Opening at login through an XDG autostart entry, autostart/quillo.desktop in the
/// configuration folder. The entry starts the program with --autostart.
class AutostartLoginItem final : public LoginItem {
public:
    AutostartLoginItem(std::filesystem::path configFolder, std::filesystem::path programPath);

    /// True when the entry exists and isn't switched off (Hidden, or GNOME's own switch).
    bool isEnabled() const override;
    /// Writes or removes the entry. Throws LoginItemError.
    void setEnabled(bool enabled) override;

    /// `argument` as one argument of an Exec line: quoted and escaped as desktop entries
    /// require when it holds a reserved character.
    static std::string execArgument(const std::string& argument);

private:
    std::string entry() const;

    std::filesystem::path entryFile_;
    std::filesystem::path programPath_;
};

} // namespace quillo
