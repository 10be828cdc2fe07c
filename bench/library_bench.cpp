// How long the library's whole-library operations take at 1k, 10k and 100k snippets.
#include "BenchEnvironment.h"
#include "LibraryGenerator.h"
#include "core/model/Library.h"
#include "core/model/LibraryFile.h"
#include "core/util/Files.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

namespace {

using namespace quillo;
using namespace quillo::bench;
namespace fs = std::filesystem;

constexpr std::uint64_t librarySeed = 20240601;
constexpr std::uint64_t importSeed = 77;

std::size_t snippetCount(const benchmark::State& state) {
    return static_cast<std::size_t>(state.range(0));
}

// Puts the file where a persistent Library in this environment looks for it.
std::size_t writeLibraryFile(const BenchEnvironment& environment, const GeneratedLibrary& library) {
    const std::string bytes = LibraryFileCoding::encode(library.groups, library.snippets);
    Files::createFolders(environment.libraryFile().parent_path());
    Files::writeAtomically(environment.libraryFile(), bytes);
    return bytes.size();
}

// An in-memory library holding exactly the generated snippets, in order.
void fill(Library& library, const GeneratedLibrary& content) {
    library.merge(content.groups, content.snippets);
}

void BM_Load(benchmark::State& state) {
    const std::size_t count = snippetCount(state);
    BenchEnvironment environment;
    const std::size_t fileSize = writeLibraryFile(environment, generateLibrary(count, librarySeed));

    std::optional<Library> library;
    std::size_t loaded = 0;
    bool hadProblem = false;
    for (auto _ : state) {
        library.emplace(environment.environment(), true);
        // Tearing the library down is not part of loading it.
        state.PauseTiming();
        loaded = library->snippets().size();
        hadProblem = library->problem().has_value();
        library.reset();
        state.ResumeTiming();
    }
    if (hadProblem)
        state.SkipWithError("the library reported a problem loading its file");
    else if (loaded != count)
        state.SkipWithError("the loaded library has the wrong number of snippets");
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fileSize));
    state.counters["file_bytes"] = static_cast<double>(fileSize);
}

void BM_Save(benchmark::State& state) {
    const std::size_t count = snippetCount(state);
    BenchEnvironment environment;
    const std::size_t fileSize = writeLibraryFile(environment, generateLibrary(count, librarySeed));
    Library library(environment.environment(), true);
    if (library.snippets().size() != count) {
        state.SkipWithError("the library didn't load all the generated snippets");
        return;
    }
    // The day's first save also writes the backup; keep that out of the measurement.
    library.saveNow();

    for (auto _ : state)
        library.saveNow();

    if (library.problem())
        state.SkipWithError(library.problem()->c_str());
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fileSize));
}

void BM_Merge(benchmark::State& state) {
    const std::size_t count = snippetCount(state);
    BenchEnvironment environment;
    const GeneratedLibrary present = generateLibrary(count, librarySeed);
    GeneratedLibrary incoming = generateLibrary(count, importSeed);

    // Every fifth incoming snippet is one the library already has, filed in the incoming
    // group of the same name, so the import must recognise it as a duplicate.
    std::unordered_map<Uuid, std::size_t> groupIndex;
    for (std::size_t i = 0; i < present.groups.size(); ++i)
        groupIndex.emplace(present.groups[i].id, i);
    std::size_t duplicates = 0;
    for (std::size_t i = 0; i < count; i += 5) {
        // 7919 is prime to every tested count, so the copies come from all over the library.
        Snippet copy = present.snippets[(i * 7919) % count];
        if (copy.groupID)
            copy.groupID = incoming.groups[groupIndex.at(*copy.groupID)].id;
        incoming.snippets[i] = std::move(copy);
        ++duplicates;
    }

    std::optional<Library> library;
    std::size_t added = 0;
    for (auto _ : state) {
        state.PauseTiming();
        library.reset();
        library.emplace(environment.environment(), false);
        fill(*library, present);
        if (library->snippets().size() != count) {
            state.SkipWithError("the generated library holds duplicates of its own");
            break;
        }
        state.ResumeTiming();
        added = library->merge(incoming.groups, incoming.snippets);
    }
    if (added != count - duplicates)
        state.SkipWithError("the merge didn't add exactly the snippets that are new");
    else if (library && library->groups().size() != present.groups.size())
        state.SkipWithError("the merge didn't join the groups by name");
}

// Someone else changed the file (a sync tool renamed a new version over it): reading it
// in, as it is when the program has nothing unsaved, else merged record by record with the
// program's unsaved uses and saved.
void takeInOutsideChanges(benchmark::State& state, bool unsavedUses) {
    const std::size_t count = snippetCount(state);
    BenchEnvironment environment;
    GeneratedLibrary outside = generateLibrary(count, librarySeed);
    writeLibraryFile(environment, outside);
    Library library(environment.environment(), true);
    if (library.snippets().size() != count) {
        state.SkipWithError("the library didn't load all the generated snippets");
        return;
    }
    const fs::path renamed = environment.libraryFile().parent_path() / "library.json.sync";
    std::size_t round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (unsavedUses)
            library.recordUse(library.snippets()[round % count].id);
        outside.snippets[(round * 7919) % count].text += " Edited elsewhere.";
        outside.snippets.push_back(Snippet{.name = "Outside " + std::to_string(round)});
        Files::writeAtomically(renamed,
                               LibraryFileCoding::encode(outside.groups, outside.snippets));
        fs::rename(renamed, environment.libraryFile());
        ++round;
        state.ResumeTiming();
        library.takeOutsideChanges();
    }
    if (library.snippets().size() != outside.snippets.size())
        state.SkipWithError("the merge lost or duplicated snippets");
    else if (library.problem())
        state.SkipWithError(library.problem()->c_str());
}

void BM_TakeInOutsideChange(benchmark::State& state) {
    takeInOutsideChanges(state, false);
}

void BM_MergeOutsideChangeAndSave(benchmark::State& state) {
    takeInOutsideChanges(state, true);
}

void BM_DeleteAndUndo(benchmark::State& state) {
    const std::size_t count = snippetCount(state);
    BenchEnvironment environment;
    Library library(environment.environment(), false);
    fill(library, generateLibrary(count, librarySeed));
    if (library.snippets().size() != count) {
        state.SkipWithError("the generated library holds duplicates of its own");
        return;
    }
    const std::vector<Snippet> before = library.snippets();

    constexpr std::size_t deleted = 1000;
    Library::SnippetIDs ids;
    for (std::size_t i = 0; i < count; i += count / deleted)
        ids.insert(library.snippets()[i].id);

    for (auto _ : state) {
        library.deleteSnippets(ids);
        benchmark::DoNotOptimize(library.undoDeletion());
    }

    if (library.snippets().size() != count) {
        state.SkipWithError("the undo didn't bring every snippet back");
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (library.snippets()[i].id != before[i].id) {
            state.SkipWithError("the undo put snippets back in the wrong places");
            return;
        }
    }
}

// Load and save spend much of their time waiting for the disk, so all cases report wall time.
BENCHMARK(BM_Load)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_Save)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_Merge)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_TakeInOutsideChange)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_MergeOutsideChangeAndSave)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_DeleteAndUndo)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
