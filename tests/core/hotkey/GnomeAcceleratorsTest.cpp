#include "core/hotkey/GnomeAccelerators.h"

#include <gtest/gtest.h>

namespace quillo {
namespace {

constexpr std::uint32_t control = 0x1000, option = 0x800, shift = 0x200, command = 0x100;

TEST(GnomeAccelerators, ReadsGtksAliasesAndRefusesWhatOursCantBe) {
    using Parsed = ParsedAccelerator;
    EXPECT_EQ(parseGnomeAccelerator("<Primary><Mod1>F1"), (Parsed{control | option, "F1"}));
    EXPECT_EQ(parseGnomeAccelerator("<ctrl><SHIFT><mod4>Page_Up"),
              (Parsed{control | shift | command, "Page_Up"}));
    for (const char* refused : {"", "disabled", "<Control>", "<Control", "<Hyper>a", "<Meta>a"})
        EXPECT_EQ(parseGnomeAccelerator(refused), std::nullopt) << refused;
}

} // namespace
} // namespace quillo
