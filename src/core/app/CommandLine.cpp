#include "CommandLine.h"

#include "core/util/DateText.h"
#include "core/util/Translation.h"

#include <algorithm>
#include <functional>
#include <span>

namespace quillo::CommandLine {

namespace {

constexpr std::string_view importOption = "--import-atext";

// The lines that show how a mode is written; translated where they are shown.
namespace Usage {
constexpr const char* program = I18N_NOOP(
    "quillo [list | search | fields | render | paste | --import-atext PATH | --help | --version]");
constexpr const char* list = I18N_NOOP("quillo list [--json]");
constexpr const char* search = I18N_NOOP("quillo search QUERY... [--json]");
constexpr const char* fields = I18N_NOOP("quillo fields SNIPPET [--json]");
constexpr const char* render = I18N_NOOP("quillo render SNIPPET [--field NAME=VALUE]... "
                                         "[--clipboard TEXT] [--now ISO8601] [--html]");
constexpr const char* paste = I18N_NOOP("quillo paste SNIPPET [--field NAME=VALUE]...");
} // namespace Usage

constexpr const char* missingSnippet = I18N_NOOP("missing SNIPPET");
constexpr const char* unknownOption = I18N_NOOP("unknown option “{name}”");
constexpr const char* unknownCommand = I18N_NOOP("unknown command “{name}”");

using Arguments = std::span<const std::string>;
using Problem = std::optional<std::string>;

/// One option of a mode. `apply` takes its value (empty for a flag) and says what is
/// wrong with it, if anything.
struct Option {
    std::string_view name;
    bool takesValue = false;
    std::function<Problem(std::string_view value)> apply;
};

/// A mode's arguments once its options are applied.
struct ModeArguments {
    std::vector<std::string> operands;
    bool help = false;
    Problem problem;
};

/// Options may come anywhere, as "--name VALUE" or "--name=VALUE"; after "--" everything
/// is an operand, and so is a lone "-".
ModeArguments readMode(Arguments arguments, const std::vector<Option>& options) {
    ModeArguments read;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument.front() != '-') {
            read.operands.emplace_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "--help" || argument == "-h") {
            read.help = true;
            return read;
        }
        const std::size_t equals = argument.find('=');
        const std::string_view name = argument.substr(0, equals);
        const auto option = std::find_if(options.begin(), options.end(),
                                         [name](const Option& o) { return o.name == name; });
        if (option == options.end()) {
            read.problem = fill(i18n(unknownOption), {{"name", name}});
            return read;
        }
        std::string_view value;
        if (equals != std::string_view::npos) {
            if (!option->takesValue) {
                read.problem = fill(i18n("“{option}” takes no value"), {{"option", name}});
                return read;
            }
            value = argument.substr(equals + 1);
        } else if (option->takesValue) {
            if (i + 1 == arguments.size()) {
                read.problem = fill(i18n("“{option}” needs a value"), {{"option", name}});
                return read;
            }
            value = arguments[++i];
        }
        if (Problem problem = option->apply(value)) {
            read.problem = std::move(problem);
            return read;
        }
    }
    return read;
}

std::string unexpectedArgument(std::string_view argument) {
    return fill(i18n("unexpected argument “{argument}”"), {{"argument", argument}});
}

/// Help or the usage error the arguments end in, if they do.
std::optional<Command> interruption(const ModeArguments& read, const char* usage) {
    if (read.help)
        return Help{};
    if (read.problem)
        return UsageError{*read.problem, i18n(usage)};
    return std::nullopt;
}

/// The usage error for operands other than `wanted` of them (`missing` says what is missing).
std::optional<Command> wrongOperands(const std::vector<std::string>& operands, std::size_t wanted,
                                     const char* missing, const char* usage) {
    if (operands.size() < wanted)
        return UsageError{i18n(missing), i18n(usage)};
    if (operands.size() > wanted)
        return UsageError{unexpectedArgument(operands[wanted]), i18n(usage)};
    return std::nullopt;
}

Option jsonOption(bool& json) {
    return {"--json", false, [&json](std::string_view) -> Problem {
                json = true;
                return std::nullopt;
            }};
}

