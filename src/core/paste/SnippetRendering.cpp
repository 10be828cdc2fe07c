#include "SnippetRendering.h"

#include "core/text/HTMLText.h"
#include "core/util/UnicodeText.h"

#include <string_view>
#include <unicode/uchar.h>

namespace quillo {

namespace {

/// Whether `c` is white space as ICU's \s has it (the White_Space property). Every such
/// character is in the BMP, so a lone code unit (a surrogate included) tells.
bool isSpace(char16_t c) {
    return u_hasBinaryProperty(c, UCHAR_WHITE_SPACE);
}

/// Length of the empty line `<(div|p)><br\s*/?></(div|p)>` that ends `text`, or 0.
std::size_t trailingEmptyLine(std::u16string_view text) {
    std::u16string_view head = text;
    const auto drop = [&head](std::u16string_view piece) {
        if (!head.ends_with(piece))
            return false;
        head.remove_suffix(piece.size());
        return true;
    };
    if (!(drop(u"</div>") || drop(u"</p>")) || !drop(u">"))
        return 0;
    drop(u"/");
    while (!head.empty() && isSpace(head.back()))
        head.remove_suffix(1);
    if (!drop(u"<br") || !(drop(u"<div>") || drop(u"<p>")))
        return 0;
    return text.size() - head.size();
}

/// `html` without the run matched by `(\s|<(div|p)><br\s*/?></(div|p)>)+$`.
///
/// The regex engine would try a match at every position and walk each blank run to its
/// end, which is quadratic in a long run that is not at the end. The run is read from the
/// back instead: a white space character and an empty line end in different characters
/// (an empty line in ">"), and an empty line ending at a given place reads back in one
/// way only, so stripping pieces from the end stops exactly where the leftmost match
/// would start.
std::string removingTrailingBlanks(std::string_view html) {
    const icu::UnicodeString text = toUnicode(html);
    std::u16string_view rest(text.getBuffer(), static_cast<std::size_t>(text.length()));
    for (;;) {
        if (!rest.empty() && isSpace(rest.back()))
            rest.remove_suffix(1);
        else if (const std::size_t line = trailingEmptyLine(rest))
            rest.remove_suffix(line);
        else
            break;
    }
    return toUtf8(text.tempSubString(0, static_cast<std::int32_t>(rest.size())));
}

/// The text without line feeds and carriage returns at either end; spaces stay.
std::string trimmingLineBreaks(const std::string& text) {
    const std::size_t first = text.find_first_not_of("\r\n");
    if (first == std::string::npos)
        return {};
    const std::size_t last = text.find_last_not_of("\r\n");
    return text.substr(first, last - first + 1);
}

} // namespace

RenderedSnippet renderSnippet(const Snippet& snippet, const Placeholders::Values& values,
                              const std::optional<std::string>& clipboard, Date now) {
    if (snippet.format == SnippetFormat::plain)
        return {.plain = Placeholders::render(snippet.text, false, values, clipboard, now)};

    std::string html = removingTrailingBlanks(
        HTMLText::removingFonts(Placeholders::render(snippet.text, true, values, clipboard, now)));
    std::string plain;
    if (const std::optional<StyledText> styled = HTMLText::attributedStringFromHTML(html))
        plain = trimmingLineBreaks(styled->text());
    else
        plain = HTMLText::plainTextFromHTML(html);
    return {.plain = std::move(plain), .html = std::move(html)};
}

} // namespace quillo
