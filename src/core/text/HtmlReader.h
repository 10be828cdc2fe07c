#pragma once

#include "StyledText.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace quillo {

/// Reads HTML into styled text laid out as a browser lays out lines, on the gumbo HTML5
/// parser, and keeps hostile input cheap: gumbo takes time quadratic in the nesting depth
/// and memory quadratic in some misnested markup, so fragments are tamed before parsing.
namespace HtmlReader {

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

struct Reading {
    enum class Status {
        read,
        /// The parser gave nothing.
        unreadable,
        /// The parse outgrew its memory budget and was abandoned.
        tooCostly,
    };
    Status status = Status::unreadable;
    StyledText text;
};

/// Parses a whole HTML document and lays out its body: blocks on lines of their own, list
/// markers, table cells separated by tabs, CSS white-space collapsing, inline styling from
/// tags and `style` attributes. Line feeds and tabs it adds carry no styling. The text ends
/// with a line feed when the document ends with a block.
Reading readDocument(std::string_view document);

} // namespace HtmlReader

} // namespace quillo
