#include "CssColor.h"

#include "core/util/HexDigit.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <string>

namespace quillo::CssColor {

namespace {

struct NamedColor {
    std::string_view name;
    std::uint32_t rgb;
};

// The CSS named colours, sorted by name for binary search.
constexpr std::array<NamedColor, 148> namedColors{{
    {"aliceblue", 0xf0f8ff},
    {"antiquewhite", 0xfaebd7},
    {"aqua", 0x00ffff},
    {"aquamarine", 0x7fffd4},
    {"azure", 0xf0ffff},
    {"beige", 0xf5f5dc},
    {"bisque", 0xffe4c4},
    {"black", 0x000000},
    {"blanchedalmond", 0xffebcd},
    {"blue", 0x0000ff},
    {"blueviolet", 0x8a2be2},
    {"brown", 0xa52a2a},
    {"burlywood", 0xdeb887},
    {"cadetblue", 0x5f9ea0},
    {"chartreuse", 0x7fff00},
    {"chocolate", 0xd2691e},
    {"coral", 0xff7f50},
    {"cornflowerblue", 0x6495ed},
    {"cornsilk", 0xfff8dc},
    {"crimson", 0xdc143c},
    {"cyan", 0x00ffff},
    {"darkblue", 0x00008b},
    {"darkcyan", 0x008b8b},
    {"darkgoldenrod", 0xb8860b},
    {"darkgray", 0xa9a9a9},
    {"darkgreen", 0x006400},
    {"darkgrey", 0xa9a9a9},
    {"darkkhaki", 0xbdb76b},
    {"darkmagenta", 0x8b008b},
    {"darkolivegreen", 0x556b2f},
    {"darkorange", 0xff8c00},
    {"darkorchid", 0x9932cc},
    {"darkred", 0x8b0000},
    {"darksalmon", 0xe9967a},
    {"darkseagreen", 0x8fbc8f},
    {"darkslateblue", 0x483d8b},
    {"darkslategray", 0x2f4f4f},
    {"darkslategrey", 0x2f4f4f},
    {"darkturquoise", 0x00ced1},
    {"darkviolet", 0x9400d3},
    {"deeppink", 0xff1493},
    {"deepskyblue", 0x00bfff},
    {"dimgray", 0x696969},
    {"dimgrey", 0x696969},
    {"dodgerblue", 0x1e90ff},
    {"firebrick", 0xb22222},
    {"floralwhite", 0xfffaf0},
    {"forestgreen", 0x228b22},
    {"fuchsia", 0xff00ff},
    {"gainsboro", 0xdcdcdc},
    {"ghostwhite", 0xf8f8ff},
    {"gold", 0xffd700},
    {"goldenrod", 0xdaa520},
    {"gray", 0x808080},
    {"green", 0x008000},
    {"greenyellow", 0xadff2f},
    {"grey", 0x808080},
    {"honeydew", 0xf0fff0},
    {"hotpink", 0xff69b4},
    {"indianred", 0xcd5c5c},
    {"indigo", 0x4b0082},
    {"ivory", 0xfffff0},
    {"khaki", 0xf0e68c},
    {"lavender", 0xe6e6fa},
    {"lavenderblush", 0xfff0f5},
    {"lawngreen", 0x7cfc00},
    {"lemonchiffon", 0xfffacd},
    {"lightblue", 0xadd8e6},
    {"lightcoral", 0xf08080},
    {"lightcyan", 0xe0ffff},
    {"lightgoldenrodyellow", 0xfafad2},
    {"lightgray", 0xd3d3d3},
    {"lightgreen", 0x90ee90},
    {"lightgrey", 0xd3d3d3},
    {"lightpink", 0xffb6c1},
    {"lightsalmon", 0xffa07a},
    {"lightseagreen", 0x20b2aa},
    {"lightskyblue", 0x87cefa},
    {"lightslategray", 0x778899},
    {"lightslategrey", 0x778899},
    {"lightsteelblue", 0xb0c4de},
    {"lightyellow", 0xffffe0},
    {"lime", 0x00ff00},
    {"limegreen", 0x32cd32},
    {"linen", 0xfaf0e6},
    {"magenta", 0xff00ff},
    {"maroon", 0x800000},
    {"mediumaquamarine", 0x66cdaa},
    {"mediumblue", 0x0000cd},
    {"mediumorchid", 0xba55d3},
    {"mediumpurple", 0x9370db},
    {"mediumseagreen", 0x3cb371},
    {"mediumslateblue", 0x7b68ee},
    {"mediumspringgreen", 0x00fa9a},
    {"mediumturquoise", 0x48d1cc},
    {"mediumvioletred", 0xc71585},
    {"midnightblue", 0x191970},
    {"mintcream", 0xf5fffa},
    {"mistyrose", 0xffe4e1},
    {"moccasin", 0xffe4b5},
    {"navajowhite", 0xffdead},
    {"navy", 0x000080},
    {"oldlace", 0xfdf5e6},
    {"olive", 0x808000},
    {"olivedrab", 0x6b8e23},
    {"orange", 0xffa500},
    {"orangered", 0xff4500},
    {"orchid", 0xda70d6},
    {"palegoldenrod", 0xeee8aa},
    {"palegreen", 0x98fb98},
    {"paleturquoise", 0xafeeee},
    {"palevioletred", 0xdb7093},
    {"papayawhip", 0xffefd5},
    {"peachpuff", 0xffdab9},
    {"peru", 0xcd853f},
    {"pink", 0xffc0cb},
    {"plum", 0xdda0dd},
    {"powderblue", 0xb0e0e6},
    {"purple", 0x800080},
    {"rebeccapurple", 0x663399},
    {"red", 0xff0000},
    {"rosybrown", 0xbc8f8f},
    {"royalblue", 0x4169e1},
    {"saddlebrown", 0x8b4513},
    {"salmon", 0xfa8072},
    {"sandybrown", 0xf4a460},
    {"seagreen", 0x2e8b57},
    {"seashell", 0xfff5ee},
    {"sienna", 0xa0522d},
    {"silver", 0xc0c0c0},
    {"skyblue", 0x87ceeb},
    {"slateblue", 0x6a5acd},
    {"slategray", 0x708090},
    {"slategrey", 0x708090},
    {"snow", 0xfffafa},
    {"springgreen", 0x00ff7f},
    {"steelblue", 0x4682b4},
    {"tan", 0xd2b48c},
    {"teal", 0x008080},
    {"thistle", 0xd8bfd8},
    {"tomato", 0xff6347},
    {"turquoise", 0x40e0d0},
    {"violet", 0xee82ee},
    {"wheat", 0xf5deb3},
    {"white", 0xffffff},
    {"whitesmoke", 0xf5f5f5},
    {"yellow", 0xffff00},
    {"yellowgreen", 0x9acd32},
}};

constexpr bool byName(const NamedColor& a, const NamedColor& b) {
    return a.name < b.name;
}
static_assert(std::is_sorted(namedColors.begin(), namedColors.end(), byName));

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string lowercased(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return result;
}

bool allHex(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return hexDigitValue(c) >= 0; });
}

