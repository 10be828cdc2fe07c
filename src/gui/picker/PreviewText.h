#pragma once

#include "core/model/Snippet.h"
#include "core/platform/Clock.h"
#include "core/text/Placeholders.h"

#include <string>

namespace quillo {

/// What the picker's preview shows for a snippet: unfilled fields as their default, or as
/// ‹name› when there is none; the clipboard as ‹clipboard› (a preview never reads the real
/// one); rich snippets as plain text.
std::string previewText(const Snippet& snippet, const Placeholders::Values& values, Date now);

/// The first non-blank line of the snippet's plain text, for a one-line summary.
std::string previewLine(const Snippet& snippet);

} // namespace quillo
