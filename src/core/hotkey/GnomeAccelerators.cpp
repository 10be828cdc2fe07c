#include "GnomeAccelerators.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace quillo {

namespace {

constexpr std::uint32_t command = 0x100, shift = 0x200, option = 0x800, control = 0x1000;

std::optional<std::uint32_t> modifierNamed(std::string_view name) {
    // GTK's names and their aliases. Meta and Hyper sit on whichever real modifier the
    // keymap gives them, so they can't be told equal to one of ours.
    static const std::map<std::string, std::uint32_t, std::less<>> modifiers{
        {"control", control}, {"ctrl", control}, {"ctl", control}, {"primary", control},
        {"shift", shift},     {"shft", shift},   {"alt", option},  {"mod1", option},
        {"super", command},   {"mod4", command},
    };
    std::string lower(name);
    std::ranges::transform(lower, lower.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const auto found = modifiers.find(lower);
    if (found == modifiers.end())
        return std::nullopt;
    return found->second;
}

} // namespace

std::string gnomeAccelerator(std::string_view keysymName, std::uint32_t modifiers) {
    std::string text;
    if (modifiers & shift)
        text += "<Shift>";
    if (modifiers & control)
        text += "<Control>";
    if (modifiers & option)
        text += "<Alt>";
    if (modifiers & command)
        text += "<Super>";
    return text + std::string(keysymName);
}

std::optional<ParsedAccelerator> parseGnomeAccelerator(std::string_view accelerator) {
    if (accelerator == "disabled")
        return std::nullopt;
    ParsedAccelerator parsed;
    while (accelerator.starts_with('<')) {
        const std::size_t end = accelerator.find('>');
        if (end == std::string_view::npos)
            return std::nullopt;
        const std::optional<std::uint32_t> modifier = modifierNamed(accelerator.substr(1, end - 1));
        if (!modifier)
            return std::nullopt;
        parsed.modifiers |= *modifier;
        accelerator.remove_prefix(end + 1);
    }
    if (accelerator.empty())
        return std::nullopt;
    parsed.keyName = accelerator;
    return parsed;
}

} // namespace quillo
