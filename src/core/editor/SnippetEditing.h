#pragma once

#include "core/model/Snippet.h"
#include "core/platform/Clock.h"
#include "core/text/DateFormatting.h"

#include <optional>
#include <string>
#include <string_view>

namespace quillo::SnippetEditing {

/// The address typed into the link dialog, ready for the link command: trimmed of blanks,
/// with "mailto:" put before an e-mail address and "https://" before anything else without
/// a scheme. Empty means the link is removed.
std::string linkAddress(std::string_view typed);

/// The fill-in field placeholder for a typed name and default: the name trimmed of blanks
/// and without "}" or "|", the default without "}". Absent when no name is left.
std::optional<std::string> fieldPlaceholder(std::string_view name, std::string_view defaultValue);

/// True when switching to `format` would lose formatting and must be confirmed first.
bool asksBeforeConverting(const Snippet& snippet, SnippetFormat format);

/// The snippet's text written in the other format: plain text as lines of HTML, or HTML as
/// its plain text without line breaks at either end.
std::string convertedText(const Snippet& snippet, SnippetFormat format);

/// "Not used yet", or "Used 3 times, last 2 hours ago".
std::string usageText(const Snippet& snippet, Date now, const DateFormatting& dates);

/// "Asks for: Name, Order" for a snippet with fill-in fields; empty without.
std::string asksForText(const Snippet& snippet);

} // namespace quillo::SnippetEditing
