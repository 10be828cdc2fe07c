#pragma once

#include <optional>
#include <string>

namespace quillo {

/// The user's settings, text values by key ("pickerShortcut", "didFirstLaunch").
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual std::optional<std::string> value(const std::string& key) const = 0;
    virtual void setValue(const std::string& key, const std::string& value) = 0;
    virtual void remove(const std::string& key) = 0;
};

} // namespace quillo
