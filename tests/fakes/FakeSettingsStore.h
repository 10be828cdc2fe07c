#pragma once

#include "core/platform/SettingsStore.h"

#include <map>
#include <string>

namespace quillo::testing {

/// Settings kept in memory; the test reads and writes `values` directly.
class FakeSettingsStore final : public SettingsStore {
public:
    std::optional<std::string> value(const std::string& key) const override {
        const auto found = values.find(key);
        if (found == values.end())
            return std::nullopt;
        return found->second;
    }
    void setValue(const std::string& key, const std::string& value) override {
        values[key] = value;
    }
    void remove(const std::string& key) override { values.erase(key); }

    std::map<std::string, std::string> values;
};

} // namespace quillo::testing
