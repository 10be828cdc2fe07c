#pragma once

#include "DateFormatting.h"
#include "core/platform/Clock.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillo {

/// The template language of snippets: {{date}}, {{time:short}}, {{clipboard}} and fill-in
/// fields {{field:Name|Default}}. Anything else is literal text.
namespace Placeholders {

/// One fill-in field of a template; `name` is also its identity in lists.
struct Field {
    std::string name;
    std::string defaultValue;

    friend bool operator==(const Field&, const Field&) = default;
};

/// One placeholder found in a template.
struct Token {
    int32_t start = 0;  // in UTF-16 code units, at the first "{"
    int32_t length = 0; // in UTF-16 code units, up to and with the last "}"
    std::string kind;   // the keyword, lowercased
    std::string argument;
    std::string defaultValue;

    friend bool operator==(const Token&, const Token&) = default;
};

/// Field values by exact name, as the user typed them.
using Values = std::map<std::string, std::string>;

/// The placeholders of `text` in order. In HTML mode names, arguments and defaults are
/// read with their entities decoded.
std::vector<Token> tokens(std::string_view text, bool isHTML);

/// The distinct named fields of `text` in order of first appearance, each with the
/// default of its first occurrence.
std::vector<Field> fields(std::string_view text, bool isHTML);

/// `text` with its placeholders expanded; other text is copied byte for byte. In HTML
/// mode replacements are escaped and their line feeds become "<br>". Dates are written
/// with `dates`.
std::string render(std::string_view text, bool isHTML, const Values& values,
                   const std::optional<std::string>& clipboard, Date now,
                   const DateFormatting& dates);

/// The same with the user's locale and time zone, looked up only if a date is written.
std::string render(std::string_view text, bool isHTML, const Values& values,
                   const std::optional<std::string>& clipboard, Date now);

/// `date` as a {{date}} (`time` false) or {{time}} placeholder with argument `style`
/// writes it.
std::string formatDate(Date date, std::string_view style, bool time, const DateFormatting& dates);

} // namespace Placeholders

} // namespace quillo

template <> struct std::hash<quillo::Placeholders::Field> {
    std::size_t operator()(const quillo::Placeholders::Field& field) const noexcept {
        const std::size_t name = std::hash<std::string>{}(field.name);
        const std::size_t value = std::hash<std::string>{}(field.defaultValue);
        return name ^ (value + 0x9e3779b97f4a7c15ULL + (name << 6) + (name >> 2));
    }
};
