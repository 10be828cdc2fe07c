#include "Rtf.h"

#include <cmath>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quillo {

namespace {

struct Rgb {
    int red;
    int green;
    int blue;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

Rgb bytesOf(const RgbColor& color) {
    const auto byte = [](double component) {
        return static_cast<int>(std::lround(std::fmin(std::fmax(component, 0.0), 1.0) * 255));
    };
    return {byte(color.red), byte(color.green), byte(color.blue)};
}

// The code points of UTF-8 text; an ill-formed sequence reads as U+FFFD.
template <typename Visit> void forEachCodePoint(std::string_view text, Visit visit) {
    std::size_t at = 0;
    while (at < text.size()) {
        const auto lead = static_cast<unsigned char>(text[at]);
        std::size_t length = 0;
        char32_t point = 0;
        if (lead < 0x80) {
            length = 1;
            point = lead;
        } else if (lead >= 0xc2 && lead < 0xe0) {
            length = 2;
            point = lead & 0x1f;
        } else if (lead >= 0xe0 && lead < 0xf0) {
            length = 3;
            point = lead & 0x0f;
        } else if (lead >= 0xf0 && lead < 0xf5) {
            length = 4;
            point = lead & 0x07;
        }
        bool valid = length > 0 && at + length <= text.size();
        for (std::size_t i = 1; valid && i < length; ++i) {
            const auto next = static_cast<unsigned char>(text[at + i]);
            valid = (next & 0xc0) == 0x80;
            point = (point << 6) | (next & 0x3f);
        }
        // Overlong forms, surrogates and values past U+10FFFF are ill-formed too.
        static constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        valid = valid && point >= smallest[length] && point <= 0x10ffff &&
                (point < 0xd800 || point > 0xdfff);
        if (!valid) {
            visit(U'\ufffd');
            ++at;
            continue;
        }
        visit(point);
        at += length;
    }
}

void appendUnicode(std::string& rtf, char32_t unit) {
    // \u takes a signed 16-bit number; the fallback "?" is written as \'3f, which every
    // reader skips as one character (some take a literal "?" and the next one with it).
    rtf += "\\u";
    rtf += std::to_string(static_cast<std::int16_t>(static_cast<std::uint16_t>(unit)));
    rtf += "\\'3f";
}

// Text in RTF: the three special characters escaped, tabs and line feeds as control
// words, everything outside ASCII as Unicode escapes (UTF-16, so pairs above U+FFFF).
void appendText(std::string& rtf, std::string_view text) {
    forEachCodePoint(text, [&](char32_t point) {
        if (point == '\\' || point == '{' || point == '}') {
            rtf += '\\';
            rtf += static_cast<char>(point);
        } else if (point == '\t') {
            rtf += "\\tab ";
        } else if (point == '\n') {
            rtf += "\\par\n";
        } else if (point < 0x20 || point == 0x7f) {
            // Other control characters have no place in a document.
        } else if (point < 0x80) {
            rtf += static_cast<char>(point);
        } else if (point < 0x10000) {
            appendUnicode(rtf, point);
        } else {
            const char32_t offset = point - 0x10000;
            appendUnicode(rtf, 0xd800 + (offset >> 10));
            appendUnicode(rtf, 0xdc00 + (offset & 0x3ff));
        }
    });
}

// A field instruction's quoted argument escapes backslashes and quotes with a backslash;
// the RTF text escaping then comes on top.
std::string quotedArgument(std::string_view url) {
    std::string argument;
    for (const char c : url) {
        if (c == '\\' || c == '"')
            argument += '\\';
        argument += c;
    }
    return argument;
}

struct Look {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;
    std::size_t color = 0; // index into the colour table; 0 is the default colour
};

struct Switch {
    bool Look::*flag;
    const char* on;
    const char* off;
};

constexpr Switch switches[] = {
    {&Look::bold, "\\b", "\\b0"},
    {&Look::italic, "\\i", "\\i0"},
    {&Look::underline, "\\ul", "\\ulnone"},
    {&Look::strikethrough, "\\strike", "\\strike0"},
};

// The control words that turn `from` into `to`, each followed by its delimiting space.
void appendChange(std::string& rtf, const Look& from, const Look& to) {
    for (const Switch& each : switches) {
        if (from.*each.flag != to.*each.flag) {
            rtf += to.*each.flag ? each.on : each.off;
            rtf += ' ';
        }
    }
    if (from.color != to.color) {
        rtf += "\\cf" + std::to_string(to.color);
        rtf += ' ';
    }
}

} // namespace

std::string rtfFromStyledText(const StyledText& text) {
    std::vector<Rgb> colors;
    const auto colorIndex = [&](const std::optional<RgbColor>& color) -> std::size_t {
        if (!color)
            return 0;
        const Rgb rgb = bytesOf(*color);
        for (std::size_t i = 0; i < colors.size(); ++i)
            if (colors[i] == rgb)
                return i + 1;
        colors.push_back(rgb);
        return colors.size();
    };
    std::vector<Look> looks;
    looks.reserve(text.runs().size());
    for (const StyledText::Run& run : text.runs()) {
        const TextAttributes& a = run.attributes;
        looks.push_back({a.bold, a.italic, a.underline, a.strikethrough, colorIndex(a.color)});
    }

    std::string rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Helvetica;}}"
                      "{\\colortbl;";
    for (const Rgb& rgb : colors)
        rtf += "\\red" + std::to_string(rgb.red) + "\\green" + std::to_string(rgb.green) +
               "\\blue" + std::to_string(rgb.blue) + ";";
    rtf += "}\n\\f0\\fs24 ";

    Look current;
    const std::vector<StyledText::Run>& runs = text.runs();
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const std::optional<std::string>& link = runs[i].attributes.link;
        if (!link) {
            appendChange(rtf, current, looks[i]);
            current = looks[i];
            appendText(rtf, std::string_view(text.text()).substr(runs[i].start, runs[i].length));
            continue;
        }
        // Neighbouring runs with the same link make one field; the group keeps their
        // styling to itself.
        rtf += "{\\field{\\*\\fldinst{HYPERLINK \"";
        appendText(rtf, quotedArgument(*link));
        rtf += "\"}}{\\fldrslt ";
        Look inside = current;
        for (; i < runs.size() && runs[i].attributes.link == link; ++i) {
            appendChange(rtf, inside, looks[i]);
            inside = looks[i];
            appendText(rtf, std::string_view(text.text()).substr(runs[i].start, runs[i].length));
        }
        --i;
        rtf += "}}";
    }
    rtf += "}";
    return rtf;
}

} // namespace quillo
