#pragma once

#include "core/platform/Clock.h"
#include "core/text/Placeholders.h"

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quillo {

class Library;
struct Snippet;

/// The modes the `quillo` program runs from a terminal, chosen from its arguments before
/// any window opens, and running them with their output going to two streams.
namespace CommandLine {

/// `--import-atext PATH`: import an aText backup into the library.
struct ImportBackup {
    std::filesystem::path backup;
};

/// `--help`: the usage of every mode.
struct Help {};

/// `--version`.
struct Version {};

/// `list [--json]`: every snippet with its group.
struct List {
    bool json = false;
};

/// `search QUERY... [--json]`: the picker's results.
struct Search {
    /// The words joined by single spaces.
    std::string query;
    bool json = false;
};

/// `fields SNIPPET [--json]`: the snippet's fill-in fields.
struct Fields {
    /// An id or an exact name.
    std::string snippet;
    bool json = false;
};

/// `render SNIPPET [--field NAME=VALUE]... [--clipboard TEXT] [--now ISO8601] [--html]`.
struct Render {
    std::string snippet;
    Placeholders::Values values{};
    /// Absent: {{clipboard}} renders empty, as when the clipboard holds no text.
    std::optional<std::string> clipboard{};
    /// Absent: the moment of rendering.
    std::optional<Date> now{};
    bool html = false;
};

/// `paste SNIPPET [--field NAME=VALUE]...`: paste into the window in front. Only the
/// running desktop program can, so the program hands it over to that one.
struct Paste {
    std::string snippet;
    /// Fields without a value take their defaults.
    Placeholders::Values values{};
};

/// Arguments that name no mode, or a mode without what it needs.
struct UsageError {
    /// What is wrong, such as "unknown option “--jsn”".
    std::string problem;
    /// The usage line of the mode in question, or of the program.
    std::string usage;
};

using Command =
    std::variant<ImportBackup, Help, Version, List, Search, Fields, Render, Paste, UsageError>;

/// Marks a start at login (the autostart entry passes it); otherwise a usual start.
inline constexpr std::string_view autostartOption = "--autostart";
/// Opens the settings window, of the program already running or of the one starting.
inline constexpr std::string_view settingsOption = "--settings";
/// Opens the picker, as the shortcut does: what a desktop's own key bindings run.
inline constexpr std::string_view pickerOption = "--picker";

/// The mode `arguments` (the whole argv, the program's path first) ask for; absent when
/// they ask for none and the program starts as usual, as with `--autostart` or
/// `--settings` alone.
///
/// The import comes first, as it always has: the first "--import-atext" anywhere with an
/// argument after it imports that argument whatever else is given. As the last argument
/// it is ignored.
std::optional<Command> parse(const std::vector<std::string>& arguments);

/// Runs the command, writing its answer to `out` and problems to `err`. Returns the exit
/// status: 0 done, 1 failed, 2 a usage error. A Paste is not run here: it only says on
/// `err` that the desktop program must be running, and returns 1.
int run(const Command& command, std::string_view version, std::ostream& out, std::ostream& err);

/// Runs the modes that need no library (help, version and usage errors), as run() does;
/// absent for the others.
std::optional<int> runWithoutLibrary(const Command& command, std::string_view version,
                                     std::ostream& out, std::ostream& err);

/// `status`, once `out` is flushed; 1 when what was written to it went nowhere (a full
/// disk), which must not pass for success, saying so on `err`.
int outputWritten(int status, std::ostream& out, std::ostream& err);

/// True for the modes that read or write the library.
bool needsLibrary(const Command& command);

/// The usage of every mode, as `--help` prints it.
std::string helpText();

/// The snippet a SNIPPET argument names: the one with that id (any letter case), else the
/// first with exactly that name (letter case counts, not how accents are encoded). Null
/// when none does; good until the library's next change.
const Snippet* findSnippet(const Library& library, std::string_view reference);

/// Why a SNIPPET argument found nothing, as a sentence to follow "quillo: ".
std::string unknownSnippet(std::string_view reference);

} // namespace CommandLine

} // namespace quillo
