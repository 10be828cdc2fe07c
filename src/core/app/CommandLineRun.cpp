// Running the command-line modes that read the library. Kept apart from the parsing, which
// the quillo command does on its own without the library's code.
#include "CommandLine.h"
#include "ImportCommand.h"
#include "LibraryCommands.h"
#include "core/model/Library.h"
#include "core/util/Translation.h"
#include "core/util/UnicodeText.h"

namespace quillo::CommandLine {

namespace {

template <class... Cases> struct Overloaded : Cases... { using Cases::operator()...; };
// clang 14 does not deduce aggregate template arguments by itself.
template <class... Cases> Overloaded(Cases...) -> Overloaded<Cases...>;

} // namespace

int run(const Command& command, std::string_view version, std::ostream& out, std::ostream& err) {
    if (const std::optional<int> status = runWithoutLibrary(command, version, out, err))
        return *status;
    return std::visit(
        Overloaded{
            [&](const ImportBackup& import) { return runImportCommand(import.backup, out, err); },
            [&](const Paste&) {
                // The desktop program hands pastes to its running instance.
                err << i18n("quillo: paste needs the Quillo desktop program running.") << '\n';
                return 1;
            },
            [&](const Help&) { return 0; },
            [&](const Version&) { return 0; },
            [&](const UsageError&) { return 2; },
            [&](const auto& readOnly) { return runOnLibrary(readOnly, out, err); },
        },
        command);
}

const Snippet* findSnippet(const Library& library, std::string_view reference) {
    if (const std::optional<Uuid> id = Uuid::parse(reference))
        if (const Snippet* snippet = library.snippet(*id))
            return snippet;
    for (const Snippet& snippet : library.snippets())
        if (UnicodeText::canonicallyEqual(snippet.name, reference))
            return &snippet;
    return nullptr;
}

std::string unknownSnippet(std::string_view reference) {
    return fill(i18n("no snippet has the id or name “{name}”."), {{"name", reference}});
}

} // namespace quillo::CommandLine
