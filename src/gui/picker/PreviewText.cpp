#include "PreviewText.h"

#include "core/text/HTMLText.h"

namespace quillo {

std::string previewText(const Snippet& snippet, const Placeholders::Values& values, Date now) {
    const bool isHTML = snippet.format == SnippetFormat::rich;
    Placeholders::Values shown = values;
    for (const Placeholders::Field& field : Placeholders::fields(snippet.text, isHTML)) {
        std::string& value = shown[field.name];
        if (!value.empty())
            continue;
        value = field.defaultValue.empty() ? "‹" + field.name + "›" : field.defaultValue;
    }
    const std::string rendered =
        Placeholders::render(snippet.text, isHTML, shown, std::string("‹clipboard›"), now);
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
