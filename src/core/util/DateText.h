#pragma once

#include "core/platform/Clock.h"

#include <optional>
#include <string>
#include <string_view>

namespace quillo {

/// ISO 8601 date-time in UTC to the whole second, such as "2026-12-05T03:54:06Z".
/// The fraction of a second is dropped. Years outside 0000 to 9999 are written as the
/// nearest moment inside that range, so that whatever is written can be read back.
std::string iso8601String(Date date);

/// Reads an ISO 8601 internet date-time: "yyyy-MM-ddTHH:mm:ss" then "Z" or an offset
/// "+HH:MM" / "-HH:MM". No fraction, no other forms. Absent when the text is not one,
/// or names a day or time that does not exist.
std::optional<Date> parseIso8601(std::string_view text);

/// The local date, "yyyy-MM-dd", in the process's time zone with ASCII digits.
std::string localDayStamp(Date date);

/// The local date and time, "yyyy-MM-dd HHmmss" (24-hour clock, no separator in the time).
std::string localDateTimeStamp(Date date);

} // namespace quillo
