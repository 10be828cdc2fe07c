#include "PreviewText.h"

#include "core/text/HTMLText.h"
#include "core/util/Translation.h"

namespace quillo {

std::string previewText(const Snippet& snippet, const Placeholders::Values& values, Date now) {
    const bool isHTML = snippet.format == SnippetFormat::rich;
    Placeholders::Values shown = values;
    for (const Placeholders::Field& field : Placeholders::fields(snippet.text, isHTML)) {
        std::string& value = shown[field.name];
        if (!value.empty())
            continue;
        // TRANSLATORS: Stands in the picker's preview for a field not filled in yet; {field} is
        // the field's name.
        value = field.defaultValue.empty() ? fill(i18n("‹{field}›"), {{"field", field.name}})
                                           : field.defaultValue;
    }
    // TRANSLATORS: Stands in the picker's preview for what the clipboard will hold when the
    // snippet is pasted.
    const std::string clipboard = i18n("‹clipboard›");
    const std::string rendered = Placeholders::render(snippet.text, isHTML, shown, clipboard, now);
    return isHTML ? HTMLText::plainTextFromHTML(rendered) : rendered;
}

std::string previewLine(const Snippet& snippet) {
    const std::string text = snippet.plainPreview();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        if (line.find_first_not_of(" \t\r") != std::string::npos)
            return line;
        start = end + 1;
    }
    return {};
}

} // namespace quillo
