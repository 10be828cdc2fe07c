#include "SwayBindings.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <map>
#include <set>
#include <sstream>
#include <vector>

namespace quillo::SwayBindings {

namespace {

std::string lowered(std::string_view text) {
    std::string lower(text);
    std::ranges::transform(lower, lower.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

/// The pieces of `text` between the separators (clang's ranges can't split with this library).
std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> pieces;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        pieces.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos)
            return pieces;
        start = end + 1;
    }
}

/// A combination reduced to what decides whether two are the same press.
struct Press {
    std::set<std::string> modifiers;
    std::string key;
    friend bool operator==(const Press&, const Press&) = default;
};

std::optional<std::string> canonicalModifier(std::string_view name) {
    static const std::map<std::string, std::string> names{
        {"ctrl", "ctrl"}, {"control", "ctrl"}, {"shift", "shift"}, {"mod1", "mod1"},
        {"alt", "mod1"},  {"mod4", "mod4"},    {"super", "mod4"},  {"mod2", "mod2"},
        {"mod3", "mod3"}, {"mod5", "mod5"},    {"lock", "lock"},
    };
    const auto found = names.find(lowered(name));
    if (found == names.end())
        return std::nullopt;
    return found->second;
}

std::optional<Press> pressOf(std::string_view combination) {
    Press press;
    const std::vector<std::string_view> parts = split(combination, '+');
    if (parts.empty() || parts.back().empty())
        return std::nullopt;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        const std::optional<std::string> modifier = canonicalModifier(parts[i]);
        if (!modifier)
            return std::nullopt;
        press.modifiers.insert(*modifier);
    }
    press.key = lowered(parts.back());
    return press;
}

std::vector<std::string> words(std::string_view line) {
    std::vector<std::string> found;
    std::istringstream stream{std::string(line)};
    std::string word;
    while (stream >> word)
        found.push_back(word);
    return found;
}

/// Replaces each "$name" set earlier, longest names first as sway does.
std::string substituted(std::string text, const std::map<std::string, std::string>& variables) {
    std::vector<std::pair<std::string, std::string>> byLength(variables.begin(), variables.end());
    std::ranges::sort(byLength,
                      [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
    for (const auto& [name, value] : byLength) {
        std::size_t at = 0;
        while ((at = text.find(name, at)) != std::string::npos) {
            text.replace(at, name.size(), value);
            at += value.size();
        }
    }
    return text;
}

} // namespace

std::string combination(std::string_view keysymName, std::uint32_t modifiers) {
    std::string text;
    if (modifiers & 0x1000U)
        text += "Ctrl+";
    if (modifiers & 0x800U)
        text += "Mod1+";
    if (modifiers & 0x200U)
        text += "Shift+";
    if (modifiers & 0x100U)
        text += "Mod4+";
    return text + std::string(keysymName);
}

std::string pickerCommand(std::string_view program) {
    std::string quoted = "\"";
    for (const char c : program) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\" --picker";
}

std::optional<Binding> boundBy(std::string_view config, std::string_view combination) {
    const std::optional<Press> wanted = pressOf(combination);
    if (!wanted)
        return std::nullopt;
    std::map<std::string, std::string> variables;
    // The keyword of each open block: "mode", "bar", "input", "bindsym", ...
    std::vector<std::string> blocks;
    for (const std::string_view line : split(config, '\n')) {
        std::vector<std::string> parts = words(line);
        if (parts.empty() || parts.front().starts_with('#'))
            continue;
        if (parts.front() == "}") {
            if (!blocks.empty())
                blocks.pop_back();
            continue;
        }
        const bool opens = parts.back() == "{";
        if (opens)
            parts.pop_back();
        const bool topLevel = blocks.empty();
        const bool inBindingBlock = blocks.size() == 1 && blocks.front() == "bindsym";
        if (opens)
            blocks.push_back(parts.empty() ? std::string() : parts.front());
        if (topLevel && parts.size() >= 3 && parts[0] == "set" && parts[1].starts_with('$')) {
            variables[parts[1]] = parts[2];
            continue;
        }
        // "bindsym COMBINATION COMMAND" at the top, or "COMBINATION COMMAND" in "bindsym {".
        std::size_t at = 0;
        if (topLevel && !parts.empty() && parts[0] == "bindsym")
            at = 1;
        else if (!inBindingBlock || opens)
            continue;
        while (at < parts.size() && parts[at].starts_with("--"))
            ++at;
        if (at >= parts.size())
            continue;
        const std::string bound = substituted(parts[at], variables);
        if (const std::optional<Press> press = pressOf(bound); !press || *press != *wanted)
            continue;
        std::string command;
        for (std::size_t i = at + 1; i < parts.size(); ++i)
            command += (command.empty() ? "" : " ") + substituted(parts[i], variables);
        return Binding{bound, command};
    }
    return std::nullopt;
}

} // namespace quillo::SwayBindings
