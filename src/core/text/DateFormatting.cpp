#include "DateFormatting.h"

#include "IcuRegex.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <unicode/datefmt.h>
#include <unicode/reldatefmt.h>
#include <unicode/smpdtfmt.h>

namespace quillo {

namespace {

UDate icuDate(Date date) {
    // ICU counts milliseconds; round towards the past like the seconds of a clock do.
    const auto millis = std::chrono::floor<std::chrono::milliseconds>(date);
    return static_cast<UDate>(millis.time_since_epoch().count());
}

std::string asciiLowercase(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return result;
}

// The named style, or kNone when the text is not a style name (and so is a pattern).
icu::DateFormat::EStyle namedStyle(std::string_view style, bool time) {
    // Only ASCII letters lowercase into these names, so ASCII lowercasing suffices.
    const std::string name = asciiLowercase(style);
    if (name.empty())
        return time ? icu::DateFormat::kShort : icu::DateFormat::kLong;
    if (name == "short")
        return icu::DateFormat::kShort;
    if (name == "medium")
        return icu::DateFormat::kMedium;
    if (name == "long")
        return icu::DateFormat::kLong;
    if (name == "full")
        return icu::DateFormat::kFull;
    return icu::DateFormat::kNone;
}

} // namespace

DateFormatting::DateFormatting(std::string localeId, std::string timeZoneId)
    : DateFormatting(
          std::move(localeId),
          std::unique_ptr<icu::TimeZone>(icu::TimeZone::createTimeZone(toUnicode(timeZoneId)))) {}

DateFormatting::DateFormatting(std::string localeId, std::unique_ptr<icu::TimeZone> zone)
    : localeId_(std::move(localeId)), locale_(localeId_.c_str()), zone_(std::move(zone)) {}

DateFormatting DateFormatting::fromEnvironment() {
    // detectHostTimeZone reads TZ afresh, where ICU's default zone stays as first read.
    // The zone is kept as detected: a POSIX TZ rule has no identifier to look up again.
    return DateFormatting(environmentLocaleId(),
                          std::unique_ptr<icu::TimeZone>(icu::TimeZone::detectHostTimeZone()));
}

std::string DateFormatting::environmentLocaleId() {
    std::string_view value;
    for (const char* name : {"LC_ALL", "LC_TIME", "LANG"}) {
        const char* set = std::getenv(name);
        if (set != nullptr && *set != '\0') {
            value = set;
            break;
        }
    }
    value = value.substr(0, value.find_first_of(".@"));
    if (value.empty() || value == "C" || value == "POSIX")
        return "en_US_POSIX";
    return std::string(value);
}

std::string DateFormatting::timeZoneId() const {
    icu::UnicodeString id;
    zone_->getID(id);
    return toUtf8(id);
}

std::string DateFormatting::format(Date date, std::string_view style, bool time) const {
    const icu::DateFormat::EStyle named = namedStyle(style, time);
    std::unique_ptr<icu::DateFormat> formatter;
    UErrorCode status = U_ZERO_ERROR;
    if (named == icu::DateFormat::kNone) {
        formatter = std::make_unique<icu::SimpleDateFormat>(toUnicode(style), locale_, status);
    } else if (time) {
        formatter.reset(icu::DateFormat::createTimeInstance(named, locale_));
    } else {
        formatter.reset(icu::DateFormat::createDateInstance(named, locale_));
    }
    if (U_FAILURE(status) || formatter == nullptr)
        return {};
    formatter->setTimeZone(*zone_);
    icu::UnicodeString result;
    icu::FieldPosition position;
    formatter->format(icuDate(date), result, position, status);
    return U_SUCCESS(status) ? toUtf8(result) : std::string();
}

std::string DateFormatting::relativeTime(Date date, Date now) const {
    struct Unit {
        std::int64_t seconds;
        URelativeDateTimeUnit unit;
    };
    constexpr std::int64_t day = 24 * 60 * 60;
    constexpr std::array<Unit, 7> units{{
        {365 * day, UDAT_REL_UNIT_YEAR},
        {30 * day, UDAT_REL_UNIT_MONTH},
        {7 * day, UDAT_REL_UNIT_WEEK},
        {day, UDAT_REL_UNIT_DAY},
        {60 * 60, UDAT_REL_UNIT_HOUR},
        {60, UDAT_REL_UNIT_MINUTE},
        {1, UDAT_REL_UNIT_SECOND},
    }};
    const std::int64_t seconds =
        std::chrono::duration_cast<std::chrono::seconds>(date - now).count();
    Unit chosen = units.back();
    for (const Unit& unit : units) {
        if (seconds / unit.seconds != 0) {
            chosen = unit;
            break;
        }
    }
    UErrorCode status = U_ZERO_ERROR;
    const icu::RelativeDateTimeFormatter formatter(locale_, nullptr, UDAT_STYLE_LONG,
                                                   UDISPCTX_CAPITALIZATION_NONE, status);
    icu::UnicodeString result;
    formatter.formatNumeric(static_cast<double>(seconds / chosen.seconds), chosen.unit, result,
                            status);
    return U_SUCCESS(status) ? toUtf8(result) : std::string();
}

} // namespace quillo
