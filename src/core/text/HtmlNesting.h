#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quillo::HtmlReader {

/// How deep elements may nest; browsers cap the depth of their documents at about this.
inline constexpr std::size_t maxDepth = 512;
/// How many formatting elements (b, i, font, a, ...) may be open or waiting to be
/// reopened at a time; each waiting one is cloned again for every later paragraph.
inline constexpr std::size_t maxActiveFormatting = 32;
/// How many attributes a tag keeps (a formatting element fewer: the parser compares their
/// attribute lists pairwise).
inline constexpr std::size_t maxAttributes = 64;
inline constexpr std::size_t maxFormattingAttributes = 16;

enum class Formatting {
    keep,
    /// Drop every formatting element (the fallback for markup that outgrows the budget).
    drop,
};

/// The fragment as the parser should see it: start tags (with their end tags) that would
/// nest deeper than maxDepth, or open more than maxActiveFormatting formatting elements,
/// are dropped, and long attribute lists are cut. All text stays. A linear scan that
/// follows the HTML tree builder's rules closely enough to overestimate the depth.
std::string limitNesting(std::string_view fragment, Formatting formatting = Formatting::keep);

// HTML's character classes, shared with the style and layout readers.
namespace detail {

inline bool isHtmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

inline char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace detail

} // namespace quillo::HtmlReader
