#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillo {

/// The tag step of `HTMLText::plainTextFromHTML` in one pass over UTF-8 bytes, for the
/// usual fragment. Its regular expressions, run one after another, turn line breaks,
/// block ends and list items into line feeds ("\n• " for an item) and remove every other
/// tag; when no tag holds a "<" or a non-ASCII byte, each tag meets them as it stands in
/// the input, so each can be read on its own, left to right.
namespace HtmlTagScan {

/// The text with its tags replaced, or nothing for a fragment where a tag holds a "<" or
/// a non-ASCII byte: there the expressions' order and Unicode rules count.
std::optional<std::string> replacingTags(std::string_view html);

} // namespace HtmlTagScan

} // namespace quillo
