#include "BrowserTexts.h"

#include "core/util/Translation.h"
#include "core/util/UnicodeText.h"

namespace quillo::BrowserTexts {

std::string deleteConfirmationTitle(std::size_t count) {
    return i18np("Delete this snippet?", "Delete {count} snippets?", count);
}

std::string selectionTitle(std::size_t count) {
    return count == 0 ? i18n("No Snippet Selected")
                      : i18np("{count} Snippet Selected", "{count} Snippets Selected", count);
}

std::string searchAndPasteHint(std::string_view shortcut) {
    return fill(i18n("Press {shortcut} in any app to search and paste."), {{"shortcut", shortcut}});
}

std::string readyStatus(std::string_view shortcut) {
    return fill(i18n("Ready \u00B7 {shortcut} to insert"), {{"shortcut", shortcut}});
}

std::string trimmedGroupName(std::string_view name) {
    return std::string(UnicodeText::trimmedBlanks(name));
}

} // namespace quillo::BrowserTexts
