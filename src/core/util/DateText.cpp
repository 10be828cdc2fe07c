#include "DateText.h"

#include <array>
#include <cstdio>
#include <ctime>

namespace quillo {

namespace {

using namespace std::chrono;

constexpr sys_seconds earliestWritable = sys_days{year{0} / January / 1};
constexpr sys_seconds latestWritable =
    sys_days{year{9999} / December / 31} + hours{23} + minutes{59} + seconds{59};

// Reads `count` ASCII digits at `at`; -1 if any is not a digit.
int digits(std::string_view text, std::size_t at, std::size_t count) {
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string localStamp(Date date, const char* format) {
    const auto seconds =
        static_cast<std::time_t>(floor<std::chrono::seconds>(date).time_since_epoch().count());
    std::tm parts{};
    localtime_r(&seconds, &parts);
    std::array<char, 64> buffer{};
    const std::size_t length = std::strftime(buffer.data(), buffer.size(), format, &parts);
    return std::string(buffer.data(), length);
}

} // namespace

std::string iso8601String(Date date) {
    sys_seconds whole = floor<seconds>(date);
    if (whole < earliestWritable)
        whole = earliestWritable;
    if (whole > latestWritable)
        whole = latestWritable;
    const sys_days day = floor<days>(whole);
    const year_month_day ymd{day};
    const hh_mm_ss time{whole - day};
    std::array<char, 32> buffer{};
    const int length = std::snprintf(
        buffer.data(), buffer.size(), "%04d-%02u-%02uT%02d:%02d:%02dZ", int(ymd.year()),
        unsigned(ymd.month()), unsigned(ymd.day()), static_cast<int>(time.hours().count()),
        static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count()));
    return std::string(buffer.data(), static_cast<std::size_t>(length));
}

std::optional<Date> parseIso8601(std::string_view text) {
    // 2026-12-05T03:54:06Z or 2026-12-05T03:54:06+01:00
    if (text.size() != 20 && text.size() != 25)
        return std::nullopt;
    if (text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' || text[16] != ':')
        return std::nullopt;
    const int y = digits(text, 0, 4);
    const int mo = digits(text, 5, 2);
    const int d = digits(text, 8, 2);
    const int h = digits(text, 11, 2);
    const int mi = digits(text, 14, 2);
    const int s = digits(text, 17, 2);
    if (y < 0 || mo < 0 || d < 0 || h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 || s > 59)
        return std::nullopt;
    const year_month_day ymd{year{y}, month{static_cast<unsigned>(mo)},
                             day{static_cast<unsigned>(d)}};
    if (!ymd.ok())
        return std::nullopt;

    minutes offset{0};
    if (text.size() == 20) {
        if (text[19] != 'Z')
            return std::nullopt;
    } else {
        const char sign = text[19];
        const int oh = digits(text, 20, 2);
        const int om = digits(text, 23, 2);
        if ((sign != '+' && sign != '-') || text[22] != ':' || oh < 0 || oh > 23 || om < 0 ||
            om > 59)
            return std::nullopt;
        offset = hours{oh} + minutes{om};
        if (sign == '-')
            offset = -offset;
    }
    const sys_seconds local = sys_days{ymd} + hours{h} + minutes{mi} + seconds{s};
    return Date{local - offset};
}

std::string localDayStamp(Date date) {
    return localStamp(date, "%Y-%m-%d");
}

std::string localDateTimeStamp(Date date) {
    return localStamp(date, "%Y-%m-%d %H%M%S");
}

} // namespace quillo
