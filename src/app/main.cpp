// Quillo's command. Its arguments may ask for a command-line mode; without one, for now, it
// opens the library and tells where it is and what it holds.
#include "core/app/CommandLine.h"
#include "core/model/Library.h"
#include "core/platform/Clock.h"
#include "core/platform/DataFolder.h"
#include "core/platform/Log.h"
#include "core/platform/Scheduler.h"

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

const char* plural(std::size_t count, const char* one, const char* many) {
    return count == 1 ? one : many;
}

int showLibrary() {
    quillo::SystemClock clock;
    quillo::NoLoopScheduler scheduler;
    quillo::StandardErrorLog log;
    quillo::Library library({clock, scheduler, log, quillo::userDataFolder()});

    std::cout << "Library: " << library.fileURL().string() << '\n';
    const std::size_t snippets = library.snippets().size();
    const std::size_t groups = library.groups().size();
    std::cout << snippets << plural(snippets, " snippet", " snippets") << " in " << groups
              << plural(groups, " group", " groups") << '\n';
    // Counted by group id: names need not be unique.
    std::unordered_map<quillo::Uuid, std::size_t> countByGroup;
    std::size_t ungrouped = 0;
    for (const quillo::Snippet& snippet : library.snippets()) {
        if (library.group(snippet.groupID))
            ++countByGroup[*snippet.groupID];
        else
            ++ungrouped;
    }
    for (const quillo::SnippetGroup& group : library.groups())
        std::cout << "  " << group.name << ": " << countByGroup[group.id] << '\n';
    if (ungrouped > 0)
        std::cout << "  Ungrouped: " << ungrouped << '\n';
    if (library.problem())
        std::cout << *library.problem() << '\n';
    return library.problem() ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv, argv + argc);
    // Decided before anything else starts, so these modes need no display.
    const std::optional<quillo::CommandLine::Command> command =
        quillo::CommandLine::parse(arguments);
    if (!command)
        return showLibrary();
    const int status = quillo::CommandLine::run(*command, QUILLO_VERSION, std::cout, std::cerr);
    std::cout.flush();
    if (!std::cout) {
        // Output that went nowhere (a full disk) must not pass for success.
        std::cerr << "quillo: couldn't write the output\n";
        return 1;
    }
    return status;
}
