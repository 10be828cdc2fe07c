// The regular-expression conversions on arbitrary bytes: HTML to plain text, plain text to
// HTML, and font removal. None may fail, and plain text survives a trip through HTML.
#include "core/text/HTMLText.h"
#include "core/text/IcuRegex.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace {

bool isValidUtf8(std::string_view text) {
    int32_t i = 0;
    const auto length = static_cast<int32_t>(text.size());
    while (i < length) {
        UChar32 c = 0;
        U8_NEXT(text.data(), i, length, c);
        if (c < 0)
            return false;
    }
    return true;
}

bool hasEdgeWhiteSpace(std::string_view text) {
    const icu::UnicodeString u = quillo::toUnicode(text);
    return !u.isEmpty() &&
           (u_isUWhiteSpace(u.char32At(0)) || u_isUWhiteSpace(u.char32At(u.length() - 1)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillo;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const std::string plain = HTMLText::plainTextFromHTML(text);
    if (plain.find("\n\n\n") != std::string::npos || hasEdgeWhiteSpace(plain))
        std::abort();

    const std::string withoutFonts = HTMLText::removingFonts(text);
    if (isValidUtf8(text) && withoutFonts.size() > text.size())
        std::abort(); // it only ever removes

    // Text a user typed, in the shape plain text comes back in, survives being made HTML.
    if (isValidUtf8(text) && text.find('\t') == std::string_view::npos &&
        text.find("\n\n\n") == std::string_view::npos && !hasEdgeWhiteSpace(text) &&
        HTMLText::plainTextFromHTML(HTMLText::htmlFromPlain(text)) != text)
        std::abort();
    return 0;
}
