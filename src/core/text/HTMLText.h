#pragma once

#include "StyledText.h"

#include <optional>
#include <string>
#include <string_view>

namespace quillo {

/// Conversions between the program's HTML fragments, plain text and styled text.
///
/// A rich snippet's body is an HTML fragment: one `div` per line ("<div><br></div>" for an
/// empty line), inline `b`, `i`, `u`, `s`, colour spans and links, text escaped with
/// `escape`. Every conversion accepts any HTML a user may paste, and runs in time linear
/// in its input.
namespace HTMLText {

/// Escapes "&", "<", ">", the double quote and the apostrophe, in that order.
std::string escape(std::string_view text);

/// Decodes the few named entities snippets use (nbsp reads as an ordinary space),
/// decimal and hexadecimal character references, and "&amp;" last, so that "&amp;lt;"
/// gives "&lt;". Anything else stays as written.
std::string decodeEntities(std::string_view text);

/// The text of an HTML fragment for previews, search and the plain clipboard flavour:
/// tags removed, one line per block, list items as "• ", entities decoded, at most one
/// empty line in a row, no blank lines at either end.
std::string plainTextFromHTML(std::string_view html);

/// A plain text as a fragment of the program's HTML: one `div` per line, runs of spaces
/// and tabs kept with no-break spaces.
std::string htmlFromPlain(std::string_view text);

/// The HTML without font families (declarations, and the face attribute of `font`);
/// sizes, colours and other styling stay.
std::string removingFonts(std::string_view html);

/// Reads an HTML fragment as a browser would lay it out, into styled text. Absent only
/// when the input cannot be read at all.
std::optional<StyledText> attributedStringFromHTML(std::string_view html);

/// Styled text as the program's own HTML: one `div` per line, `b`, `i`, `u`, `s`, colour
/// spans (none for black and dark greys) and links.
std::string htmlFromAttributed(const StyledText& text);

} // namespace HTMLText

} // namespace quillo
