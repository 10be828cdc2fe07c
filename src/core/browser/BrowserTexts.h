#pragma once

#include "core/util/Translation.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace quillo {

/// The library window's sentences that depend on a number or a name.
namespace BrowserTexts {

/// "Delete this snippet?" for one, "Delete 3 snippets?" for more.
std::string deleteConfirmationTitle(std::size_t count);
/// Translated where it is shown.
inline constexpr const char* deleteConfirmationMessage =
    I18N_NOOP("You can undo this until you delete something else.");

/// "No Snippet Selected" for none, "3 Snippets Selected" otherwise.
std::string selectionTitle(std::size_t count);
/// "Press Ctrl+Alt+Space in any app to search and paste."
std::string searchAndPasteHint(std::string_view shortcut);

/// The status card when pasting is allowed: "Ready · Ctrl+Alt+Space to insert".
std::string readyStatus(std::string_view shortcut);

/// The group alert's name with spaces, tabs and the other space separators cut from both
/// ends; line breaks stay.
std::string trimmedGroupName(std::string_view name);

} // namespace BrowserTexts

} // namespace quillo
