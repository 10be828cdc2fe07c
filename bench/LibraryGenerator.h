#pragma once

#include "core/model/Snippet.h"
#include "core/platform/Clock.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quillo::bench {

/// A made-up library that looks like one a support team builds up over the years.
struct GeneratedLibrary {
    std::vector<quillo::SnippetGroup> groups;
    std::vector<quillo::Snippet> snippets;
};

/// The number of groups every generated library has; the names are the same for every seed,
/// so two generated libraries join group by group when merged.
inline constexpr std::size_t generatedGroupCount = 40;

/// `snippetCount` snippets in 40 groups. The same seed and `now` always give the same library,
/// ids included. Dates fall in the three years before `now`, to the whole second.
GeneratedLibrary generateLibrary(std::size_t snippetCount, std::uint64_t seed, quillo::Date now);

/// As above, with dates before the start of today (UTC), so a run is repeatable within a day.
GeneratedLibrary generateLibrary(std::size_t snippetCount, std::uint64_t seed);

} // namespace quillo::bench
