#pragma once

#include "LibraryFile.h"
#include "Snippet.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace quillo {

/// A record's place among records of the same id: 0 for the first, 1 for a second one with
/// that id, and so on (a file may hold an id twice, and both records count).
struct RecordKey {
    Uuid id;
    std::uint32_t occurrence = 0;

    friend bool operator==(const RecordKey&, const RecordKey&) = default;
};

struct RecordKeyHash {
    std::size_t operator()(const RecordKey& key) const {
        return std::hash<Uuid>{}(key.id) ^ (std::size_t{key.occurrence} * 0x9E3779B97F4A7C15ull);
    }
};

/// What the library file held when the program last read or wrote it, as a short
/// fingerprint of each record: enough to tell which side changed a record since, without
/// keeping a second copy of every text. Dates count to the second, as the file holds them.
struct LibraryFingerprints {
    struct SnippetPrint {
        /// Name, format, text, group and dates created and modified.
        std::uint64_t content = 0;
        /// Use count and last use.
        std::uint64_t usage = 0;
        friend bool operator==(const SnippetPrint&, const SnippetPrint&) = default;
    };

    std::unordered_map<RecordKey, SnippetPrint, RecordKeyHash> snippets;
    std::unordered_map<RecordKey, std::uint64_t, RecordKeyHash> groups;

    static LibraryFingerprints of(const std::vector<SnippetGroup>& groups,
                                  const std::vector<Snippet>& snippets);
    static SnippetPrint of(const Snippet& snippet);
    static std::uint64_t of(const SnippetGroup& group);
};

/// Joins the program's copy of the library (`ours`) with the file as someone else left it
/// (`theirs`), record by record, both changed since the state `base` describes:
/// - a record changed on one side only takes that side;
/// - one changed on both sides takes the content with the later `modified` (ours when they
///   tie), and of the uses the larger count and the later last use;
/// - one added on either side is kept;
/// - one deleted on one side stays deleted when the other side left it as it was, and is
///   kept when the other side changed it.
/// A group deleted on one side comes back while a kept snippet is still in it. Records in
/// `ours` keep their order; those only in `theirs` follow in theirs.
LibraryFile mergeLibraries(const LibraryFingerprints& base, const LibraryFile& ours,
                           const LibraryFile& theirs);

} // namespace quillo
