#include "HTMLText.h"

#include "HtmlTagScan.h"
#include "IcuRegex.h"
#include "core/util/UnicodeText.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <simdjson.h>

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

bool isAsciiWordCharacter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           c == u'_';
}

// The face attribute of font elements, removed by a regular expression whose matches all
// start with "<font". The search is driven here rather than by the engine: an attempt
// from one "<font" that gets past the word boundary looks at every position up to the
// next ">", and fails only if no face attribute starts at any of them; a later "<font"
// before that ">" looks at a subset of the same positions and must fail too. Skipping
// those keeps the work linear where the engine alone would be quadratic.
icu::UnicodeString removingFontFaces(const icu::UnicodeString& text) {
    static const Regex fontFace("(?i)(<font\\b[^>]*?)\\sface=(\"[^\"]*\"|'[^']*')");
    const std::unique_ptr<icu::RegexMatcher> m = fontFace.matcher(text);
    icu::UnicodeString result;
    int32_t copied = 0;
    int32_t from = 0;
    const int32_t length = text.length();
    while (true) {
        const int32_t candidate = text.indexOf(u'<', from);
        if (candidate < 0)
            break;
        from = candidate + 1;
        if (candidate + 5 > length || text.caseCompare(candidate + 1, 4, u"font", 0) != 0)
            continue;
        UErrorCode status = U_ZERO_ERROR;
        if (m->lookingAt(candidate, status) && U_SUCCESS(status)) {
            result.append(text, copied, candidate - copied);
            result.append(m->group(1, status));
            copied = from = m->end(status);
            continue;
        }
        const bool pastBoundary =
            candidate + 5 == length || !isAsciiWordCharacter(text[candidate + 5]);
        if (pastBoundary && text.charAt(candidate + 5) < 0x80) {
            const int32_t tagEnd = text.indexOf(u'>', candidate);
            if (tagEnd < 0)
                break;
            from = tagEnd + 1;
        }
    }
    if (copied == 0)
        return text;
    result.append(text, copied, length - copied);
    return result;
}

// The tag step of plainTextFromHTML, in the order that decides what each tag becomes.
icu::UnicodeString replacingTagsByExpressions(std::string_view html) {
    static const Regex lineBreak("(?i)<br\\s*/?>");
    static const Regex listItem("(?i)<li[^>]*>");
    static const Regex blockEnd("(?i)</(div|p|h[1-6]|li|ul|ol|blockquote|tr)>");
    static const Regex blockStart("(?i)<(div|p|h[1-6]|ul|ol|blockquote|tr)(\\s[^>]*)?>");
    static const Regex anyTag("<[^>]+>");

    icu::UnicodeString text = toUnicode(html);
    // Every tag pattern ends with ">" and cannot hold another one before it, so no match
    // starts after the last ">". Searching only up to there keeps the engine from
    // scanning to the end from every "<" of a long tail that has no ">" at all.
    const auto tagsEnd = [&text] { return text.lastIndexOf(u'>') + 1; };
    // Every match starts with "<", so the engine is only asked there.
    text = lineBreak.replaceAllStartingWith(text, u'<', u"\n", tagsEnd());
    text = listItem.replaceAllStartingWith(text, u'<', u"\n\u2022 ", tagsEnd());
    text = blockEnd.replaceAllStartingWith(text, u'<', u"\n", tagsEnd());
    text = blockStart.replaceAllStartingWith(text, u'<', u"", tagsEnd());
    return anyTag.replaceAllStartingWith(text, u'<', u"", tagsEnd());
}

// Runs of three or more line feeds as two.
void collapseBlankLineRuns(std::string& text) {
    // Most texts have no such run: nothing moves before the first.
    const std::size_t first = text.find("\n\n\n");
    if (first == std::string::npos)
        return;
    char* const data = text.data();
    std::size_t kept = first + 2;
    std::size_t feeds = 2;
    for (std::size_t i = first + 2; i < text.size(); ++i) {
        const char c = data[i];
        feeds = c == '\n' ? feeds + 1 : 0;
        if (feeds <= 2)
            data[kept++] = c;
    }
    text.resize(kept);
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
    // The regular expressions are the rule; the scan gives their result for the usual
    // fragment at a fraction of the cost, which search pays for every rich snippet.
    std::optional<std::string> text;
    if (simdjson::validate_utf8(html.data(), html.size()))
        text = HtmlTagScan::replacingTags(html);
    if (!text)
        text = toUtf8(replacingTagsByExpressions(html));
    if (text->find('&') != std::string::npos)
        text = decodeEntities(*text);
    collapseBlankLineRuns(*text);
    return std::string(UnicodeText::trimmedWhiteSpace(*text));
}

std::string htmlFromPlain(std::string_view text) {
    static const Regex leadingOrDoubledSpace("(^ | (?= ))");
    std::string result;
    result.reserve(text.size() + text.size() / 4 + 16);
    icu::UnicodeString line;
    const std::unique_ptr<icu::RegexMatcher> spaces = leadingOrDoubledSpace.matcher(line);
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view plainLine = text.substr(start, end - start);
        if (plainLine.empty()) {
            result += "<div><br></div>";
        } else {
            std::string escaped = escape(plainLine);
            replaceAll(escaped, "\t", "&nbsp;&nbsp;&nbsp; ");
            line = toUnicode(escaped);
            UErrorCode status = U_ZERO_ERROR;
            spaces->reset(line);
            result += "<div>";
            result += toUtf8(spaces->replaceAll(u"&nbsp;", status));
            result += "</div>";
        }
        if (end == text.size())
            break;
        start = end + 1;
    }
    return result;
}

std::string removingFonts(std::string_view html) {
    static const Regex fontFamily("(?i)font-family\\s*:\\s*(?:&quot;|&#39;|&#x27;|[^;\"])*;?\\s*");
    static const Regex emptyFaceOrStyle("(?i)\\s(face|style)=\"\\s*\"");
    icu::UnicodeString text = toUnicode(html);
    text = fontFamily.replaceAll(text, u"");
    text = emptyFaceOrStyle.replaceAll(text, u"");
    return toUtf8(removingFontFaces(text));
}

} // namespace quillo::HTMLText
