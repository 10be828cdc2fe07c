// Quillo's command: for now it opens the library and tells where it is and what it holds.
#include "core/model/Library.h"
#include "core/platform/Clock.h"
#include "core/platform/DataFolder.h"
#include "core/platform/Log.h"
#include "core/platform/Scheduler.h"

#include <cstdio>
#include <iostream>
#include <unordered_map>

namespace {

// Nothing here changes the library, so no save is ever waiting; a task would not run.
class NoLoopScheduler final : public quillo::Scheduler {
public:
    quillo::ScheduledTask schedule(std::chrono::milliseconds, Task) override { return {}; }
};

const char* plural(std::size_t count, const char* one, const char* many) {
    return count == 1 ? one : many;
}

} // namespace

int main() {
    quillo::SystemClock clock;
    NoLoopScheduler scheduler;
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
