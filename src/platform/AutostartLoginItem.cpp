#include "AutostartLoginItem.h"

#include "core/util/Files.h"
#include "core/util/Translation.h"

#include <algorithm>
#include <iterator>
#include <sstream>
#include <string_view>
#include <utility>

namespace quillo {

namespace {

/// The lines that switch an entry off: Hidden=true, and GNOME's own switch.
struct SwitchedOff {
    std::string_view key;
    std::string_view value;
};
constexpr SwitchedOff switchedOff[] = {{"Hidden", "true"}, {"X-GNOME-Autostart-enabled", "false"}};

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

/// True when a line of the entry's main group switches it off.
bool switchesOff(std::string_view line) {
    const auto equals = line.find('=');
    if (equals == std::string_view::npos)
        return false;
    const std::string_view key = trimmed(line.substr(0, equals));
    const std::string_view value = trimmed(line.substr(equals + 1));
    for (const SwitchedOff& off : switchedOff)
        if (key == off.key && value == off.value)
            return true;
    return false;
}

/// The string escapes of desktop entries, applied to the whole value after quoting.
constexpr std::pair<char, std::string_view> stringEscapes[] = {
    {'\\', "\\\\"}, {'\n', "\\n"}, {'\t', "\\t"}, {'\r', "\\r"}};

std::string escapedValue(const std::string& value) {
    std::string escaped;
    for (const char c : value) {
        const auto* escape = std::find_if(std::begin(stringEscapes), std::end(stringEscapes),
                                          [c](const auto& entry) { return entry.first == c; });
        if (escape != std::end(stringEscapes))
            escaped += escape->second;
        else
            escaped += c;
    }
    return escaped;
}

} // namespace

AutostartLoginItem::AutostartLoginItem(std::filesystem::path configFolder,
                                       std::filesystem::path programPath)
    : entryFile_(configFolder / "autostart" / "quillo.desktop"),
      programPath_(std::move(programPath)) {}

std::string AutostartLoginItem::execArgument(const std::string& argument) {
    // "%" starts a field code anywhere in the line, quoted or not.
    std::string text;
    for (const char c : argument)
        text += c == '%' ? std::string("%%") : std::string(1, c);
    if (text.find_first_of(" \t\n\"'\\><~|&;$*?#()`") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

std::string AutostartLoginItem::entry() const {
    // TRANSLATORS: What Quillo does, in the desktop's list of programs opened at login.
    const std::string comment = i18n("Paste your snippets anywhere");
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Quillo\n"
           "Comment=" +
           escapedValue(comment) +
           "\n"
           "Exec=" +
           escapedValue(execArgument(programPath_.string()) + " --autostart") +
           "\n"
           "Icon=quillo\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool AutostartLoginItem::isEnabled() const {
    std::string text;
    try {
        text = Files::read(entryFile_, 1 << 20);
    } catch (const FileError&) {
        return false;
    }
    std::istringstream lines(text);
    bool inMainGroup = false;
    for (std::string line; std::getline(lines, line);) {
        const std::string_view content = trimmed(line);
        if (content.starts_with('['))
            inMainGroup = content == "[Desktop Entry]";
        else if (inMainGroup && switchesOff(content))
            return false;
    }
    return true;
}

void AutostartLoginItem::setEnabled(bool enabled) {
    try {
        if (enabled) {
            Files::createFolders(entryFile_.parent_path());
            Files::writeAtomically(entryFile_, entry());
        } else if (Files::exists(entryFile_)) {
            Files::remove(entryFile_);
        }
    } catch (const FileError& error) {
        std::string problem;
        if (enabled)
            // TRANSLATORS: {reason} is what went wrong with the file, as the system says it.
            problem = i18n("Quillo could not be set to open at login: {reason}");
        else
            // TRANSLATORS: {reason} is what went wrong with the file, as the system says it.
            problem = i18n("Quillo could not stop opening at login: {reason}");
        throw LoginItemError(fill(problem, {{"reason", error.what()}}));
    }
}

} // namespace quillo