RgbColor fromBytes(int red, int green, int blue) {
    return {red / 255.0, green / 255.0, blue / 255.0};
}

RgbColor fromPacked(std::uint32_t rgb) {
    return fromBytes(static_cast<int>(rgb >> 16), static_cast<int>((rgb >> 8) & 0xff),
                     static_cast<int>(rgb & 0xff));
}

// #rgb, #rgba, #rrggbb, #rrggbbaa (digits given without the number sign).
std::optional<RgbColor> fromHex(std::string_view digits) {
    if (!allHex(digits))
        return std::nullopt;
    const auto at = [&](std::size_t i) { return hexDigitValue(digits[i]); };
    if (digits.size() == 3 || digits.size() == 4)
        return fromBytes(at(0) * 17, at(1) * 17, at(2) * 17);
    if (digits.size() == 6 || digits.size() == 8)
        return fromBytes(at(0) * 16 + at(1), at(2) * 16 + at(3), at(4) * 16 + at(5));
    return std::nullopt;
}

// One component of rgb(): a number from 0 to 255 or a percentage, clamped, as a fraction.
std::optional<double> rgbComponent(std::string_view token) {
    const bool percent = token.ends_with('%');
    if (percent)
        token.remove_suffix(1);
    if (token.starts_with('+'))
        token.remove_prefix(1);
    double number = 0;
    const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), number);
    if (error != std::errc() || end != token.data() + token.size() || token.empty())
        return std::nullopt;
    const double fraction = percent ? number / 100.0 : number / 255.0;
    return std::clamp(fraction, 0.0, 1.0);
}

