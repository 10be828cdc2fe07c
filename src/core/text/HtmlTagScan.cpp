#include "HtmlTagScan.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace quillo::HtmlTagScan {

namespace {

// What the regular expressions' "\s" matches among ASCII characters.
bool isSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool startsCaseless(std::string_view text, std::string_view lowerPrefix) {
    if (text.size() < lowerPrefix.size())
        return false;
    for (std::size_t i = 0; i < lowerPrefix.size(); ++i)
        if (lower(text[i]) != lowerPrefix[i])
            return false;
    return true;
}

// The elements whose end is a line break, "li" aside.
constexpr std::array<std::string_view, 12> blocks{"div", "p",  "h1", "h2", "h3",         "h4",
                                                  "h5",  "h6", "ul", "ol", "blockquote", "tr"};

// <br\s*/?>
bool isLineBreak(std::string_view inside) {
    if (!startsCaseless(inside, "br"))
        return false;
    std::size_t at = 2;
    while (at < inside.size() && isSpace(inside[at]))
        ++at;
    if (at < inside.size() && inside[at] == '/')
        ++at;
    return at == inside.size();
}

// </(div|p|h[1-6]|li|ul|ol|blockquote|tr)>
bool isBlockEnd(std::string_view inside) {
    if (inside.empty() || inside[0] != '/')
        return false;
    const std::string_view name = inside.substr(1);
    if (name.size() == 2 && startsCaseless(name, "li"))
        return true;
    for (const std::string_view block : blocks)
        if (name.size() == block.size() && startsCaseless(name, block))
            return true;
    return false;
}

// The place of the first ">", "<" or non-ASCII byte from `at` on, or the text's size.
// Eight bytes are tested at once: a tag's attributes can run long, and search reads every
// rich snippet.
std::size_t tagStop(std::string_view html, std::size_t at) {
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t ones = 0x0101010101010101;
        constexpr std::uint64_t highs = 0x8080808080808080;
        // A flag in each byte equal to `c`; a flag above such a byte may be false, the
        // lowest never is.
        const auto bytesOf = [](std::uint64_t word, char c) {
            const std::uint64_t x = word ^ (ones * static_cast<unsigned char>(c));
            return (x - ones) & ~x & highs;
        };
        while (html.size() - at >= 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, html.data() + at, 8);
            const std::uint64_t stops = bytesOf(word, '>') | bytesOf(word, '<') | (word & highs);
            if (stops != 0)
                return at + static_cast<std::size_t>(std::countr_zero(stops)) / 8;
            at += 8;
        }
    }
    while (at < html.size() && html[at] != '>' && html[at] != '<' &&
           static_cast<unsigned char>(html[at]) < 0x80)
        ++at;
    return at;
}

} // namespace

std::optional<std::string> replacingTags(std::string_view html) {
    std::string result;
    result.reserve(html.size());
    // No tag starts after the last ">": every "<" there stays.
    const std::size_t lastClose = html.rfind('>');
    std::size_t copied = 0;
    std::size_t at = html.find('<');
    while (at != std::string_view::npos && lastClose != std::string_view::npos && at < lastClose) {
        // A ">" lies ahead, at `lastClose` at the latest.
        const std::size_t close = tagStop(html, at + 1);
        if (html[close] != '>')
            return std::nullopt;
        const std::string_view inside = html.substr(at + 1, close - at - 1);
        if (!inside.empty()) {
            result.append(html, copied, at - copied);
            // The expressions' order decides what a tag becomes; "<li" also takes "<link".
            if (isLineBreak(inside) || isBlockEnd(inside))
                result += '\n';
            else if (startsCaseless(inside, "li"))
                result += "\n\u2022 ";
            // A block's start goes without a trace, as does any other tag.
            copied = close + 1;
        }
        at = html.find('<', close + 1);
    }
    result.append(html, copied, std::string_view::npos);
    return result;
}

} // namespace quillo::HtmlTagScan
