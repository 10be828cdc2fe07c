// Quillo's command: for now it opens the library and tells where it is and what it holds.
#include "core/model/Library.h"
#include "core/platform/Clock.h"
#include "core/platform/DataFolder.h"
#include "core/platform/Log.h"
#include "core/platform/Scheduler.h"

#include <cstdio>
#include <iostream>

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
    for (const quillo::SnippetGroup& group : library.groups()) {
        std::size_t members = 0;
        for (const quillo::Snippet& snippet : library.snippets())
            members += snippet.groupID == group.id ? 1 : 0;
        std::cout << "  " << group.name << ": " << members << '\n';
    }
    if (library.problem())
        std::cout << *library.problem() << '\n';
    return library.problem() ? 1 : 0;
}
