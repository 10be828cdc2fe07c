#include "InlineStyle.h"

#include "CssColor.h"
#include "HtmlNesting.h"

#include <array>
#include <charconv>
#include <string>
#include <utility>

namespace quillo::HtmlReader {

using detail::isHtmlSpace;
using detail::lowerAscii;

std::string_view trimmedSpace(std::string_view text) {
    while (!text.empty() && isHtmlSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isHtmlSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

namespace {

std::string lowercase(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (const char c : text)
        result += lowerAscii(c);
    return result;
}

template <typename Value, std::size_t N>
std::optional<Value> keyword(const std::array<std::pair<std::string_view, Value>, N>& table,
                             std::string_view word) {
    for (const auto& [name, value] : table)
        if (name == word)
            return value;
    return std::nullopt;
}

constexpr std::array<std::pair<std::string_view, bool>, 5> fontWeights{{
    {"normal", false},
    {"bold", true},
    {"bolder", true},
    {"lighter", false},
    {"initial", false},
}};

constexpr std::array<std::pair<std::string_view, bool>, 4> fontStyles{{
    {"normal", false},
    {"italic", true},
    {"oblique", true},
    {"initial", false},
}};

constexpr std::array<std::pair<std::string_view, Display>, 11> displays{{
    {"none", Display::none},
    {"block", Display::block},
    {"flex", Display::block},
    {"grid", Display::block},
    {"flow-root", Display::block},
    {"list-item", Display::block},
    {"table", Display::block},
    {"inline", Display::inlineBox},
    {"inline-block", Display::inlineBox},
    {"inline-flex", Display::inlineBox},
    {"contents", Display::inlineBox},
}};

constexpr std::array<std::pair<std::string_view, WhiteSpace>, 6> whiteSpaces{{
    {"normal", WhiteSpace::collapse},
    {"nowrap", WhiteSpace::collapse},
    {"pre", WhiteSpace::preserve},
    {"pre-wrap", WhiteSpace::preserve},
    {"break-spaces", WhiteSpace::preserve},
    {"pre-line", WhiteSpace::preserveLineFeeds},
}};

std::string_view firstWord(std::string_view value) {
    std::size_t end = 0;
    while (end < value.size() && !isHtmlSpace(value[end]))
        ++end;
    return value.substr(0, end);
}

void readColor(std::string_view value, Declarations& into) {
    if (std::optional<RgbColor> color = CssColor::parse(value))
        into.color = color;
}

void readFontWeight(std::string_view value, Declarations& into) {
    if (std::optional<bool> bold = keyword(fontWeights, value)) {
        into.bold = bold;
        return;
    }
    double weight = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), weight);
    if (error == std::errc() && end == value.data() + value.size())
        into.bold = weight >= 600;
}

void readFontStyle(std::string_view value, Declarations& into) {
    if (std::optional<bool> italic = keyword(fontStyles, firstWord(value)))
        into.italic = italic;
}

void readTextDecoration(std::string_view value, Declarations& into) {
    if (value == "inherit" || value == "unset" || value == "revert")
        return;
    bool underline = false;
    bool strikethrough = false;
    while (!value.empty()) {
        const std::string_view word = firstWord(value);
        underline = underline || word == "underline";
        strikethrough = strikethrough || word == "line-through";
        value = trimmedSpace(value.substr(word.size()));
    }
    into.underline = underline;
    into.strikethrough = strikethrough;
}

void readDisplay(std::string_view value, Declarations& into) {
    if (std::optional<Display> display = keyword(displays, firstWord(value)))
        into.display = *display;
}

void readWhiteSpace(std::string_view value, Declarations& into) {
    if (std::optional<WhiteSpace> whiteSpace = keyword(whiteSpaces, value))
        into.whiteSpace = whiteSpace;
}

using PropertyReader = void (*)(std::string_view lowercasedValue, Declarations&);

constexpr std::array<std::pair<std::string_view, PropertyReader>, 7> properties{{
    {"color", readColor},
    {"font-weight", readFontWeight},
    {"font-style", readFontStyle},
    {"text-decoration", readTextDecoration},
    {"text-decoration-line", readTextDecoration},
    {"display", readDisplay},
    {"white-space", readWhiteSpace},
}};

void readDeclaration(std::string_view declaration, Declarations& into) {
    const std::size_t colon = declaration.find(':');
    if (colon == std::string_view::npos)
        return;
    const std::string name = lowercase(trimmedSpace(declaration.substr(0, colon)));
    std::string value = lowercase(trimmedSpace(declaration.substr(colon + 1)));
    if (const std::size_t bang = value.rfind('!');
        bang != std::string::npos &&
        trimmedSpace(std::string_view(value).substr(bang + 1)) == "important")
        value = std::string(trimmedSpace(std::string_view(value).substr(0, bang)));
    for (const auto& [property, read] : properties)
        if (property == name)
            read(value, into);
}

} // namespace

Declarations readStyle(std::string_view style) {
    Declarations result;
    std::string declaration;
    char quote = 0;
    std::size_t parentheses = 0;
    for (std::size_t i = 0; i < style.size(); ++i) {
        const char c = style[i];
        if (quote == 0 && c == '/' && i + 1 < style.size() && style[i + 1] == '*') {
            const std::size_t close = style.find("*/", i + 2);
            i = close == std::string_view::npos ? style.size() : close + 1;
            continue;
        }
        if (quote != 0) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '(') {
            ++parentheses;
        } else if (c == ')' && parentheses > 0) {
            --parentheses;
        } else if (c == ';' && parentheses == 0) {
            readDeclaration(declaration, result);
            declaration.clear();
            continue;
        }
        declaration += c;
    }
    readDeclaration(declaration, result);
    return result;
}

} // namespace quillo::HtmlReader
