#pragma once

#include "StyledText.h"

#include <optional>
#include <string_view>

namespace quillo {

/// Colours as HTML and CSS write them.
namespace CssColor {

/// A named CSS colour ("red", "rebeccapurple"; any letter case), or absent.
std::optional<RgbColor> named(std::string_view name);

/// A CSS colour value: a named colour, #rgb, #rgba, #rrggbb, #rrggbbaa, or rgb()/rgba()
/// with numbers or percentages (alpha is read and ignored). Absent for anything else,
/// including keywords that name no fixed colour (inherit, currentcolor, transparent).
std::optional<RgbColor> parse(std::string_view value);

/// The colour of a presentational attribute such as `<font color=...>`, read by HTML's
/// rules for legacy colour values, which make a colour of nearly any text ("ff0000" is red).
std::optional<RgbColor> parseLegacy(std::string_view value);

} // namespace CssColor

} // namespace quillo
