#pragma once

#include "core/model/Library.h"
#include "fakes/CapturingLog.h"
#include "fakes/Dates.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeFolderWatcher.h"
#include "fakes/ManualScheduler.h"
#include "fakes/TempFolder.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace quillo::testing {

/// A library over a fresh data folder, with a clock and a scheduler the test drives.
/// The time zone is fixed (UTC) so file names built from dates are known.
class LibraryTest : public ::testing::Test {
protected:
    LibraryTest() {
        const char* zone = std::getenv("TZ");
        savedZone_ = zone ? std::optional<std::string>(zone) : std::nullopt;
        setenv("TZ", "UTC", 1);
        tzset();
    }
    ~LibraryTest() override {
        if (savedZone_)
            setenv("TZ", savedZone_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

    std::unique_ptr<Library> open(bool persistent = true) {
        return std::make_unique<Library>(
            LibraryEnvironment{clock, scheduler, log, data.path(), &watcher}, persistent);
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
    std::optional<std::string> savedZone_;
};

} // namespace quillo::testing
