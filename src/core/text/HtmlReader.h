#pragma once

#include "StyledText.h"

#include <string_view>

namespace quillo {

/// Reads HTML into styled text laid out as a browser lays out lines, on the gumbo HTML5
/// parser, and keeps hostile input cheap: gumbo takes time quadratic in the nesting depth
/// and memory quadratic in some misnested markup, so fragments are tamed before parsing.
namespace HtmlReader {

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
