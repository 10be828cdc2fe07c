#include "core/text/DateFormatting.h"

#include "fakes/Dates.h"
#include "fakes/ScopedEnvironment.h"

#include <gtest/gtest.h>

namespace quillo {
namespace {

using testing::ScopedEnvironment;
using testing::utc;
using namespace std::chrono_literals;

// ICU 72 (CLDR 42) writes a narrow no-break space before AM and PM.
#define NNBSP "\u202F"

// Saturday 5 December 2026, 03:54:06 UTC.
const Date moment = utc(2026, 12, 5, 3, 54, 6);

TEST(DateFormatting, stylesInAnyCaseOrPatternsInTheZoneGivenOrUtc) {
    const DateFormatting us("en_US", "America/New_York");
    struct Case {
        const char* style;
        const char* date;
        const char* time;
    };
    for (const Case& c : std::initializer_list<Case>{
             {"", "December 4, 2026", "10:54" NNBSP "PM"},
             {"short", "12/4/26", "10:54" NNBSP "PM"},
             {"Medium", "Dec 4, 2026", "10:54:06" NNBSP "PM"},
             {"LONG", "December 4, 2026", "10:54:06" NNBSP "PM EST"},
             {"full", "Friday, December 4, 2026", "10:54:06" NNBSP "PM Eastern Standard Time"},
             // A pattern keeps its case ("MM" the month, "mm" the minutes) and its quoted text.
             {"yyyy-MM-dd mm/MM", "2026-12-04 54/12", "2026-12-04 54/12"},
             {"h 'o''clock' a", "10 o'clock PM", "10 o'clock PM"},
         }) {
        EXPECT_EQ(us.format(moment, c.style, false), c.date) << c.style;
        EXPECT_EQ(us.format(moment, c.style, true), c.time) << c.style;
    }
    // The time zone decides the day; an unknown zone is UTC.
    const Date evening = utc(2026, 12, 5, 23, 30);
    EXPECT_EQ(DateFormatting("en_US", "Europe/Berlin").format(evening, "", false),
              "December 6, 2026");
    EXPECT_EQ(DateFormatting("en_US", "Not/AZone").format(evening, "yyyy-MM-dd HH:mm", true),
              "2026-12-05 23:30");
}

TEST(DateFormatting, relativeTimeTakesTheLargestWholeUnit) {
    const DateFormatting us("en_US", "UTC");
    const Date now = moment;
    const std::initializer_list<std::pair<std::chrono::microseconds, const char*>> cases{
        {-119min, "1 hour ago"},     {59s, "in 59 seconds"},     {90s, "in 1 minute"},
        {-13 * 24h, "1 week ago"},   {-29 * 24h, "4 weeks ago"}, {-30 * 24h, "1 month ago"},
        {364 * 24h, "in 12 months"}, {800 * 24h, "in 2 years"},  {0s, "in 0 seconds"},
        {-1500ms, "1 second ago"}, // a fraction of a second is no whole second
    };
    for (const auto& [offset, text] : cases)
        EXPECT_EQ(us.relativeTime(now + offset, now), text);
}

TEST(DateFormatting, theEnvironmentsLocaleComesFromTheFirstSetVariableAndItsTzIsHonoured) {
    ScopedEnvironment env;
    env.set("LC_ALL", "de_DE.UTF-8@euro");
    env.set("LC_TIME", "fr_FR.UTF-8");
    env.set("LANG", "ja_JP.UTF-8");
    EXPECT_EQ(DateFormatting::environmentLocaleId(), "de_DE");
    env.set("LC_ALL", "");
    EXPECT_EQ(DateFormatting::environmentLocaleId(), "fr_FR");
    env.set("LC_TIME", nullptr);
    EXPECT_EQ(DateFormatting::environmentLocaleId(), "ja_JP");
    env.set("LANG", "sv_SE@euro");
    EXPECT_EQ(DateFormatting::environmentLocaleId(), "sv_SE");
    for (const char* posix : {"C", "POSIX", "C.UTF-8", ""}) {
        env.set("LANG", posix);
        EXPECT_EQ(DateFormatting::environmentLocaleId(), "en_US_POSIX") << posix;
    }
    env.set("LANG", nullptr);
    EXPECT_EQ(DateFormatting::environmentLocaleId(), "en_US_POSIX");
    env.set("LC_ALL", nullptr);
    env.set("LC_TIME", "de_DE.UTF-8");
    env.set("TZ", "Asia/Tokyo");
    DateFormatting dates = DateFormatting::fromEnvironment();
    EXPECT_EQ(dates.localeId(), "de_DE");
    EXPECT_EQ(dates.timeZoneId(), "Asia/Tokyo");
    EXPECT_EQ(dates.format(moment, "", false), "5. Dezember 2026");
    EXPECT_EQ(dates.format(moment, "", true), "12:54");

    // A later change of TZ is seen, though ICU's default zone stays as first read.
    env.set("TZ", "America/New_York");
    dates = DateFormatting::fromEnvironment();
    EXPECT_EQ(dates.timeZoneId(), "America/New_York");
    EXPECT_EQ(dates.format(moment, "", false), "4. Dezember 2026");

    // A POSIX rule rather than a zone name: three hours behind UTC, no summer time.
    env.set("TZ", "XYZ3");
    EXPECT_EQ(DateFormatting::fromEnvironment().format(moment, "HH:mm", true), "00:54");
}

} // namespace
} // namespace quillo
