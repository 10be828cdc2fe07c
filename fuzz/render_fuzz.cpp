// Templates, field values and clipboard text come from the user and from imported
// backups. Input: the template, then a NUL and the values ("name" and "value" on
// alternating lines), then a NUL and the clipboard text (none without the second NUL).
#include "core/text/IcuRegex.h"
#include "core/text/Placeholders.h"
#include "fakes/PlainPlaceholderSearch.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

using namespace quillo;

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

bool isKnown(const std::string& kind) {
    return kind == "date" || kind == "time" || kind == "clipboard" || kind == "field";
}

void checkTokens(std::string_view text, bool isHTML) {
    const std::vector<Placeholders::Token> found = Placeholders::tokens(text, isHTML);
    const icu::UnicodeString source = toUnicode(text);
    std::vector<std::pair<int32_t, int32_t>> ranges;
    int32_t end = 0;
    for (const Placeholders::Token& token : found) {
        check(token.start >= end && token.length >= 4);
        end = token.start + token.length;
        check(end <= source.length());
        check(source.charAt(token.start) == u'{' && source.charAt(token.start + 1) == u'{');
        check(source.charAt(end - 1) == u'}' && source.charAt(end - 2) == u'}');
        check(!token.kind.empty());
        for (const char c : token.kind)
            check(c >= 'a' && c <= 'z');
        ranges.emplace_back(token.start, token.length);
    }
    check(ranges == testing::plainPlaceholderSearch(source));
}

void checkFields(std::string_view text, bool isHTML) {
    std::unordered_set<std::string> names;
    for (const Placeholders::Field& field : Placeholders::fields(text, isHTML)) {
        check(!field.name.empty());
        check(names.insert(field.name).second);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t firstNul = input.find('\0');
    const std::string_view text = input.substr(0, firstNul);
    Placeholders::Values values;
    std::optional<std::string> clipboard;
    if (firstNul != std::string_view::npos) {
        std::string_view rest = input.substr(firstNul + 1);
        const std::size_t secondNul = rest.find('\0');
        if (secondNul != std::string_view::npos) {
            clipboard = std::string(rest.substr(secondNul + 1));
            rest = rest.substr(0, secondNul);
        }
        while (!rest.empty()) {
            const std::size_t nameEnd = rest.find('\n');
            const std::string_view name = rest.substr(0, nameEnd);
            rest =
                nameEnd == std::string_view::npos ? std::string_view() : rest.substr(nameEnd + 1);
            const std::size_t valueEnd = rest.find('\n');
            values[std::string(name)] = std::string(rest.substr(0, valueEnd));
            rest =
                valueEnd == std::string_view::npos ? std::string_view() : rest.substr(valueEnd + 1);
        }
    }

    static const DateFormatting dates("en_US", "UTC");
    const Date now{std::chrono::sys_days{std::chrono::year{2026} / 12 / 5} + std::chrono::hours{3}};

    for (const bool isHTML : {false, true}) {
        checkTokens(text, isHTML);
        checkFields(text, isHTML);
        const std::string rendered =
            Placeholders::render(text, isHTML, values, clipboard, now, dates);
        if (text.find("{{") == std::string_view::npos)
            check(rendered == text);

        // With no placeholder of ours, rendering changes nothing at all.
        bool anyKnown = false;
        for (const Placeholders::Token& token : Placeholders::tokens(text, isHTML))
            anyKnown = anyKnown || isKnown(token.kind);
        if (!anyKnown)
            check(rendered == text);
    }

    // Plain mode with every field and the clipboard empty: the text between placeholders,
    // placed by the tokens' UTF-16 ranges, around the unknown ones and the dates.
    if (toUtf8(toUnicode(text)) == text) {
        const icu::UnicodeString source = toUnicode(text);
        Placeholders::Values empty;
        icu::UnicodeString expected;
        int32_t cursor = 0;
        for (const Placeholders::Token& token : Placeholders::tokens(text, false)) {
            expected.append(source, cursor, token.start - cursor);
            if (!isKnown(token.kind))
                expected.append(source, token.start, token.length);
            else if (token.kind == "date" || token.kind == "time")
                expected.append(toUnicode(
                    Placeholders::formatDate(now, token.argument, token.kind == "time", dates)));
            else if (token.kind == "field")
                empty[token.argument] = "";
            cursor = token.start + token.length;
        }
        expected.append(source, cursor, source.length() - cursor);
        check(Placeholders::render(text, false, empty, std::string(), now, dates) ==
              toUtf8(expected));
    }
    return 0;
}
