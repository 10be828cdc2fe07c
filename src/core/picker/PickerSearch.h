#pragma once

#include "core/model/Library.h"
#include "core/model/Snippet.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillo {

/// The picker's search: which snippets match a query and in what order.
namespace PickerSearch {

/// The query as search reads it: trimmed of tabs and space separators at both ends (line
/// breaks stay), then folded. Empty means "show everything, most recently used first".
std::string foldedQuery(std::string_view query);

/// The snippet's score for the query, or nothing when the snippet doesn't match. A query
/// that folds to nothing matches everything with no score at all.
std::optional<std::int64_t> score(std::string_view query, const Snippet& snippet,
                                  const Library& library);

/// The library's snippets that match the query, best first; every snippet, most recently
/// used first, for a blank query. Folds and scans everything on each call: it is the
/// reference that `SearchCache` must agree with.
std::vector<Snippet> search(std::string_view query, const Library& library);

} // namespace PickerSearch

/// `PickerSearch::search` for a picker that searches on every keystroke: keeps each
/// snippet's folded texts and name order between calls, refreshes only what changed in
/// the library, and remembers the last answer. One cache follows one library object.
/// The folded texts, most of its memory, are made only for the first query that is not
/// blank (or by `prepare`), and can be let go while no one searches.
class SearchCache {
public:
    SearchCache();
    ~SearchCache();
    SearchCache(const SearchCache&) = delete;
    SearchCache& operator=(const SearchCache&) = delete;

    /// The same snippets in the same order as `PickerSearch::search`, as pointers into
    /// `library.snippets()`. Good until the library changes or the next call.
    const std::vector<const Snippet*>& results(std::string_view query, const Library& library);

    /// Folds the texts now, so that the first letter typed does not wait for them.
    void prepare(const Library& library);
    /// Gives back the memory of the folded texts; the next query that needs them folds
    /// them again. The answers stay the same.
    void releaseTexts();
    bool holdsTexts() const;
    /// The bytes the cache holds in its own buffers.
    std::size_t heldBytes() const;

private:
    class Index;
    std::unique_ptr<Index> index_;
};

} // namespace quillo
