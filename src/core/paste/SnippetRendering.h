#pragma once

#include "core/model/Snippet.h"
#include "core/platform/Clock.h"
#include "core/text/Placeholders.h"

#include <optional>
#include <string>

namespace quillo {

/// A snippet made ready for the clipboard.
struct RenderedSnippet {
    std::string plain;
    /// Only for rich snippets: the rendered HTML fragment, without font families.
    std::optional<std::string> html{};
    friend bool operator==(const RenderedSnippet&, const RenderedSnippet&) = default;
};

/// The snippet with its placeholders filled in at `now`, as it goes on the clipboard: a
/// plain snippet's text as rendered; a rich snippet's HTML without font families and
/// trailing blank lines, and the plain text of that HTML. Dates are written in the
/// user's locale and time zone.
RenderedSnippet renderSnippet(const Snippet& snippet, const Placeholders::Values& values,
                              const std::optional<std::string>& clipboard, Date now);

} // namespace quillo
