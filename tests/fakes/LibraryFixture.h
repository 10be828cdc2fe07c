#pragma once

#include "core/model/Library.h"
#include "fakes/CapturingLog.h"
#include "fakes/Dates.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeFolderWatcher.h"
#include "fakes/ManualScheduler.h"
#include "fakes/ScopedEnvironment.h"
#include "fakes/TempFolder.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace quillo::testing {

/// A library over a fresh data folder, with a clock and a scheduler the test drives, in UTC.
class LibraryTest : public ::testing::Test {
protected:
    LibraryTest() { zone_.set("TZ", "UTC"); }

    std::unique_ptr<Library> open(bool persistent = true) {
        return std::make_unique<Library>(
            LibraryEnvironment{clock, scheduler, log, data.path(), &watcher}, persistent);
    }

    /// The folder watcher reports a change, and the library looks the moment later it waits.
    void reportChange() {
        watcher.reportChange();
        scheduler.advance(std::chrono::milliseconds(200));
    }

    std::filesystem::path folder() const { return data / "Quillo"; }
    std::filesystem::path file() const { return folder() / "library.json"; }
    std::filesystem::path backups() const { return folder() / "Backups"; }
    std::filesystem::path legacy() const { return data / "Stock Answers"; }

    TempFolder data;
    FakeClock clock{utc(2026, 3, 1, 9, 5, 7)};
    ManualScheduler scheduler;
    CapturingLog log;
    FakeFolderWatcher watcher;

private:
    ScopedEnvironment zone_;
};

} // namespace quillo::testing
