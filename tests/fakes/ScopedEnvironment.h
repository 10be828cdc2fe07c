#pragma once

#include <cstdlib>
#include <ctime>
#include <map>
#include <optional>
#include <string>

namespace quillo::testing {

/// Sets environment variables for one test and puts the old values back. The C library
/// is told of each change, as the time functions read TZ only when told.
class ScopedEnvironment {
public:
    /// Unsets the variable when `value` is null.
    void set(const char* name, const char* value) {
        if (!saved_.contains(name)) {
            const char* old = std::getenv(name);
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
        tzset();
    }
    ~ScopedEnvironment() {
        for (const auto& [name, value] : saved_) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
        tzset();
    }

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

} // namespace quillo::testing
