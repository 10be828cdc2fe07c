#include "SnippetEditing.h"

#include "core/text/HTMLText.h"
#include "core/text/Placeholders.h"
#include "core/util/Translation.h"
#include "core/util/UnicodeText.h"

namespace quillo::SnippetEditing {

namespace {

std::string without(std::string text, std::string_view characters) {
    std::erase_if(text, [&](char c) { return characters.find(c) != std::string_view::npos; });
    return text;
}

std::string_view trimmedLineBreaks(std::string_view text) {
    const auto isBreak = [](char c) { return c == '\n' || c == '\r'; };
    while (!text.empty() && isBreak(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBreak(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

std::string linkAddress(std::string_view typed) {
    std::string address = std::string(UnicodeText::trimmedBlanks(typed));
    if (address.empty() || address.find(':') != std::string::npos)
        return address;
    return (address.find('@') != std::string::npos ? "mailto:" : "https://") + address;
}

std::optional<std::string> fieldPlaceholder(std::string_view name, std::string_view defaultValue) {
    const std::string cleanName = without(std::string(UnicodeText::trimmedBlanks(name)), "}|");
    if (cleanName.empty())
        return std::nullopt;
    const std::string cleanDefault = without(std::string(defaultValue), "}");
    if (cleanDefault.empty())
        return "{{field:" + cleanName + "}}";
    return "{{field:" + cleanName + "|" + cleanDefault + "}}";
}

bool asksBeforeConverting(const Snippet& snippet, SnippetFormat format) {
    return format == SnippetFormat::plain && snippet.format != SnippetFormat::plain &&
           snippet.text.find('<') != std::string::npos;
}

std::string convertedText(const Snippet& snippet, SnippetFormat format) {
    if (snippet.format == format)
        return snippet.text;
    if (format == SnippetFormat::rich)
        return HTMLText::htmlFromPlain(snippet.text);
    if (const auto styled = HTMLText::attributedStringFromHTML(snippet.text))
        return std::string(trimmedLineBreaks(styled->text()));
    return HTMLText::plainTextFromHTML(snippet.text);
}

std::string usageText(const Snippet& snippet, Date now, const DateFormatting& dates) {
    if (!snippet.lastUsed)
        return i18n("Not used yet");
    // TRANSLATORS: {when} is a relative time such as "2 days ago".
    return fill(i18np("Used {count} time, last {when}", "Used {count} times, last {when}",
                      static_cast<unsigned long>(std::max<std::int64_t>(snippet.useCount, 0))),
                {{"when", dates.relativeTime(*snippet.lastUsed, now)}});
}

std::string asksForText(const Snippet& snippet) {
    const auto fields = Placeholders::fields(snippet.text, snippet.format == SnippetFormat::rich);
    if (fields.empty())
        return {};
    std::string names;
    for (std::size_t i = 0; i < fields.size(); ++i)
        names += (i == 0 ? "" : ", ") + fields[i].name;
    // TRANSLATORS: {fields} is the list of a snippet's fill-in fields, such as "name, city".
    return fill(i18n("Asks for: {fields}"), {{"fields", names}});
}

} // namespace quillo::SnippetEditing
