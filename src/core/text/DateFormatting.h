#pragma once

#include "core/platform/Clock.h"

#include <memory>
#include <string>
#include <string_view>
#include <unicode/locid.h>
#include <unicode/timezone.h>

namespace quillo {

/// The locale and time zone that dates are written in, and the writing itself: the
/// locale's date and time styles, date patterns (UTS #35) and relative wording.
/// Copies are cheap and share the time zone, which is never changed.
class DateFormatting {
public:
    /// A fixed locale ("de_DE") and time zone ("Europe/Berlin"). An unknown zone reads as
    /// UTC; an unknown locale falls back as ICU's locale data does.
    DateFormatting(std::string localeId, std::string timeZoneId);

    /// The user's locale (see `environmentLocaleId`) and the host's time zone, which
    /// honours TZ.
    static DateFormatting fromEnvironment();

    /// The locale the environment names for dates: the first of LC_ALL, LC_TIME and LANG
    /// that is set and not empty, without encoding or modifier ("de_DE.UTF-8@euro" gives
    /// "de_DE"); "C", "POSIX" or nothing at all give "en_US_POSIX".
    static std::string environmentLocaleId();

    const std::string& localeId() const { return localeId_; }
    std::string timeZoneId() const;

    /// `date` written for a date placeholder (`time` false) or a time placeholder. An
    /// empty style is the long date or the short time; "short", "medium", "long" and
    /// "full" (any case) are the locale's styles for the date part alone or the time part
    /// alone; anything else is a date pattern, used as written for both.
    std::string format(Date date, std::string_view style, bool time) const;

    /// How far `date` lies from `now`, worded in the locale with full unit names, such as
    /// "2 hours ago" or "in 3 days": the largest of years (365 days), months (30 days),
    /// weeks, days, hours, minutes and seconds whose whole count is not zero.
    std::string relativeTime(Date date, Date now) const;

private:
    DateFormatting(std::string localeId, std::unique_ptr<icu::TimeZone> zone);

    std::string localeId_;
    icu::Locale locale_;
    std::shared_ptr<const icu::TimeZone> zone_;
};

} // namespace quillo
