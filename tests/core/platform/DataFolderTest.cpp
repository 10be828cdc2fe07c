#include "core/platform/DataFolder.h"

#include "fakes/ScopedEnvironment.h"

#include <gtest/gtest.h>

namespace quillo {
namespace {

TEST(DataFolder, followsTheXdgRules) {
    testing::ScopedEnvironment environment;
    environment.set("HOME", "/home/ann");
    environment.set("XDG_DATA_HOME", "/data/ann");
    EXPECT_EQ(userDataFolder(), "/data/ann");
    // Unset, empty, or relative: the rules don't allow a relative value, which would depend
    // on the folder the program happened to start in.
    for (const char* value : {static_cast<const char*>(nullptr), "", "relative/data"}) {
        environment.set("XDG_DATA_HOME", value);
        EXPECT_EQ(userDataFolder(), "/home/ann/.local/share") << (value ? value : "(unset)");
    }
}

} // namespace
} // namespace quillo
