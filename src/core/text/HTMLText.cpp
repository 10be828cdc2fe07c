#include "HTMLText.h"

#include "IcuRegex.h"

#include <array>
#include <charconv>
#include <cstdint>

namespace quillo::HTMLText {

namespace {

// Literal replacement of every occurrence, left to right.
void replaceAll(std::string& text, std::string_view from, std::string_view to) {
    std::size_t at = text.find(from);
    if (at == std::string::npos)
        return;
    std::string result;
    result.reserve(text.size());
    std::size_t copied = 0;
    for (; at != std::string::npos; at = text.find(from, copied)) {
        result.append(text, copied, at - copied);
        result += to;
        copied = at + from.size();
    }
    result.append(text, copied, std::string::npos);
    text = std::move(result);
}

struct NamedEntity {
    std::string_view name; // without "&" and ";"
    std::string_view character;
};

// "&amp;" is not here: it is decoded last, on its own.
constexpr std::array<NamedEntity, 13> namedEntities{{
    {"nbsp", " "},
    {"lt", "<"},
    {"gt", ">"},
    {"quot", "\""},
    {"#39", "'"},
    {"apos", "'"},
    {"rsquo", "\u2019"},
    {"lsquo", "\u2018"},
    {"rdquo", "\u201D"},
    {"ldquo", "\u201C"},
    {"mdash", "\u2014"},
    {"ndash", "\u2013"},
    {"hellip", "\u2026"},
}};

// One pass over the text replaces every named entity of the table. Replacing them one
// after another would give the same text: no entity's character can form a new entity.
std::string decodeNamedEntities(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    std::size_t copied = 0;
    for (std::size_t at = text.find('&'); at != std::string_view::npos;
         at = text.find('&', at + 1)) {
        for (const NamedEntity& entity : namedEntities) {
            const std::string_view rest = text.substr(at + 1);
            if (rest.size() > entity.name.size() && rest.starts_with(entity.name) &&
                rest[entity.name.size()] == ';') {
                result.append(text.substr(copied, at - copied));
                result += entity.character;
                copied = at + entity.name.size() + 2;
                at = copied - 1;
                break;
            }
        }
    }
    result.append(text.substr(copied));
    return result;
}

// The character a numeric reference names, or absent for anything that is not a Unicode
// scalar value (a decimal reference holding hexadecimal letters, an overflow, a surrogate).
std::optional<UChar32> referencedCharacter(const icu::UnicodeString& digits, bool hexadecimal) {
    std::string ascii;
    digits.toUTF8String(ascii);
    std::uint32_t value = 0;
    const auto [end, error] =
        std::from_chars(ascii.data(), ascii.data() + ascii.size(), value, hexadecimal ? 16 : 10);
    if (error != std::errc() || end != ascii.data() + ascii.size())
        return std::nullopt;
    if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return std::nullopt;
    return static_cast<UChar32>(value);
}

std::string decodeNumericReferences(const std::string& text) {
    static const Regex reference("&#(x?)([0-9a-fA-F]+);");
    const icu::UnicodeString source = toUnicode(text);
    const std::unique_ptr<icu::RegexMatcher> m = reference.matcher(source);
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString result;
    int32_t copied = 0;
    while (m->find(status) && U_SUCCESS(status)) {
        const int32_t start = m->start(status);
        const int32_t end = m->end(status);
        result.append(source, copied, start - copied);
        const bool hexadecimal = m->group(1, status) == u"x";
        if (const auto character = referencedCharacter(m->group(2, status), hexadecimal))
            result.append(*character);
        else
            result.append(source, start, end - start);
        copied = end;
    }
    result.append(source, copied, source.length() - copied);
    return toUtf8(result);
}

} // namespace

std::string escape(std::string_view text) {
    std::string result;
    result.reserve(text.size() + text.size() / 8);
    // One pass gives what the five replacements in turn ("&" first) give.
    for (const char c : text) {
        switch (c) {
        case '&':
            result += "&amp;";
            break;
        case '<':
            result += "&lt;";
            break;
        case '>':
            result += "&gt;";
            break;
        case '"':
            result += "&quot;";
            break;
        case '\'':
            result += "&#39;";
            break;
        default:
            result += c;
        }
    }
    return result;
}

std::string decodeEntities(std::string_view text) {
    if (text.find('&') == std::string_view::npos)
        return std::string(text);
    std::string result = decodeNamedEntities(text);
    if (result.find("&#") != std::string::npos)
        result = decodeNumericReferences(result);
    replaceAll(result, "&amp;", "&");
    return result;
}

std::string plainTextFromHTML(std::string_view html) {
    return std::string(html);
}

std::string htmlFromPlain(std::string_view text) {
    return std::string(text);
}

std::string removingFonts(std::string_view html) {
    return std::string(html);
}

} // namespace quillo::HTMLText
