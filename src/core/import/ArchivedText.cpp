#include "ArchivedText.h"

#include "core/util/Translation.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

namespace quillo {

namespace {

using Ref = KeyedArchive::Ref;

bool containsAny(std::string_view text, std::initializer_list<std::string_view> words) {
    return std::any_of(words.begin(), words.end(),
                       [&](std::string_view word) { return text.find(word) != text.npos; });
}

/// The numbers of a colour's component text ("0.5 0 1\0"), read the same in every locale.
std::vector<double> components(const std::string& text) {
    std::vector<double> numbers;
    const char* position = text.data();
    const char* end = text.data() + std::min(text.find('\0'), text.size());
    while (position < end) {
        while (position < end && std::isspace(static_cast<unsigned char>(*position)))
            ++position;
        if (position == end)
            break;
        double number = 0;
        const auto [next, error] = std::from_chars(position, end, number);
        if (error != std::errc() || next == position)
            break;
        numbers.push_back(std::isfinite(number) ? std::clamp(number, 0.0, 1.0) : 0.0);
        position = next;
    }
    return numbers;
}

std::optional<std::vector<double>> componentsOf(const KeyedArchive& archive, Ref color,
                                                std::string_view key, std::size_t count) {
    const auto value = archive.field(color, key);
    const auto text = value ? archive.data(*value) : std::nullopt;
    if (!text)
        return std::nullopt;
    std::vector<double> numbers = components(*text);
    if (numbers.size() < count)
        return std::nullopt;
    return numbers;
}

/// Newer archives add the exact sRGB components when the colour was made in sRGB.
bool hasExactSRGBComponents(const KeyedArchive& archive, Ref color) {
    const auto space = archive.field(color, "NSCustomColorSpace");
    const auto id = space ? archive.field(*space, "NSID") : std::nullopt;
    const auto number = id ? archive.integer(*id) : std::nullopt;
    return number == 7;
}

std::optional<RgbColor> rgbColor(const KeyedArchive& archive, Ref color) {
    std::optional<std::vector<double>> rgb;
    if (hasExactSRGBComponents(archive, color))
        rgb = componentsOf(archive, color, "NSComponents", 3);
    if (!rgb)
        rgb = componentsOf(archive, color, "NSRGB", 3);
    if (!rgb)
        return std::nullopt;
    return RgbColor{(*rgb)[0], (*rgb)[1], (*rgb)[2]};
}

std::optional<RgbColor> whiteColor(const KeyedArchive& archive, Ref color) {
    const auto white = componentsOf(archive, color, "NSWhite", 1);
    if (!white)
        return std::nullopt;
    return RgbColor{(*white)[0], (*white)[0], (*white)[0]};
}

std::optional<RgbColor> cmykColor(const KeyedArchive& archive, Ref color) {
    auto cmyk = componentsOf(archive, color, "NSCMYK", 4);
    if (!cmyk) // Some writers spell the key this way.
        cmyk = componentsOf(archive, color, "NSCYMK", 4);
    if (!cmyk)
        return std::nullopt;
    const double black = (*cmyk)[3];
    return RgbColor{(1 - (*cmyk)[0]) * (1 - black), (1 - (*cmyk)[1]) * (1 - black),
                    (1 - (*cmyk)[2]) * (1 - black)};
}

std::optional<RgbColor> catalogColor(const KeyedArchive& archive, Ref color) {
    const auto nameRef = archive.field(color, "NSColorName");
    const auto name = nameRef ? archive.string(*nameRef) : std::nullopt;
    // The text colours follow the reader's appearance: they mean "no colour of its own".
    if (name == "textColor" || name == "labelColor" || name == "controlTextColor")
        return std::nullopt;
    const auto fallback = archive.field(color, "NSColor");
    return fallback ? archivedColor(archive, *fallback) : std::nullopt;
}

TextAttributes attributes(const KeyedArchive& archive, Ref dictionary) {
    TextAttributes result;
    const auto entries = archive.dictionary(dictionary);
    if (!entries)
        return result;
    for (const auto& [keyRef, value] : *entries) {
        const auto key = archive.string(keyRef);
        if (!key)
            continue;
        if (*key == "NSFont") {
            const auto nameRef = archive.field(value, "NSName");
            if (const auto name = nameRef ? archive.string(*nameRef) : std::nullopt; name) {
                const FontTraits traits = fontTraits(*name);
                result.bold = traits.bold;
                result.italic = traits.italic;
            }
        } else if (*key == "NSUnderline") {
            result.underline = archive.integer(value).value_or(0) != 0;
        } else if (*key == "NSStrikethrough") {
            result.strikethrough = archive.integer(value).value_or(0) != 0;
        } else if (*key == "NSColor") {
            result.color = archivedColor(archive, value);
        } else if (*key == "NSLink") {
            // Real archives hold URL objects and bare strings (an address without a scheme).
            auto link = archive.string(value);
            if (!link)
                link = archive.url(value);
            if (link && !link->empty())
                result.link = std::move(*link);
        }
    }
    return result;
}

/// One unsigned LEB128 number of the run table.
std::size_t readNumber(const std::string& bytes, std::size_t& position) {
    std::uint64_t number = 0;
    for (int shift = 0;; shift += 7) {
        if (position >= bytes.size())
            throw ArchiveError(i18n("The archive is damaged: a text's styles are cut short."));
        if (shift > 56)
            throw ArchiveError(i18n("The archive is damaged: a text's styles are unreadable."));
        const auto byte = static_cast<unsigned char>(bytes[position++]);
        number |= std::uint64_t{byte & 0x7Fu} << shift;
        if ((byte & 0x80) == 0)
            return static_cast<std::size_t>(std::min<std::uint64_t>(number, SIZE_MAX / 2));
    }
}

struct Run {
    std::size_t length;    // UTF-16 units
    std::size_t attribute; // index into the attribute list
};

std::vector<Run> runTable(const std::string& bytes) {
    std::vector<Run> runs;
    std::size_t position = 0;
    while (position < bytes.size()) {
        const std::size_t length = readNumber(bytes, position);
        runs.push_back({length, readNumber(bytes, position)});
    }
    return runs;
}

bool isHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

} // namespace

FontTraits fontTraits(std::string_view postScriptName) {
    const std::size_t hyphen = postScriptName.rfind('-');
    if (hyphen == std::string_view::npos)
        return {};
    std::string style(postScriptName.substr(hyphen + 1));
    std::transform(style.begin(), style.end(), style.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    // "demi" covers semibold and demibold; "bold" covers extrabold and ultrabold.
    return {containsAny(style, {"bold", "demi", "black", "heavy"}),
            containsAny(style, {"italic", "oblique", "slanted", "inclined", "kursiv"})};
}

std::optional<RgbColor> archivedColor(const KeyedArchive& archive, Ref color) {
    KeyedArchive::Visit visit(archive, color);
    const auto spaceRef = archive.field(color, "NSColorSpace");
    switch (spaceRef ? archive.integer(*spaceRef).value_or(0) : 0) {
    case 1:
    case 2:
        return rgbColor(archive, color);
    case 3:
    case 4:
        return whiteColor(archive, color);
    case 5:
        return cmykColor(archive, color);
    case 6:
        return catalogColor(archive, color);
    default:
        return std::nullopt;
    }
}

std::optional<StyledText> archivedStyledText(const KeyedArchive& archive, Ref object) {
    if (!archive.isKindOf(object, "NSAttributedString"))
        return std::nullopt;
    const auto stringRef = archive.field(object, "NSString");
    const std::u16string text =
        stringRef ? archive.utf16String(*stringRef).value_or(u"") : std::u16string();

    std::vector<TextAttributes> styles;
    std::vector<Run> runs;
    if (const auto stylesRef = archive.field(object, "NSAttributes"); stylesRef) {
        if (const auto list = archive.array(*stylesRef); list) {
            for (Ref dictionary : *list)
                styles.push_back(attributes(archive, dictionary));
            const auto infoRef = archive.field(object, "NSAttributeInfo");
            const auto info = infoRef ? archive.data(*infoRef) : std::nullopt;
            runs = info ? runTable(*info) : std::vector<Run>{{text.size(), 0}};
        } else {
            styles.push_back(attributes(archive, *stylesRef));
            runs.push_back({text.size(), 0});
        }
    }

    StyledText result;
    std::size_t start = 0;
    for (const Run& run : runs) {
        if (start >= text.size())
            break;
        std::size_t end = start + std::min(run.length, text.size() - start);
        // A run never ends between the two halves of a character.
        if (end < text.size() && end > start && isHighSurrogate(text[end - 1]) &&
            isLowSurrogate(text[end]))
            ++end;
        const TextAttributes plain;
        const TextAttributes& style = run.attribute < styles.size() ? styles[run.attribute] : plain;
        result.append(PropertyList::utf8(std::u16string_view(text).substr(start, end - start)),
                      style);
        start = end;
    }
    if (start < text.size())
        result.append(PropertyList::utf8(std::u16string_view(text).substr(start)));
    return result;
}

} // namespace quillo
