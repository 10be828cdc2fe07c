#include "BrowserTexts.h"

#include <algorithm>
#include <cstdint>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace quillo::BrowserTexts {

namespace {

bool isTrimmedSpace(UChar32 c) {
    return c == 0x09 || u_charType(c) == U_SPACE_SEPARATOR;
}

} // namespace

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
    const auto* data = reinterpret_cast<const uint8_t*>(name.data());
    const auto length = static_cast<int32_t>(std::min<std::size_t>(name.size(), INT32_MAX));
    int32_t start = 0;
    while (start < length) {
        int32_t next = start;
        UChar32 c = 0;
        U8_NEXT(data, next, length, c);
        if (!isTrimmedSpace(c))
            break;
        start = next;
    }
    int32_t end = length;
    while (end > start) {
        // Back to the lead byte of the last character, then read it forwards.
        int32_t last = end - 1;
        while (last > start && end - last < 4 && U8_IS_TRAIL(data[last]))
            --last;
        int32_t next = last;
        UChar32 c = 0;
        U8_NEXT(data, next, end, c);
        if (next != end || !isTrimmedSpace(c))
            break;
        end = last;
    }
    return std::string(
        name.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)));
}

} // namespace quillo::BrowserTexts
