#include "BrowserTexts.h"

#include "core/util/UnicodeText.h"

namespace quillo::BrowserTexts {

std::string deleteConfirmationTitle(std::size_t count) {
    return "Delete " +
           (count == 1 ? std::string("this snippet") : std::to_string(count) + " snippets") + "?";
}

std::string selectionTitle(std::size_t count) {
    return count == 0 ? "No Snippet Selected" : std::to_string(count) + " Snippets Selected";
}

std::string searchAndPasteHint(std::string_view shortcut) {
    return "Press " + std::string(shortcut) + " in any app to search and paste.";
}

std::string readyStatus(std::string_view shortcut) {
    return "Ready \u00B7 " + std::string(shortcut) + " to insert";
}

std::string trimmedGroupName(std::string_view name) {
    return std::string(UnicodeText::trimmedBlanks(name));
}

} // namespace quillo::BrowserTexts