// The inside of rgb(...) or rgba(...): three components and an optional alpha, separated
// by commas or (the modern form) by spaces with "/" before the alpha.
std::optional<RgbColor> fromRgbFunction(std::string_view arguments) {
    std::array<double, 3> components{};
    std::size_t count = 0;
    std::size_t at = 0;
    while (at < arguments.size()) {
        const char c = arguments[at];
        if (isSpace(c) || c == ',' || c == '/') {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < arguments.size() && !isSpace(arguments[end]) && arguments[end] != ',' &&
               arguments[end] != '/')
            ++end;
        const std::string_view token = arguments.substr(at, end - at);
        at = end;
        if (count == 3) {
            // The alpha: checked for form, not used.
            if (!rgbComponent(token))
                return std::nullopt;
            ++count;
            continue;
        }
        if (count > 3)
            return std::nullopt;
        const std::optional<double> value = rgbComponent(token);
        if (!value)
            return std::nullopt;
        components[count++] = *value;
    }
    if (count < 3)
        return std::nullopt;
    return RgbColor{components[0], components[1], components[2]};
}

} // namespace

std::optional<RgbColor> named(std::string_view name) {
    const std::string key = lowercased(name);
    const auto found =
        std::lower_bound(namedColors.begin(), namedColors.end(), NamedColor{key, 0}, byName);
    if (found == namedColors.end() || found->name != key)
        return std::nullopt;
    return fromPacked(found->rgb);
}

std::optional<RgbColor> parse(std::string_view value) {
    value = trimmed(value);
    // No colour of any form is this long; this keeps hostile styles cheap.
    if (value.empty() || value.size() > 256)
        return std::nullopt;
    if (value.front() == '#')
        return fromHex(value.substr(1));
    const std::string lower = lowercased(value);
    for (const std::string_view function : {"rgb(", "rgba("}) {
        if (lower.starts_with(function) && lower.ends_with(')'))
            return fromRgbFunction(std::string_view(lower).substr(
                function.size(), lower.size() - function.size() - 1));
    }
    // Outlook writes its default text colour as the system colour "windowtext".
    if (lower == "windowtext")
        return fromPacked(0x000000);
    return named(lower);
}

std::optional<RgbColor> parseLegacy(std::string_view value) {
    value = trimmed(value);
    if (value.empty() || lowercased(value) == "transparent")
        return std::nullopt;
    if (std::optional<RgbColor> color = named(value))
        return color;
    if (value.size() == 4 && value.front() == '#' && allHex(value.substr(1)))
        return fromHex(value.substr(1));
    // The generic rule: every character that is not a hexadecimal digit counts as "0"
    // (a character outside the Basic Multilingual Plane as "00", as in UTF-16), the text
    // is padded to three equal parts, and each part is cut down to two digits.
    std::string digits;
    for (std::size_t i = 0; i < value.size() && digits.size() < 128;) {
        const auto byte = static_cast<unsigned char>(value[i]);
        std::size_t length = 1;
        if (byte >= 0xf0)
            length = 4;
        else if (byte >= 0xe0)
            length = 3;
        else if (byte >= 0xc0)
            length = 2;
        if (length == 4)
            digits += "00";
        else
            digits += hexDigitValue(value[i]) >= 0 ? value[i] : '0';
        i += length;
    }
    digits.resize(std::min<std::size_t>(digits.size(), 128));
    if (value.front() == '#')
        digits.erase(0, 1);
    while (digits.empty() || digits.size() % 3 != 0)
        digits += '0';
    std::size_t length = digits.size() / 3;
    std::array<std::string_view, 3> parts{};
    for (std::size_t i = 0; i < 3; ++i)
        parts[i] = std::string_view(digits).substr(i * length, length);
    if (length > 8) {
        for (std::string_view& part : parts)
            part.remove_prefix(length - 8);
        length = 8;
    }
    while (length > 2 && parts[0][0] == '0' && parts[1][0] == '0' && parts[2][0] == '0') {
        for (std::string_view& part : parts)
            part.remove_prefix(1);
        --length;
    }
    std::array<int, 3> bytes{};
    for (std::size_t i = 0; i < 3; ++i) {
        const std::string_view part = parts[i].substr(0, 2);
        bytes[i] = 0;
        for (const char c : part)
            bytes[i] = bytes[i] * 16 + hexDigitValue(c);
    }
    return fromBytes(bytes[0], bytes[1], bytes[2]);
}

} // namespace quillo::CssColor
