#pragma once

#include "core/model/Library.h"
#include "core/platform/Clock.h"
#include "core/platform/Log.h"
#include "core/platform/Scheduler.h"
#include "fakes/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quillo::bench {

/// Drops every line: logging is not what is being measured.
class DiscardingLog final : public Log {
public:
    void write(std::string_view) override {}
};

/// Never runs anything. The benchmarks save explicitly, so the delayed save is not wanted.
class DroppingScheduler final : public Scheduler {
public:
    ScheduledTask schedule(std::chrono::milliseconds, Task) override { return ScheduledTask{}; }
};

/// Everything a Library needs, with the data folder in a temporary folder.
class BenchEnvironment {
public:
    LibraryEnvironment environment() {
        return LibraryEnvironment{
            .clock = clock_, .scheduler = scheduler_, .log = log_, .dataFolder = folder_.path()};
    }
    const std::filesystem::path& dataFolder() const { return folder_.path(); }
    /// Where a library in this data folder keeps its file.
    std::filesystem::path libraryFile() const { return folder_.path() / "Quillo" / "library.json"; }

private:
    SystemClock clock_;
    DroppingScheduler scheduler_;
    DiscardingLog log_;
    testing::TempFolder folder_;
};

} // namespace quillo::bench
