#include "Placeholders.h"

#include "HTMLText.h"
#include "IcuRegex.h"

#include <cstdlib>
#include <string>
#include <unicode/utf16.h>
#include <unicode/utf8.h>
#include <unordered_set>

namespace quillo::Placeholders {

namespace {

// A placeholder with where it stands in the template's UTF-8 bytes.
struct Found {
    Token token;
    std::size_t byteStart = 0;
    std::size_t byteEnd = 0;
};

// UTF-8 to UTF-16 with each ill-formed sequence read as U+FFFD. Done here rather than by
// ICU's converter so that `byteOffsets` walks the bytes exactly as this reads them.
icu::UnicodeString utf16(std::string_view text) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    icu::UnicodeString result;
    char16_t* out = result.getBuffer(length);
    if (out == nullptr)
        std::abort(); // out of memory
    int32_t written = 0;
    for (int32_t i = 0; i < length;) {
        UChar32 c = 0;
        U8_NEXT_OR_FFFD(bytes, i, length, c);
        U16_APPEND_UNSAFE(out, written, c);
    }
    result.releaseBuffer(written);
    return result;
}

// Turns the tokens' UTF-16 ranges into byte ranges of `text` in one pass (tokens are in
// order and never overlap).
void byteOffsets(std::string_view text, std::vector<Found>& found) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    int32_t byte = 0;
    int32_t unit = 0;
    const auto advanceTo = [&](int32_t target) {
        while (unit < target && byte < length) {
            UChar32 c = 0;
            U8_NEXT_OR_FFFD(bytes, byte, length, c);
            unit += U16_LENGTH(c);
        }
        return static_cast<std::size_t>(byte);
    };
    for (Found& f : found) {
        f.byteStart = advanceTo(f.token.start);
        f.byteEnd = advanceTo(f.token.start + f.token.length);
    }
}

std::string trimmed(std::string text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::string groupText(const icu::RegexMatcher& m, int32_t group, bool isHTML) {
    UErrorCode status = U_ZERO_ERROR;
    if (m.start(group, status) < 0 || U_FAILURE(status))
        return {}; // the group took no part in the match
    std::string text = trimmed(toUtf8(m.group(group, status)));
    return isHTML ? HTMLText::decodeEntities(text) : text;
}

std::vector<Found> find(std::string_view text, bool isHTML) {
    std::vector<Found> found;
    if (text.find("{{") == std::string_view::npos)
        return found;

    static const Regex placeholder(R"(\{\{\s*([A-Za-z]+)\s*(?::([^}|]*))?(?:\|([^}]*))?\}\})");
    const icu::UnicodeString source = utf16(text);
    const std::u16string_view units(source.getBuffer(), static_cast<std::size_t>(source.length()));
    const std::unique_ptr<icu::RegexMatcher> m = placeholder.matcher(source);

    // Calling find() in a loop is quadratic: from each "{{" the engine scans to a far "}"
    // and fails. No part of the pattern can hold a "}", so a match starting at a "{{"
    // closes at the first "}" after it, which is found once for all the "{{" before it.
    // If that "}" is not doubled, no match starts anywhere before it and the search jumps
    // past it; otherwise the match, if any, is tried anchored at this "{{" alone (it fails
    // within the letters and spaces after the braces, or succeeds). So the scan is
    // linear, and its matches are the engine's own, left to right and not overlapping.
    std::size_t at = 0;
    std::size_t close = 0;
    while (true) {
        const std::size_t open = units.find(u"{{", at);
        if (open == std::u16string_view::npos)
            break;
        if (close < open + 2) {
            close = units.find(u'}', open + 2);
            if (close == std::u16string_view::npos)
                break;
        }
        if (close + 1 == units.size() || units[close + 1] != u'}') {
            at = close + 1;
            continue;
        }
        UErrorCode status = U_ZERO_ERROR;
        if (!m->lookingAt(static_cast<int64_t>(open), status) || U_FAILURE(status)) {
            at = open + 1;
            continue;
        }
        const int32_t end = m->end(status);
        Found f;
        f.token.start = static_cast<int32_t>(open);
        f.token.length = end - f.token.start;
        f.token.kind = groupText(*m, 1, isHTML);
        for (char& c : f.token.kind) {
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        }
        f.token.argument = groupText(*m, 2, isHTML);
        f.token.defaultValue = groupText(*m, 3, isHTML);
        found.push_back(std::move(f));
        at = static_cast<std::size_t>(end);
    }
    return found;
}

// The text that replaces a placeholder, or absent when its keyword is not one of ours.
// `dates` is made from the environment on first need when the caller gave none.
std::optional<std::string> replacement(const Token& token, const Values& values,
                                       const std::optional<std::string>& clipboard, Date now,
                                       std::optional<DateFormatting>& dates) {
    if (token.kind == "date" || token.kind == "time") {
        if (!dates)
            dates = DateFormatting::fromEnvironment();
        return formatDate(now, token.argument, token.kind == "time", *dates);
    }
    if (token.kind == "clipboard")
        return clipboard.value_or(std::string());
    if (token.kind == "field") {
        // A value the user cleared on purpose stays empty rather than showing the default.
        const auto value = values.find(token.argument);
        return value != values.end() ? value->second : token.defaultValue;
    }
    return std::nullopt;
}

void appendAsHTML(std::string& result, std::string_view text) {
    const std::string escaped = HTMLText::escape(text);
    for (const char c : escaped) {
        if (c == '\n')
            result += "<br>";
        else
            result += c;
    }
}

std::string renderWith(std::string_view text, bool isHTML, const Values& values,
                       const std::optional<std::string>& clipboard, Date now,
                       std::optional<DateFormatting> dates) {
    std::vector<Found> found = find(text, isHTML);
    if (found.empty())
        return std::string(text);
    byteOffsets(text, found);
    std::string result;
    result.reserve(text.size());
    std::size_t cursor = 0;
    for (const Found& f : found) {
        result.append(text.substr(cursor, f.byteStart - cursor));
        const std::optional<std::string> with = replacement(f.token, values, clipboard, now, dates);
        if (!with)
            result.append(text.substr(f.byteStart, f.byteEnd - f.byteStart));
        else if (isHTML)
            appendAsHTML(result, *with);
        else
            result += *with;
        cursor = f.byteEnd;
    }
    result.append(text.substr(cursor));
    return result;
}

} // namespace

std::vector<Token> tokens(std::string_view text, bool isHTML) {
    std::vector<Token> result;
    for (Found& f : find(text, isHTML))
        result.push_back(std::move(f.token));
    return result;
}

std::vector<Field> fields(std::string_view text, bool isHTML) {
    std::vector<Field> result;
    std::unordered_set<std::string> seen;
    for (Found& f : find(text, isHTML)) {
        if (f.token.kind != "field" || f.token.argument.empty())
            continue;
        if (seen.insert(f.token.argument).second)
            result.push_back({std::move(f.token.argument), std::move(f.token.defaultValue)});
    }
    return result;
}

std::string render(std::string_view text, bool isHTML, const Values& values,
                   const std::optional<std::string>& clipboard, Date now,
                   const DateFormatting& dates) {
    return renderWith(text, isHTML, values, clipboard, now, dates);
}

std::string render(std::string_view text, bool isHTML, const Values& values,
                   const std::optional<std::string>& clipboard, Date now) {
    return renderWith(text, isHTML, values, clipboard, now, std::nullopt);
}

std::string formatDate(Date date, std::string_view style, bool time, const DateFormatting& dates) {
    return dates.format(date, style, time);
}

} // namespace quillo::Placeholders