Command parseList(Arguments arguments) {
    List list;
    const ModeArguments read = readMode(arguments, {jsonOption(list.json)});
    if (std::optional<Command> other = interruption(read, Usage::list))
        return *other;
    if (std::optional<Command> other = wrongOperands(read.operands, 0, "", Usage::list))
        return *other;
    return list;
}

Command parseSearch(Arguments arguments) {
    Search search;
    const ModeArguments read = readMode(arguments, {jsonOption(search.json)});
    if (std::optional<Command> other = interruption(read, Usage::search))
        return *other;
    if (read.operands.empty())
        return UsageError{i18n("missing QUERY"), i18n(Usage::search)};
    for (std::size_t i = 0; i < read.operands.size(); ++i)
        search.query += (i == 0 ? "" : " ") + read.operands[i];
    return search;
}

Command parseFields(Arguments arguments) {
    Fields fields;
    const ModeArguments read = readMode(arguments, {jsonOption(fields.json)});
    if (std::optional<Command> other = interruption(read, Usage::fields))
        return *other;
    if (std::optional<Command> other =
            wrongOperands(read.operands, 1, missingSnippet, Usage::fields))
        return *other;
    fields.snippet = read.operands.front();
    return fields;
}

/// "--field NAME=VALUE"; the last value given for a name wins.
Option fieldOption(Placeholders::Values& values) {
    return {
        "--field", true, [&values](std::string_view value) -> Problem {
            const std::size_t equals = value.find('=');
            if (equals == std::string_view::npos)
                return fill(i18n("“--field” needs NAME=VALUE, not “{value}”"), {{"value", value}});
            values[std::string(value.substr(0, equals))] = value.substr(equals + 1);
            return std::nullopt;
        }};
}

Command parseRender(Arguments arguments) {
    Render render;
    const auto clipboard = [&render](std::string_view value) -> Problem {
        render.clipboard = value;
        return std::nullopt;
    };
    const auto now = [&render](std::string_view value) -> Problem {
        render.now = parseIso8601(value);
        if (!render.now)
            return fill(i18n("“--now” needs a date and time such as 2026-03-01T09:05:07Z, not "
                             "“{value}”"),
                        {{"value", value}});
        return std::nullopt;
    };
    const auto html = [&render](std::string_view) -> Problem {
        render.html = true;
        return std::nullopt;
    };
    const ModeArguments read = readMode(arguments, {fieldOption(render.values),
                                                    {"--clipboard", true, clipboard},
                                                    {"--now", true, now},
                                                    {"--html", false, html}});
    if (std::optional<Command> other = interruption(read, Usage::render))
        return *other;
    if (std::optional<Command> other =
            wrongOperands(read.operands, 1, missingSnippet, Usage::render))
        return *other;
    render.snippet = read.operands.front();
    return render;
}

Command parsePaste(Arguments arguments) {
    Paste paste;
    const ModeArguments read = readMode(arguments, {fieldOption(paste.values)});
    if (std::optional<Command> other = interruption(read, Usage::paste))
        return *other;
    if (std::optional<Command> other =
            wrongOperands(read.operands, 1, missingSnippet, Usage::paste))
        return *other;
    paste.snippet = read.operands.front();
    return paste;
}

/// "--autostart", "--settings" and "--picker" start the program as usual; anything after them is a
/// mistake.
std::optional<Command> parseStartOption(Arguments arguments) {
    if (!arguments.empty())
        return UsageError{unexpectedArgument(arguments.front()), i18n(Usage::program)};
    return std::nullopt;
}

} // namespace

