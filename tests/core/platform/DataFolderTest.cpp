#include "core/platform/DataFolder.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace quillo {
namespace {

// Sets an environment variable for one test and puts the old value back.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedVariable() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(DataFolder, followsTheXdgRules) {
    const ScopedVariable home("HOME", "/home/ann");
    {
        const ScopedVariable xdg("XDG_DATA_HOME", "/data/ann");
        EXPECT_EQ(userDataFolder(), "/data/ann");
    }
    {
        const ScopedVariable xdg("XDG_DATA_HOME", nullptr);
        EXPECT_EQ(userDataFolder(), "/home/ann/.local/share");
    }
    {
        const ScopedVariable xdg("XDG_DATA_HOME", "");
        EXPECT_EQ(userDataFolder(), "/home/ann/.local/share");
    }
    {
        // A relative value is not allowed by the rules, and would depend on the
        // folder the program happened to start in.
        const ScopedVariable xdg("XDG_DATA_HOME", "relative/data");
        EXPECT_EQ(userDataFolder(), "/home/ann/.local/share");
    }
}

} // namespace
} // namespace quillo
