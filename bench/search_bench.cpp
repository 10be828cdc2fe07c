// Searching the library as the picker does: on every keystroke, over 10k and 100k snippets.
#include "BenchEnvironment.h"
#include "LibraryGenerator.h"
#include "core/model/Library.h"
#include "core/picker/PickerSearch.h"

#include <array>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string_view>

namespace {

using namespace quillo;
using namespace quillo::bench;

constexpr std::uint64_t librarySeed = 20240601;

// What people type: the first letters of a word, or two words.
constexpr std::array<std::string_view, 12> shortQueries{"re",  "th",  "ord", "pa", "acc", "up",
                                                        "bil", "del", "inv", "sh", "co",  "war"};
constexpr std::array<std::string_view, 8> twoWordQueries{
    "refund order",  "thank you",    "tracking link", "password reset",
    "billing issue", "order status", "please note",   "warranty parts"};

// An in-memory library of generated snippets, with what it needs around it.
struct BenchLibrary {
    explicit BenchLibrary(std::size_t count) : library(environment.environment(), false) {
        const GeneratedLibrary content = generateLibrary(count, librarySeed);
        library.merge(content.groups, content.snippets);
    }
    BenchEnvironment environment;
    Library library;
};

// Generating 100k snippets takes seconds; the benchmarks that only read share one library.
const Library& sharedLibrary(std::size_t count) {
    static std::map<std::size_t, std::unique_ptr<BenchLibrary>> made;
    std::unique_ptr<BenchLibrary>& entry = made[count];
    if (!entry)
        entry = std::make_unique<BenchLibrary>(count);
    return entry->library;
}

std::size_t snippetCount(const benchmark::State& state) {
    return static_cast<std::size_t>(state.range(0));
}

template <std::size_t N>
std::string_view nextQuery(const std::array<std::string_view, N>& queries, std::size_t& turn) {
    return queries[turn++ % N];
}

template <std::size_t N>
void searchCached(benchmark::State& state, const std::array<std::string_view, N>& queries) {
    const Library& library = sharedLibrary(snippetCount(state));
    SearchCache cache;
    std::size_t turn = 0;
    cache.results(nextQuery(queries, turn), library); // fills the cache
    std::size_t found = 0;
    for (auto _ : state) {
        // A different query each time, so the remembered answer never serves.
        const std::vector<const Snippet*>& results =
            cache.results(nextQuery(queries, turn), library);
        found += results.size();
        benchmark::DoNotOptimize(results.data());
    }
    if (found == 0)
        state.SkipWithError("no query found anything");
    state.counters["results"] =
        benchmark::Counter(static_cast<double>(found), benchmark::Counter::kAvgIterations);
}

void BM_SearchCachedShortQuery(benchmark::State& state) {
    searchCached(state, shortQueries);
}

void BM_SearchCachedTwoWords(benchmark::State& state) {
    searchCached(state, twoWordQueries);
}

// Words typed a letter at a time, as in the picker: each query adds to the one before.
void BM_SearchCachedTyping(benchmark::State& state) {
    static constexpr std::string_view words[] = {"refund",  "thanks",   "order",    "password",
                                                 "billing", "shipping", "warranty", "invoice"};
    const Library& library = sharedLibrary(snippetCount(state));
    SearchCache cache;
    // As the picker does when it opens: the blank list, then the texts folded.
    cache.results("", library);
    cache.prepare(library);
    std::size_t word = 0;
    std::size_t letters = 0;
    for (auto _ : state) {
        const std::string_view current = words[word % std::size(words)];
        benchmark::DoNotOptimize(cache.results(current.substr(0, ++letters), library).data());
        if (letters == current.size()) {
            state.PauseTiming();
            letters = 0;
            ++word;
            cache.results("", library);
            state.ResumeTiming();
        }
    }
}

void BM_SearchCachedRepeatedRead(benchmark::State& state) {
    const Library& library = sharedLibrary(snippetCount(state));
    SearchCache cache;
    cache.results("re", library); // fills the cache and remembers the answer
    for (auto _ : state)
        benchmark::DoNotOptimize(cache.results("re", library).data());
}

void BM_SearchAfterEditingOneSnippet(benchmark::State& state) {
    BenchLibrary bench(snippetCount(state));
    Library& library = bench.library;
    SearchCache cache;
    std::size_t turn = 0;
    cache.results(nextQuery(shortQueries, turn), library);
    std::size_t edits = 0;
    for (auto _ : state) {
        // The edit is the library's cost; what is measured is the search that follows it.
        state.PauseTiming();
        Snippet edited = library.snippets()[(edits * 7919) % library.snippets().size()];
        edited.text += edits % 2 == 0 ? "<div>Edited reply</div>" : " ";
        library.update(edited);
        ++edits;
        state.ResumeTiming();
        benchmark::DoNotOptimize(cache.results(nextQuery(shortQueries, turn), library).data());
    }
}

// The first search after the library was loaded or changed wholesale: the index of folded
// texts is built before the search runs. The same queries as the cached short query, so
// the two compare.
void BM_SearchFirstOnFreshLibrary(benchmark::State& state) {
    const Library& library = sharedLibrary(snippetCount(state));
    std::optional<SearchCache> cache;
    std::size_t turn = 0;
    for (auto _ : state) {
        cache.emplace();
        benchmark::DoNotOptimize(cache->results(nextQuery(shortQueries, turn), library).data());
        state.PauseTiming();
        cache.reset();
        state.ResumeTiming();
    }
}

// What the picker does at start, before anyone searches: the blank query's list, without
// the folded texts. Reports what the cache holds without them and with them.
void BM_SearchBlankListOnFreshLibrary(benchmark::State& state) {
    const Library& library = sharedLibrary(snippetCount(state));
    std::optional<SearchCache> cache;
    for (auto _ : state) {
        cache.emplace();
        benchmark::DoNotOptimize(cache->results("", library).data());
        state.PauseTiming();
        cache.reset();
        state.ResumeTiming();
    }
    SearchCache measured;
    measured.results("", library);
    state.counters["bytes"] = static_cast<double>(measured.heldBytes());
    measured.results("re", library);
    state.counters["bytesWithTexts"] = static_cast<double>(measured.heldBytes());
    measured.releaseTexts();
    state.counters["bytesReleased"] = static_cast<double>(measured.heldBytes());
}

template <std::size_t N>
void searchStraightforward(benchmark::State& state,
                           const std::array<std::string_view, N>& queries) {
    const Library& library = sharedLibrary(snippetCount(state));
    std::size_t turn = 0;
    std::size_t found = 0;
    for (auto _ : state) {
        const std::vector<Snippet> results =
            PickerSearch::search(nextQuery(queries, turn), library);
        found += results.size();
        benchmark::DoNotOptimize(results.data());
    }
    state.counters["results"] =
        benchmark::Counter(static_cast<double>(found), benchmark::Counter::kAvgIterations);
}

void BM_SearchStraightforwardShortQuery(benchmark::State& state) {
    searchStraightforward(state, shortQueries);
}

void BM_SearchStraightforwardTwoWords(benchmark::State& state) {
    searchStraightforward(state, twoWordQueries);
}

BENCHMARK(BM_SearchCachedShortQuery)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchCachedTwoWords)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchCachedTyping)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchCachedRepeatedRead)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SearchAfterEditingOneSnippet)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchFirstOnFreshLibrary)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchBlankListOnFreshLibrary)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchStraightforwardShortQuery)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchStraightforwardTwoWords)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace
