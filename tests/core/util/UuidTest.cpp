#include "core/util/Uuid.h"

#include <gtest/gtest.h>

namespace quillo {
namespace {

TEST(Uuid, writesUpperCaseAndReadsEitherCaseButNothingMalformed) {
    const auto id = Uuid::parse("3f2b8c1e-9d4a-4e6f-8a1b-2c3d4e5f6a7b");
    ASSERT_TRUE(id);
    EXPECT_EQ(id->string(), "3F2B8C1E-9D4A-4E6F-8A1B-2C3D4E5F6A7B");
    EXPECT_EQ(Uuid::parse(id->string()), id);
    for (const char* bad :
         {"", "3F2B8C1E-9D4A-4E6F-8A1B-2C3D4E5F6A7", "3F2B8C1E9D4A4E6F8A1B2C3D4E5F6A7B",
          "{3F2B8C1E-9D4A-4E6F-8A1B-2C3D4E5F6A7B}", "3F2B8C1E-9D4A-4E6F-8A1B-2C3D4E5F6A7G",
          "3F2B8C1E-9D4A-4E6F-8A1B-2C3D4E5F6A7B ", "3F2B8C1E+9D4A-4E6F-8A1B-2C3D4E5F6A7B"})
        EXPECT_FALSE(Uuid::parse(bad)) << bad;
    EXPECT_FALSE(Uuid::parse(std::string_view("3F2B8C1E-9D4A-4E6F-8A1B-2C3D4E5F6A7\0", 36)));
}

} // namespace
} // namespace quillo
