#include "core/util/DateText.h"

#include "fakes/Dates.h"
#include "fakes/ScopedEnvironment.h"

#include <gtest/gtest.h>

namespace quillo {
namespace {

using testing::utc;
using namespace std::chrono_literals;

TEST(DateText, writesUtcToTheSecondDroppingTheFractionAndClampingTheYear) {
    EXPECT_EQ(iso8601String(utc(2026, 12, 5, 3, 54, 6)), "2026-12-05T03:54:06Z");
    EXPECT_EQ(iso8601String(utc(2026, 12, 5, 3, 54, 6) + 999ms), "2026-12-05T03:54:06Z");
    // Before 1970 the fraction still rounds towards the past, not towards zero.
    EXPECT_EQ(iso8601String(utc(1969, 12, 31, 23, 59, 59) + 500ms), "1969-12-31T23:59:59Z");
    // Years it cannot write are clamped, so that the file still reads.
    const std::string far = iso8601String(utc(12000, 1, 1));
    EXPECT_EQ(far, "9999-12-31T23:59:59Z");
    EXPECT_TRUE(parseIso8601(far));
    EXPECT_EQ(iso8601String(utc(-20, 1, 1)), "0000-01-01T00:00:00Z");
}

TEST(DateText, readsWhatItWritesAndOffsetsAndRefusesAnythingElse) {
    EXPECT_EQ(parseIso8601("2026-12-05T03:54:06Z"), utc(2026, 12, 5, 3, 54, 6));
    EXPECT_EQ(parseIso8601("2026-12-05T04:54:06+01:00"), utc(2026, 12, 5, 3, 54, 6));
    EXPECT_EQ(parseIso8601("2026-12-04T22:24:06-05:30"), utc(2026, 12, 5, 3, 54, 6));
    EXPECT_EQ(parseIso8601("2024-02-29T00:00:00Z"), utc(2024, 2, 29));
    for (const char* bad :
         {"", "2026-12-05", "2026-12-05T03:54:06", "2026-12-05 03:54:06Z",
          "2026-12-05T03:54:06.123Z", "2026-13-05T03:54:06Z", "2026-02-30T03:54:06Z",
          "2025-02-29T00:00:00Z", "2026-12-05T24:00:00Z", "2026-12-05T03:60:06Z",
          "2026-12-05T03:54:60Z", "2026-12-05T03:54:06z", "2026-12-05T03:54:06+0100",
          "2026-12-05T03:54:06+01:0x", "+026-12-05T03:54:06Z", "2026-12-05T03:54:06Z ",
          "２026-12-05T03:54:06Z"})
        EXPECT_FALSE(parseIso8601(bad)) << bad;
}

TEST(DateText, stampsUseLocalTime) {
    testing::ScopedEnvironment environment;
    environment.set("TZ", "Asia/Tokyo");
    const Date moment = utc(2026, 3, 1, 0, 5, 7);
    EXPECT_EQ(localDayStamp(moment), "2026-03-01");
    EXPECT_EQ(localDateTimeStamp(moment), "2026-03-01 090507");
    environment.set("TZ", "America/New_York");
    EXPECT_EQ(localDayStamp(moment), "2026-02-28");
}

} // namespace
} // namespace quillo