std::optional<Command> parse(const std::vector<std::string>& arguments) {
    const auto import = std::find(arguments.begin(), arguments.end(), importOption);
    if (import != arguments.end() && std::next(import) != arguments.end())
        return ImportBackup{*std::next(import)};

    Arguments rest(arguments);
    if (!rest.empty())
        rest = rest.subspan(1); // the program's path
    if (import != arguments.end() && !rest.empty())
        rest = rest.first(rest.size() - 1); // a last "--import-atext" is ignored
    if (rest.empty())
        return std::nullopt;

    const std::string& mode = rest.front();
    const Arguments modeArguments = rest.subspan(1);
    if (mode == "--help" || mode == "-h")
        return Help{};
    if (mode == "--version")
        return Version{};
    if (mode == "list")
        return parseList(modeArguments);
    if (mode == "search")
        return parseSearch(modeArguments);
    if (mode == "fields")
        return parseFields(modeArguments);
    if (mode == "render")
        return parseRender(modeArguments);
    if (mode == "paste")
        return parsePaste(modeArguments);
    if (mode == autostartOption || mode == settingsOption || mode == pickerOption)
        return parseStartOption(modeArguments);
    const char* unknown = mode.starts_with('-') ? unknownOption : unknownCommand;
    return UsageError{fill(i18n(unknown), {{"name", mode}}), i18n(Usage::program)};
}

std::optional<int> runWithoutLibrary(const Command& command, std::string_view version,
                                     std::ostream& out, std::ostream& err) {
    if (std::holds_alternative<Help>(command)) {
        out << helpText();
        return 0;
    }
    if (std::holds_alternative<Version>(command)) {
        out << "quillo " << version << '\n';
        return 0;
    }
    if (const auto* error = std::get_if<UsageError>(&command)) {
        err << "quillo: " << error->problem << '\n'
            << fill(i18n("Usage: {usage}"), {{"usage", error->usage}}) << '\n';
        return 2;
    }
    return std::nullopt;
}

int outputWritten(int status, std::ostream& out, std::ostream& err) {
    out.flush();
    if (out)
        return status;
    err << i18n("quillo: couldn't write the output") << '\n';
    return 1;
}

bool needsLibrary(const Command& command) {
    return !std::holds_alternative<Help>(command) && !std::holds_alternative<Version>(command) &&
           !std::holds_alternative<UsageError>(command) && !std::holds_alternative<Paste>(command);
}

std::string helpText() {
    return i18n(R"(Usage:
  quillo [--autostart | --settings | --picker]
      Start Quillo in the tray, or show the library of the Quillo already running.
      --autostart is how the start at login begins: the library window stays closed.
      --settings opens the settings window instead of the library.
      --picker opens the picker over the window you are in (or closes it), as the
      shortcut does: for a desktop's own keyboard settings to run.
  quillo list [--json]
      Every snippet in library order: its group ("Ungrouped" for none), a tab, its name.
  quillo search QUERY... [--json]
      The snippets the picker finds for the words, best first, one name per line.
  quillo fields SNIPPET [--json]
      The snippet's fill-in fields: the name, a tab, the default value.
  quillo render SNIPPET [--field NAME=VALUE]... [--clipboard TEXT] [--now ISO8601] [--html]
      The snippet as it is pasted, exactly, with no line break added. --field fills in a
      field (the others take their defaults), --clipboard is the text for {{clipboard}}
      (empty without it), --now fixes the moment (such as 2026-03-01T09:05:07Z), and
      --html prints a rich snippet's HTML instead of its plain text.
  quillo paste SNIPPET [--field NAME=VALUE]...
      Ask the running Quillo to paste the snippet into the window in front, as its menu
      does; fields without --field take their defaults.
  quillo --import-atext PATH
      Import an aText backup into the library.
  quillo --help | --version

SNIPPET is a snippet's id or its exact name (the first snippet of that name). Words
and names that begin with "-" go after "--".
--json prints a JSON array of objects: id, name, group and format, or for fields name
and default.
list, search, fields and render only read the library file, and never change it:
$XDG_DATA_HOME/Quillo/library.json, or ~/.local/share/Quillo/library.json.
Dates follow the locale (LC_ALL, LC_TIME, LANG) and the time zone (TZ).
On GNOME, Settings adds the shortcut to GNOME's keyboard shortcuts when you ask it to,
and pasting needs your permission: Allow... in Settings asks GNOME, which shows its remote
desktop dialog; a GNOME that can't remember the answer (Debian 12's) asks after each login.
Until then snippets are copied for you to paste.
Exit status: 0 done, 1 failed, 2 wrong arguments.
)");
}

} // namespace quillo::CommandLine
