// Importing an aText backup into a library of the same size: reading the archive,
// converting every snippet, merging and saving, as the user's one click does.
#include "BenchEnvironment.h"
#include "LibraryGenerator.h"
#include "core/import/ATextImporter.h"
#include "core/model/Library.h"
#include "core/model/LibraryFile.h"
#include "core/util/Files.h"
#include "fakes/FakeDialogs.h"
#include "fakes/RunProgram.h"
#include "fakes/TempFolder.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>

namespace {

using namespace quillo;
using namespace quillo::bench;

constexpr std::uint64_t librarySeed = 20240601;

// A made-up backup of `count` snippets, written once per size.
// Every snippet is new to a generated library, so all of them are added.
const std::filesystem::path& generatedBackup(std::size_t count) {
    static testing::TempFolder folder;
    static std::map<std::size_t, std::filesystem::path> made;
    if (const auto found = made.find(count); found != made.end())
        return found->second;
    const std::filesystem::path file = folder / ("generated-" + std::to_string(count) + ".atext");
    const testing::ProgramResult run = testing::runProgram(
        "/usr/bin/env", {"python3", QUILLO_BACKUP_GENERATOR, std::to_string(count), file.string()});
    if (run.status != 0)
        throw std::runtime_error("the backup generator failed: " + run.err);
    return made.emplace(count, file).first->second;
}

void BM_ImportATextBackup(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    std::filesystem::path backup;
    try {
        backup = generatedBackup(count);
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
        return;
    }
    BenchEnvironment environment;
    const GeneratedLibrary content = generateLibrary(count, librarySeed);
    const std::string libraryBytes = LibraryFileCoding::encode(content.groups, content.snippets);
    Files::createFolders(environment.libraryFile().parent_path());
    testing::FakeDialogs dialogs;
    testing::TempFolder home;

    std::optional<Library> library;
    std::size_t added = 0;
    for (auto _ : state) {
        // Each import starts from the same library, loaded afresh.
        state.PauseTiming();
        library.reset();
        Files::writeAtomically(environment.libraryFile(), libraryBytes);
        library.emplace(environment.environment(), true);
        // The day's first save also keeps a backup of the library: not part of an import.
        library->saveNow();
        state.ResumeTiming();

        ATextImporter importer(
            ImportEnvironment{*library, environment.environment().clock, dialogs, home.path()});
        added = importer.importFile(backup);
        library->saveNow();
    }

    if (added != count)
        state.SkipWithError("the import didn't add every snippet of the backup");
    else if (library->problem())
        state.SkipWithError(library->problem()->c_str());
    const auto backupSize = static_cast<std::int64_t>(std::filesystem::file_size(backup));
    state.SetBytesProcessed(state.iterations() * backupSize);
    state.counters["backup_bytes"] = static_cast<double>(backupSize);
}

// The 1000-snippet case is the quick pass CI runs; 10k into 10k is the figure that counts.
// Saving waits for the disk, so the time is wall time; the median of five runs is reported.
BENCHMARK(BM_ImportATextBackup)
    ->Arg(1000)
    ->Arg(10000)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
