#include "core/text/DateFormatting.h"

#include "fakes/Dates.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <optional>

namespace quillo {
namespace {

using testing::utc;
using namespace std::chrono_literals;

// ICU 72 (CLDR 42) writes a narrow no-break space before AM and PM.
#define NNBSP "\u202F"

// Saturday 5 December 2026, 03:54:06 UTC.
const Date moment = utc(2026, 12, 5, 3, 54, 6);

TEST(DateFormatting, longDateAndShortTimeWhenNoStyleIsGiven) {
    const DateFormatting us("en_US", "UTC");
    EXPECT_EQ(us.format(moment, "", false), "December 5, 2026");
    EXPECT_EQ(us.format(moment, "", true), "3:54" NNBSP "AM");

    // The locale writes it, in the zone's time.
    const DateFormatting germany("de_DE", "Europe/Berlin");
    EXPECT_EQ(germany.format(moment, "", false), "5. Dezember 2026");
    EXPECT_EQ(germany.format(moment, "", true), "04:54");
}

TEST(DateFormatting, namedStylesForTheDateOrTheTimeAloneInAnyCase) {
    const DateFormatting us("en_US", "UTC");
    const std::map<std::string, std::pair<std::string, std::string>> expected{
        {"short", {"12/5/26", "3:54" NNBSP "AM"}},
        {"medium", {"Dec 5, 2026", "3:54:06" NNBSP "AM"}},
        {"long", {"December 5, 2026", "3:54:06" NNBSP "AM UTC"}},
        {"full", {"Saturday, December 5, 2026", "3:54:06" NNBSP "AM Coordinated Universal Time"}},
    };
    for (const auto& [style, texts] : expected) {
        std::string upper = style;
        for (char& c : upper)
            c = static_cast<char>(c - 'a' + 'A');
        const std::string capitalised = upper.substr(0, 1) + style.substr(1);
        for (const std::string& spelling : {style, capitalised, upper}) {
            EXPECT_EQ(us.format(moment, spelling, false), texts.first) << spelling;
            EXPECT_EQ(us.format(moment, spelling, true), texts.second) << spelling;
        }
    }
}

TEST(DateFormatting, anyOtherStyleIsAPatternForDatesAndTimesAlike) {
    const DateFormatting us("en_US", "America/New_York");
    for (const bool time : {false, true}) {
        EXPECT_EQ(us.format(moment, "yyyy-MM-dd HH:mm", time), "2026-12-04 22:54");
        EXPECT_EQ(us.format(moment, "HH:mm", time), "22:54");
        // Quoted text is literal; two apostrophes are one.
        EXPECT_EQ(us.format(moment, "'Week' w 'of' yyyy, h 'o''clock' a", time),
                  "Week 49 of 2026, 10 o'clock PM");
        // The pattern keeps its case: "MM" is the month, "mm" the minutes.
        EXPECT_EQ(us.format(moment, "mm/MM", time), "54/12");
    }
    // Month and day names come from the locale.
    EXPECT_EQ(DateFormatting("de_DE", "UTC").format(moment, "EEEE, d. MMMM", false),
              "Samstag, 5. Dezember");
}

TEST(DateFormatting, theTimeZoneDecidesTheDay) {
    // Late evening in New York is already the next morning in Tokyo and Berlin.
    const Date evening = utc(2026, 12, 5, 23, 30);
    EXPECT_EQ(DateFormatting("en_US", "America/New_York").format(evening, "", false),
              "December 5, 2026");
    EXPECT_EQ(DateFormatting("en_US", "Europe/Berlin").format(evening, "", false),
              "December 6, 2026");
    EXPECT_EQ(DateFormatting("en_US", "Asia/Tokyo").format(evening, "yyyy-MM-dd HH:mm", false),
              "2026-12-06 08:30");
    // Summer time moves the clock, not the date.
    EXPECT_EQ(
        DateFormatting("en_US", "Europe/Berlin").format(utc(2026, 7, 1, 12), "HH:mm zzzz", true),
        "14:00 Central European Summer Time");
}

TEST(DateFormatting, anUnknownZoneReadsAsUtc) {
    const DateFormatting lost("en_US", "Not/AZone");
    EXPECT_EQ(lost.format(moment, "HH:mm", true), "03:54");
}

TEST(DateFormatting, relativeTimeTakesTheLargestWholeUnit) {
    const DateFormatting us("en_US", "UTC");
    const Date now = moment;
    EXPECT_EQ(us.relativeTime(now - 2h, now), "2 hours ago");
    EXPECT_EQ(us.relativeTime(now + 3 * 24h, now), "in 3 days");
    EXPECT_EQ(us.relativeTime(now - 1h, now), "1 hour ago");
    EXPECT_EQ(us.relativeTime(now - 119min, now), "1 hour ago");
    EXPECT_EQ(us.relativeTime(now + 59s, now), "in 59 seconds");
    EXPECT_EQ(us.relativeTime(now + 90s, now), "in 1 minute");
    EXPECT_EQ(us.relativeTime(now - 13 * 24h, now), "1 week ago");
    EXPECT_EQ(us.relativeTime(now - 29 * 24h, now), "4 weeks ago");
    EXPECT_EQ(us.relativeTime(now - 30 * 24h, now), "1 month ago");
    EXPECT_EQ(us.relativeTime(now + 364 * 24h, now), "in 12 months");
    EXPECT_EQ(us.relativeTime(now + 800 * 24h, now), "in 2 years");
    EXPECT_EQ(us.relativeTime(now, now), "in 0 seconds");
    // A fraction of a second is no whole second.
    EXPECT_EQ(us.relativeTime(now - 1500ms, now), "1 second ago");
}

TEST(DateFormatting, relativeTimeIsWordedInTheLocale) {
    const Date now = moment;
    const DateFormatting germany("de_DE", "Europe/Berlin");
    EXPECT_EQ(germany.relativeTime(now - 2h, now), "vor 2 Stunden");
}

// Sets environment variables for one test and puts the old values back.
class Environment {
public:
    void set(const char* name, const char* value) {
        if (!saved_.contains(name)) {
            const char* old = std::getenv(name);
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~Environment() {
        for (const auto& [name, value] : saved_) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

TEST(DateFormatting, environmentLocaleComesFromTheFirstSetVariable) {
    Environment env;
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
}

TEST(DateFormatting, fromEnvironmentHonoursTheLocaleAndTz) {
    Environment env;
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
