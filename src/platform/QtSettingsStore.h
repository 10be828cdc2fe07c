#pragma once

#include "core/platform/SettingsStore.h"

#include <QSettings>
#include <filesystem>

namespace quillo {

/// The per-user configuration folder: $XDG_CONFIG_HOME when it is an absolute path, else
/// ~/.config (the XDG base directory rules).
std::filesystem::path userConfigFolder();

/// The settings as text values in an INI file.
class QtSettingsStore final : public SettingsStore {
public:
    explicit QtSettingsStore(const std::filesystem::path& file);

    /// The user's settings file: Quillo/Quillo.conf in the configuration folder.
    static std::filesystem::path userFile();

    std::optional<std::string> value(const std::string& key) const override;
    void setValue(const std::string& key, const std::string& value) override;
    void remove(const std::string& key) override;

private:
    void write();

    QSettings settings_;
};

} // namespace quillo
