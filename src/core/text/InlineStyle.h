#pragma once

#include "StyledText.h"

#include <optional>
#include <string_view>

namespace quillo::HtmlReader {

enum class Display { unchanged, none, block, inlineBox };
enum class WhiteSpace { collapse, preserve, preserveLineFeeds };

/// What an inline `style` attribute says about the properties the reader honours.
struct Declarations {
    std::optional<RgbColor> color;
    std::optional<bool> bold;
    std::optional<bool> italic;
    std::optional<bool> underline; // set together with strikethrough: the element's lines
    std::optional<bool> strikethrough;
    Display display = Display::unchanged;
    std::optional<WhiteSpace> whiteSpace;
};

/// Declarations split at semicolons outside quotes and parentheses; comments dropped.
Declarations readStyle(std::string_view style);

/// The text without HTML white space at either end.
std::string_view trimmedSpace(std::string_view text);

} // namespace quillo::HtmlReader
