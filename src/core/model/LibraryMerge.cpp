#include "LibraryMerge.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <string_view>
#include <unordered_set>

namespace quillo {

namespace {

void combine(std::uint64_t& seed, std::uint64_t value) {
    seed ^= value + 0x9E3779B97F4A7C15ULL + (seed << 6) + (seed >> 2);
}

std::uint64_t hashText(std::string_view text) {
    return std::hash<std::string_view>{}(text);
}

// To the second, as the file keeps dates.
std::uint64_t hashDate(Date date) {
    return static_cast<std::uint64_t>(
        std::chrono::floor<std::chrono::seconds>(date).time_since_epoch().count());
}

Date toSecond(Date date) {
    return std::chrono::floor<std::chrono::seconds>(date);
}

// Each record's key, in the order of the records.
template <typename Record> std::vector<RecordKey> keysOf(const std::vector<Record>& records) {
    std::unordered_map<Uuid, std::uint32_t> seen;
    std::vector<RecordKey> keys;
    keys.reserve(records.size());
    for (const Record& record : records)
        keys.push_back({record.id, seen[record.id]++});
    return keys;
}

template <typename Record>
std::unordered_map<RecordKey, const Record*, RecordKeyHash>
indexOf(const std::vector<Record>& records, const std::vector<RecordKey>& keys) {
    std::unordered_map<RecordKey, const Record*, RecordKeyHash> index;
    index.reserve(records.size());
    for (std::size_t i = 0; i < records.size(); ++i)
        index.emplace(keys[i], &records[i]);
    return index;
}

template <typename Map, typename Key> auto found(const Map& map, const Key& key) {
    const auto it = map.find(key);
    return it == map.end() ? nullptr : &it->second;
}

// Which record survives, for one key; null when it stays deleted.
std::optional<Snippet> resolve(const LibraryFingerprints::SnippetPrint* base, const Snippet* ours,
                               const Snippet* theirs) {
    using Print = LibraryFingerprints::SnippetPrint;
    if (!ours || !theirs) {
        const Snippet* kept = ours ? ours : theirs;
        // Added on that side, or changed there while the other side deleted it.
        if (!base || LibraryFingerprints::of(*kept) != *base)
            return *kept;
        return std::nullopt;
    }
    const Print mine = LibraryFingerprints::of(*ours);
    const Print other = LibraryFingerprints::of(*theirs);
    const bool contentMine = !base || mine.content != base->content;
    const bool contentOther = !base || other.content != base->content;
    const bool usageMine = !base || mine.usage != base->usage;
    const bool usageOther = !base || other.usage != base->usage;

    Snippet merged = *ours;
    if (contentOther && mine.content != other.content &&
        (!contentMine || toSecond(theirs->modified) > toSecond(ours->modified))) {
        merged = *theirs;
    }
    if (usageOther && !usageMine) {
        merged.useCount = theirs->useCount;
        merged.lastUsed = theirs->lastUsed;
    } else if (usageOther) {
        merged.useCount = std::max(ours->useCount, theirs->useCount);
        merged.lastUsed = std::max(ours->lastUsed, theirs->lastUsed);
    } else {
        merged.useCount = ours->useCount;
        merged.lastUsed = ours->lastUsed;
    }
    return merged;
}

std::optional<SnippetGroup> resolve(const std::uint64_t* base, const SnippetGroup* ours,
                                    const SnippetGroup* theirs) {
    if (ours && theirs) // groups carry no date: ours wins a name changed on both sides
        return (!base || LibraryFingerprints::of(*ours) != *base) ? *ours : *theirs;
    const SnippetGroup* kept = ours ? ours : theirs;
    if (!base || LibraryFingerprints::of(*kept) != *base)
        return *kept;
    return std::nullopt;
}

// Merges one kind of record: ours in order, then those only theirs has.
template <typename Record, typename Prints, typename Emit>
void mergeRecords(const Prints& base, const std::vector<Record>& ours,
                  const std::vector<Record>& theirs, Emit emit) {
    const std::vector<RecordKey> ourKeys = keysOf(ours);
    const std::vector<RecordKey> theirKeys = keysOf(theirs);
    const auto theirIndex = indexOf(theirs, theirKeys);
    std::unordered_set<RecordKey, RecordKeyHash> ourKeySet(ourKeys.begin(), ourKeys.end());
    for (std::size_t i = 0; i < ours.size(); ++i) {
        const Record* other = nullptr;
        if (const auto* entry = found(theirIndex, ourKeys[i]))
            other = *entry;
        emit(ourKeys[i], resolve(found(base, ourKeys[i]), &ours[i], other), &ours[i], other);
    }
    for (std::size_t i = 0; i < theirs.size(); ++i)
        if (!ourKeySet.contains(theirKeys[i]))
            emit(theirKeys[i], resolve(found(base, theirKeys[i]), nullptr, &theirs[i]), nullptr,
                 &theirs[i]);
}

} // namespace

LibraryFingerprints::SnippetPrint LibraryFingerprints::of(const Snippet& snippet) {
    SnippetPrint print;
    print.content = hashText(snippet.name);
    combine(print.content, hashText(rawValue(snippet.format)));
    combine(print.content, hashText(snippet.text));
    combine(print.content, snippet.groupID ? std::hash<Uuid>{}(*snippet.groupID) : 0);
    combine(print.content, hashDate(snippet.created));
    combine(print.content, hashDate(snippet.modified));
    print.usage = static_cast<std::uint64_t>(snippet.useCount);
    combine(print.usage, snippet.lastUsed ? hashDate(*snippet.lastUsed) + 1 : 0);
    return print;
}

std::uint64_t LibraryFingerprints::of(const SnippetGroup& group) {
    return hashText(group.name);
}

LibraryFingerprints LibraryFingerprints::of(const std::vector<SnippetGroup>& groups,
                                            const std::vector<Snippet>& snippets) {
    LibraryFingerprints prints;
    prints.snippets.reserve(snippets.size());
    const std::vector<RecordKey> snippetKeys = keysOf(snippets);
    for (std::size_t i = 0; i < snippets.size(); ++i)
        prints.snippets.emplace(snippetKeys[i], of(snippets[i]));
    const std::vector<RecordKey> groupKeys = keysOf(groups);
    for (std::size_t i = 0; i < groups.size(); ++i)
        prints.groups.emplace(groupKeys[i], of(groups[i]));
    return prints;
}

LibraryFile mergeLibraries(const LibraryFingerprints& base, const LibraryFile& ours,
                           const LibraryFile& theirs) {
    LibraryFile merged;
    merged.snippets.reserve(std::max(ours.snippets.size(), theirs.snippets.size()));
    std::unordered_set<Uuid> groupsInUse;
    mergeRecords(
        base.snippets, ours.snippets, theirs.snippets,
        [&](const RecordKey&, std::optional<Snippet> kept, const Snippet*, const Snippet*) {
            if (!kept)
                return;
            if (kept->groupID)
                groupsInUse.insert(*kept->groupID);
            merged.snippets.push_back(std::move(*kept));
        });
    mergeRecords(base.groups, ours.groups, theirs.groups,
                 [&](const RecordKey& key, std::optional<SnippetGroup> kept,
                     const SnippetGroup* mine, const SnippetGroup* other) {
                     // A group one side deleted stays while a kept snippet is in it.
                     if (!kept && key.occurrence == 0 && groupsInUse.contains(key.id))
                         kept = mine ? *mine : *other;
                     if (kept)
                         merged.groups.push_back(std::move(*kept));
                 });
    return merged;
}

} // namespace quillo
