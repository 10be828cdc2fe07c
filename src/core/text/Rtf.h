#pragma once

#include "StyledText.h"

#include <string>

namespace quillo {

/// The styled text as a complete RTF 1 document, for the clipboard's RTF flavour: one
/// Helvetica font at 12 points, bold, italic, underline, strikethrough, colours from a
/// colour table, links as HYPERLINK fields, each line feed a paragraph break. Characters
/// outside ASCII are written as Unicode escapes (with "?" as the fallback), control
/// characters other than tab and line feed are left out.
std::string rtfFromStyledText(const StyledText& text);

} // namespace quillo
