#include "PickerSearch.h"

#include "core/text/DateFormatting.h"
#include "core/text/Folding.h"
#include "core/text/NaturalOrder.h"
#include "core/util/HelperThread.h"
#include "core/util/Translation.h"
#include "core/util/UnicodeText.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <climits>
#include <cstring>
#include <limits>
#include <new>
#include <numeric>
#include <thread>
#include <unicode/coll.h>
#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>
#include <unordered_map>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace quillo {

namespace {

// Pieces between U+0020 only: a tab or a no-break space stays inside its token.
std::vector<std::string_view> tokensOf(std::string_view query) {
    std::vector<std::string_view> tokens;
    std::size_t start = 0;
    while (start <= query.size()) {
        const std::size_t space = std::min(query.find(' ', start), query.size());
        if (space > start)
            tokens.push_back(query.substr(start, space - start));
        start = space + 1;
    }
    return tokens;
}

bool contains(std::string_view haystack, std::string_view needle) {
    return haystack.find(needle) != std::string_view::npos;
}

std::int64_t cappedUses(std::int64_t useCount) {
    return std::min<std::int64_t>(useCount, 25);
}

// The score before the token bonuses of the group and the uses.
std::int64_t nameScore(std::string_view query, const std::vector<std::string_view>& tokens,
                       std::string_view name) {
    std::int64_t score = name.starts_with(query) ? 120 : (contains(name, query) ? 70 : 0);
    for (const std::string_view token : tokens)
        if (contains(name, token))
            score += 15;
    return score;
}

std::optional<std::int64_t> scoreFolded(std::string_view query,
                                        const std::vector<std::string_view>& tokens,
                                        const Snippet& snippet, const Library& library) {
    const std::string name = fold(snippet.name);
    const std::string group = fold(library.groupName(snippet));
    const std::string haystack = name + " " + group + " " + fold(snippet.plainPreview());
    for (const std::string_view token : tokens)
        if (!contains(haystack, token))
            return std::nullopt;
    std::int64_t score = nameScore(query, tokens, name);
    for (const std::string_view token : tokens)
        if (contains(group, token))
            score += 5;
    return score + cappedUses(snippet.useCount);
}

bool recentFirst(const Snippet& a, const Snippet& b, const NaturalLess& byName) {
    if (a.lastUsed && b.lastUsed)
        return *a.lastUsed > *b.lastUsed;
    if (a.lastUsed || b.lastUsed)
        return a.lastUsed.has_value();
    return byName(a.name, b.name);
}

// NaturalLess keeps its collator to itself, so this one is built the same way (user's
// locale, root order for POSIX, numeric, secondary strength): byte order of its sort keys
// is then naturalCompare's order. Null when ICU can make none; names then compare as
// bytes, as NaturalLess does.
const icu::Collator* sortKeyCollator() {
    static const std::unique_ptr<icu::Collator> collator = [] {
        // Fixes NaturalLess's locale now, from the same environment as ours.
        (void)naturalCompare("", "");
        const std::string localeId = DateFormatting::environmentLocaleId();
        const icu::Locale locale =
            localeId == "en_US_POSIX" ? icu::Locale::getRoot() : icu::Locale(localeId.c_str());
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Collator> made(icu::Collator::createInstance(locale, status));
        if (U_FAILURE(status) || made == nullptr)
            return std::unique_ptr<icu::Collator>();
        made->setAttribute(UCOL_NUMERIC_COLLATION, UCOL_ON, status);
        made->setStrength(icu::Collator::SECONDARY);
        return U_SUCCESS(status) ? std::move(made) : std::unique_ptr<icu::Collator>();
    }();
    return collator.get();
}

// The sort key collator of the calling thread: ICU's collators are not for sharing
// between threads, and a copy shares the rules' data, so it costs little.
const icu::Collator* threadCollator() {
    thread_local const std::unique_ptr<icu::Collator> own = [] {
        const icu::Collator* shared = sortKeyCollator();
        std::unique_ptr<icu::Collator> copy(shared != nullptr ? shared->clone() : nullptr);
        if (shared != nullptr && copy == nullptr)
            throw std::bad_alloc();
        return copy;
    }();
    return own.get();
}

// Adds the name's sort key to `out`. ICU's keys end in a zero byte and hold no other, so
// comparing them as byte strings is comparing the names.
void appendSortKey(std::string& out, std::string_view name) {
    const icu::Collator* collator = threadCollator();
    if (collator == nullptr) {
        out.append(name);
        return;
    }
    // Names are short: most fit the buffer on the stack, which spares an allocation.
    std::array<char16_t, 256> buffer{};
    icu::UnicodeString longText;
    const char16_t* text = buffer.data();
    int32_t textLength = 0;
    UErrorCode status = U_ZERO_ERROR;
    if (name.size() < buffer.size())
        u_strFromUTF8WithSub(buffer.data(), static_cast<int32_t>(buffer.size()), &textLength,
                             name.data(), static_cast<int32_t>(name.size()), 0xFFFD, nullptr,
                             &status);
    if (name.size() >= buffer.size() || U_FAILURE(status)) {
        longText = toUnicode(name);
        text = longText.getBuffer();
        textLength = longText.length();
    }
    const std::size_t at = out.size();
    std::size_t room = std::max<std::size_t>(name.size() * 2 + 16, 64);
    for (;;) {
        out.resize(at + room);
        const int32_t length =
            collator->getSortKey(text, textLength, reinterpret_cast<uint8_t*>(out.data() + at),
                                 static_cast<int32_t>(std::min<std::size_t>(room, INT32_MAX)));
        if (length <= 0) {
            out.resize(at);
            out.append(name);
            return;
        }
        if (static_cast<std::size_t>(length) <= room) {
            out.resize(at + static_cast<std::size_t>(length));
            return;
        }
        room = static_cast<std::size_t>(length);
    }
}

// Whole sort keys of names, by position. They are packed in one buffer for each thread
// that makes them: a string for each would cost an allocation and a free.
class SortKeys {
public:
    std::size_t size() const { return places_.size(); }
    void reset(std::size_t count) {
        places_.assign(count, Place{});
        for (std::string& bytes : bytes_)
            bytes.clear();
    }
    bool made(std::size_t at) const { return places_[at].made; }
    std::string_view operator[](std::size_t at) const {
        const Place& place = places_[at];
        return std::string_view(bytes_[place.thread]).substr(place.offset, place.length);
    }
    // Threads write to their own buffers and to their own positions only, and read none
    // while any is made: making one may move the others.
    void make(std::size_t at, std::string_view name, std::size_t thread) {
        std::string& bytes = bytes_[thread];
        const std::size_t offset = bytes.size();
        appendSortKey(bytes, name);
        places_[at] = {offset, bytes.size() - offset, static_cast<std::uint8_t>(thread), true};
    }

private:
    struct Place {
        std::size_t offset = 0;
        std::size_t length = 0;
        std::uint8_t thread = 0;
        bool made = false;
    };
    std::array<std::string, 2> bytes_;
    std::vector<Place> places_;
};

} // namespace

// ---- The reference search

std::string PickerSearch::foldedQuery(std::string_view query) {
    return fold(UnicodeText::trimmedBlanks(query));
}

std::optional<std::int64_t> PickerSearch::score(std::string_view query, const Snippet& snippet,
                                                const Library& library) {
    const std::string folded = foldedQuery(query);
    if (folded.empty())
        return std::nullopt;
    return scoreFolded(folded, tokensOf(folded), snippet, library);
}

std::vector<Snippet> PickerSearch::search(std::string_view query, const Library& library) {
    const std::string folded = foldedQuery(query);
    const NaturalLess byName;
    if (folded.empty()) {
        std::vector<Snippet> all = library.snippets();
        std::stable_sort(all.begin(), all.end(), [&](const Snippet& a, const Snippet& b) {
            return recentFirst(a, b, byName);
        });
        return all;
    }

    const std::vector<std::string_view> tokens = tokensOf(folded);
    std::vector<std::pair<std::int64_t, const Snippet*>> scored;
    for (const Snippet& snippet : library.snippets())
        if (const std::optional<std::int64_t> score = scoreFolded(folded, tokens, snippet, library))
            scored.emplace_back(*score, &snippet);
    std::stable_sort(scored.begin(), scored.end(), [&](const auto& a, const auto& b) {
        if (a.first != b.first)
            return a.first > b.first;
        return byName(a.second->name, b.second->name);
    });

    std::vector<Snippet> results;
    results.reserve(scored.size());
    for (const auto& entry : scored)
        results.push_back(*entry.second);
    return results;
}

// ---- The cache

namespace {

#if defined(__x86_64__)
// Tests 32 start positions at once by the needle's first and last bytes, and compares the
// rest only where both agree: several times the speed of glibc's memmem on folded text.
// `onMatch(hit)` says where to go on from, or is null to stop. Staying in this function
// spares a call and its setup for every match, and most texts match a short query.
template <typename OnMatch>
__attribute__((target("avx2"))) void eachWide(const char* at, const char* end, const char* needle,
                                              std::size_t length, const OnMatch& onMatch) {
    if (end - at < static_cast<std::ptrdiff_t>(length))
        return;
    const __m256i first = _mm256_set1_epi8(needle[0]);
    const __m256i last = _mm256_set1_epi8(needle[length - 1]);
    const char* const stop = end - (length - 1); // one past the last possible start
    while (at != nullptr && at < stop) {
        const char* hit = nullptr;
        while (hit == nullptr && stop - at >= 32) {
            const __m256i starts = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
            const __m256i ends =
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + length - 1));
            auto candidates = static_cast<std::uint32_t>(_mm256_movemask_epi8(
                _mm256_and_si256(_mm256_cmpeq_epi8(first, starts), _mm256_cmpeq_epi8(last, ends))));
            while (candidates != 0) {
                // First and last bytes agree; the middle is compared here, since a call to
                // memcmp would spill the vector registers on every candidate.
                const char* const candidate = at + __builtin_ctz(candidates);
                std::size_t same = 1;
                while (same + 1 < length && candidate[same] == needle[same])
                    ++same;
                if (same + 1 >= length) {
                    hit = candidate;
                    break;
                }
                candidates &= candidates - 1;
            }
            if (hit == nullptr)
                at += 32;
        }
        for (; hit == nullptr && at < stop; ++at)
            if (at[0] == needle[0] && std::memcmp(at + 1, needle + 1, length - 1) == 0)
                hit = at;
        if (hit == nullptr)
            return;
        at = onMatch(hit);
    }
}

__attribute__((target("avx2"))) const char* findWide(const char* at, const char* end,
                                                     const char* needle, std::size_t length) {
    const char* found = nullptr;
    eachWide(at, end, needle, length, [&](const char* hit) -> const char* {
        found = hit;
        return nullptr;
    });
    return found;
}

bool hasAvx2() {
    static const bool wide = __builtin_cpu_supports("avx2");
    return wide;
}
#endif

// Up to eight bytes as one number, the rest zero: two such compare a few bytes at once.
std::uint64_t eightOf(std::string_view bytes) {
    std::uint64_t number = 0;
    std::memcpy(&number, bytes.data(), std::min(bytes.size(), sizeof number));
    return number;
}

// The first `needle` in [begin, end), or null.
const char* findIn(const char* begin, const char* end, std::string_view needle) {
    const std::size_t length = needle.size();
    const auto size = static_cast<std::size_t>(end - begin);
    if (length == 0)
        return begin;
    if (size < length)
        return nullptr;
    if (length == 1)
        return static_cast<const char*>(std::memchr(begin, needle[0], size));
#if defined(__x86_64__)
    if (hasAvx2())
        return findWide(begin, end, needle.data(), length);
#endif
    return static_cast<const char*>(memmem(begin, size, needle.data(), length));
}

// Calls `onMatch(hit)` for each `needle` in [at, end), going on from where it says, or
// stopping when it says null.
template <typename OnMatch>
void eachMatch(const char* at, const char* end, std::string_view needle, const OnMatch& onMatch) {
#if defined(__x86_64__)
    if (hasAvx2() && needle.size() >= 2) {
        eachWide(at, end, needle.data(), needle.size(), onMatch);
        return;
    }
#endif
    while (at != nullptr) {
        const char* const hit = findIn(at, end, needle);
        if (hit == nullptr)
            return;
        at = onMatch(hit);
    }
}

// Inline rather than memcmp: the prefixes are short and asked of every match.
bool startsWith(std::string_view text, std::string_view prefix) {
    if (prefix.size() > text.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (text[i] != prefix[i])
            return false;
    return true;
}

bool holds(std::string_view text, std::string_view needle) {
    return findIn(text.data(), text.data() + text.size(), needle) != nullptr;
}

} // namespace

class SearchCache::Index {
public:
    const std::vector<const Snippet*>& results(std::string_view query, const Library& library);
    void prepare(const Library& library);
    void releaseTexts();
    std::size_t heldBytes() const;
    bool holdsTexts() const { return textsBuilt_; }

private:
    static constexpr std::size_t none = std::numeric_limits<std::size_t>::max();

    // What a snippet's cached texts were made from. Its name and text are known by their
    // stamps only: a copy of every text would double what the library takes in memory, and
    // a hash would let two texts pass for one.
    struct Source {
        Uuid id;
        std::uint64_t nameStamp = 0;
        std::uint64_t textStamp = 0;
        SnippetFormat format = SnippetFormat::rich;
        std::optional<Uuid> groupID{};
    };

    // What a snippet's score takes besides its texts.
    struct Weight {
        std::uint32_t group = 0; // slot in groupTexts_
        std::int64_t uses = 0;   // what the use count adds
    };

    // Where a snippet's folded name and preview lie in `folded_`: the name, one space,
    // the preview.
    struct Span {
        std::size_t offset = 0;
        std::size_t nameLength = 0;
        std::size_t length = 0;
    };

    // The first sixteen bytes of a name's sort key, as two numbers: they decide most
    // comparisons, and the whole key is made again only for names that share them.
    struct KeyHead {
        std::uint64_t high = 0;
        std::uint64_t low = 0;
        bool operator==(const KeyHead&) const = default;
    };

    void follow(const Library& library);
    bool refreshGroups(const Library& library);
    std::uint32_t groupSlot(const std::optional<Uuid>& groupID) const;
    void refresh(const Library& library);
    bool refreshInPlace(const Library& library, bool groupsChanged);
    void buildTexts(const Library& library);
    void append(const Snippet& snippet, Span& span) { appendTo(folded_, snippet, span); }
    static void appendTo(std::string& out, const Snippet& snippet, Span& span);
    void makeKeys(const std::vector<Snippet>& snippets, const std::vector<std::size_t>* from,
                  SortKeys& keys);
    template <typename Work> void shared(std::size_t count, std::size_t piece, const Work& work);
    static void remember(const Snippet& snippet, Source& source);
    static KeyHead headOf(std::string_view key);
    static Weight weightOf(const Snippet& snippet, std::uint32_t group) {
        return {group, cappedUses(snippet.useCount)};
    }
    void blank(const Span& span);
    void compact();
    void orderByName(const Library& library, SortKeys keys);
    void listRecentFirst(const Library& library);
    void listMatches(const Library& library, bool narrowing);

    std::string_view name(std::size_t at) const {
        return std::string_view(folded_).substr(spans_[at].offset, spans_[at].nameLength);
    }
    // The eight bytes of the folded texts from `offset`, fewer at their end.
    std::uint64_t eightAt(std::size_t offset) const {
        return eightOf(std::string_view(folded_).substr(offset, sizeof(std::uint64_t)));
    }
    std::string_view segment(std::size_t at) const {
        return std::string_view(folded_).substr(spans_[at].offset, spans_[at].length);
    }
    static bool sameText(const Source& source, const Snippet& snippet) {
        return source.textStamp == snippet.textStamp && source.format == snippet.format;
    }

    // The library state the entries describe.
    const Library* library_ = nullptr;
    std::uint64_t revision_ = 0;
    const Snippet* snippetData_ = nullptr;
    std::size_t snippetCount_ = 0;

    // Groups: slot 0 is "Ungrouped", then one slot per distinct group id.
    std::vector<SnippetGroup> groups_;
    std::unordered_map<Uuid, std::uint32_t> groupSlots_;
    std::vector<std::string> groupTexts_;

    // Per snippet, in library order; enough for the list of a blank query.
    std::vector<Source> sources_;
    std::vector<KeyHead> heads_;
    std::vector<Weight> weights_;
    // Positions in name order, library order between equal names.
    std::vector<std::uint32_t> nameOrder_;
    // Each position's place in nameOrder_.
    std::vector<std::uint32_t> nameRanks_;
    // Positions as the blank query lists them, while `recentKnown_`.
    std::vector<std::uint32_t> recentOrder_;
    bool recentKnown_ = false;

    // The folded texts, the bulk of the memory: made for the first query that needs them
    // and let go while the picker is closed.
    bool textsBuilt_ = false;
    std::vector<Span> spans_; // per snippet, in library order
    // Every snippet's folded text with a space after it. A changed text goes to the end
    // and its old place is overwritten with spaces: tokens hold no space, so they never
    // match there, nor across from one text into the next. Packed when half is spaces.
    std::string folded_;
    std::size_t deadBytes_ = 0;
    // Positions in the order of their texts in `folded_`.
    std::vector<std::uint32_t> layout_;

    // The last answer.
    bool answered_ = false;
    std::string query_;
    std::vector<const Snippet*> results_;

    // Scratch, kept to spare allocations.
    std::vector<std::string_view> tokens_;
    // What the last answer made of each snippet, and the one before.
    enum : std::uint8_t { unseen, matched, failed };
    std::vector<std::uint8_t> hits_;
    std::vector<std::uint8_t> before_;
    // Where the last answer's lead token first lies in each snippet's folded texts (from
    // the start of its span; `absentAt` when only its group holds it), and that token.
    static constexpr std::size_t absent = std::numeric_limits<std::size_t>::max();
    static constexpr std::uint32_t absentAt = std::numeric_limits<std::uint32_t>::max();
    std::vector<std::uint32_t> leadAt_;
    std::string leadBefore_;
    // The eight bytes from there, and the first eight of the name, as the last answer read
    // them: a token typed on is checked against them without going back to the texts.
    std::vector<std::uint64_t> leadBytes_;
    std::vector<std::uint64_t> nameBytes_;
    // By place in name order, so that the matches are collected in one pass in that order;
    // all zero between queries.
    std::vector<std::uint32_t> rankBuckets_;
    std::size_t matchedCount_ = 0;
    // A match as a part of the search finds it: its place in name order and its score.
    struct Found {
        std::uint32_t rank;
        std::int64_t score;
    };
    std::array<std::vector<Found>, 2> found_;
    // Below this much text, sharing the search with the helper costs more than it saves.
    static constexpr std::size_t splitBytes = std::size_t{4} << 20;
    static constexpr std::size_t splitCandidates = 4096;
    // Snippets in a piece of the work shared with the helper while folding or making sort
    // keys: a few milliseconds' worth at most, so that neither thread waits long for the other.
    static constexpr std::size_t buildPiece = 512;
    // Runs of names with the same head in a piece of their sorting shared with the helper.
    static constexpr std::size_t runPiece = 64;
    // The search shares its work in this many pieces.
    static constexpr std::size_t searchPieces = 16;
    // Up to this share of the snippets (in sixteenths), a grown token looks at the previous
    // matches only; beyond it, most would fail where the shorter token was, and the scan is
    // cheaper than looking further in each.
    static constexpr std::size_t grownShare = 10;
    std::unique_ptr<HelperThread> helper_;
};

void SearchCache::Index::follow(const Library& library) {
    // The address of the snippets as well, since a library destroyed and made anew at the
    // same address starts its revisions over.
    if (library_ == &library && revision_ == library.revision() &&
        snippetData_ == library.snippets().data() && snippetCount_ == library.snippets().size())
        return;
    if (library_ != &library && library_ != nullptr)
        releaseTexts(); // another library's texts are no use, and a build is cheaper
    refresh(library);
    recentKnown_ = false;
    library_ = &library;
    revision_ = library.revision();
    snippetData_ = library.snippets().data();
    snippetCount_ = library.snippets().size();
    answered_ = false;
}

const std::vector<const Snippet*>& SearchCache::Index::results(std::string_view query,
                                                               const Library& library) {
    std::string folded = PickerSearch::foldedQuery(query);
    follow(library);
    if (answered_ && folded == query_)
        return results_;

    const bool narrowing = answered_ && !query_.empty() && folded.starts_with(query_);
    query_ = std::move(folded);
    answered_ = true;
    if (query_.empty()) {
        listRecentFirst(library);
    } else {
        if (!textsBuilt_)
            buildTexts(library);
        listMatches(library, narrowing);
    }
    return results_;
}

void SearchCache::Index::prepare(const Library& library) {
    follow(library);
    if (!textsBuilt_)
        buildTexts(library);
}

void SearchCache::Index::releaseTexts() {
    // Swapped with empty ones, so the memory goes back rather than waiting for reuse.
    std::string().swap(folded_);
    std::vector<Span>().swap(spans_);
    std::vector<std::uint32_t>().swap(layout_);
    deadBytes_ = 0;
    textsBuilt_ = false;
    std::vector<std::string_view>().swap(tokens_);
    std::vector<std::uint8_t>().swap(hits_);
    std::vector<std::uint8_t>().swap(before_);
    std::vector<std::uint32_t>().swap(leadAt_);
    std::vector<std::uint64_t>().swap(leadBytes_);
    std::vector<std::uint64_t>().swap(nameBytes_);
    std::string().swap(leadBefore_);
    std::vector<std::uint32_t>().swap(rankBuckets_);
    matchedCount_ = 0;
    for (std::vector<Found>& found : found_)
        std::vector<Found>().swap(found);
    // A query's answer is made again from the texts; narrowing it needs what was just let go.
    if (!query_.empty()) {
        answered_ = false;
        std::vector<const Snippet*>().swap(results_);
    }
}

std::size_t SearchCache::Index::heldBytes() const {
    const auto bytes = [](const auto& container) {
        return container.capacity() * sizeof(*container.data());
    };
    std::size_t total = bytes(groups_) + bytes(sources_) + bytes(heads_) + bytes(weights_) +
                        bytes(nameOrder_) + bytes(nameRanks_) + bytes(recentOrder_) +
                        bytes(spans_) + bytes(folded_) + bytes(layout_) + bytes(results_) +
                        bytes(tokens_) + bytes(hits_) + bytes(before_) + bytes(leadAt_) +
                        bytes(leadBytes_) + bytes(nameBytes_) + bytes(rankBuckets_) +
                        bytes(groupTexts_) + bytes(found_[0]) + bytes(found_[1]);
    for (const std::string& text : groupTexts_)
        total += text.capacity();
    return total;
}

bool SearchCache::Index::refreshGroups(const Library& library) {
    const std::vector<SnippetGroup>& groups = library.groups();
    const bool same = groups_.size() == groups.size() &&
                      std::equal(groups.begin(), groups.end(), groups_.begin(),
                                 [](const SnippetGroup& a, const SnippetGroup& b) {
                                     return a.id == b.id && a.name == b.name;
                                 });
    if (same && !groupTexts_.empty())
        return false;

    groups_ = groups;
    groupSlots_.clear();
    groupTexts_.assign(1, fold(i18n("Ungrouped")));
    // The first group with an id names it, as in Library::groupName.
    for (const SnippetGroup& group : groups_) {
        const auto slot = static_cast<std::uint32_t>(groupTexts_.size());
        if (groupSlots_.try_emplace(group.id, slot).second)
            groupTexts_.push_back(fold(group.name));
    }
    return true;
}

std::uint32_t SearchCache::Index::groupSlot(const std::optional<Uuid>& groupID) const {
    if (!groupID)
        return 0;
    const auto slot = groupSlots_.find(*groupID);
    return slot == groupSlots_.end() ? 0 : slot->second;
}

template <typename Work>
void SearchCache::Index::shared(std::size_t count, std::size_t piece, const Work& work) {
    static const bool twoCores = std::thread::hardware_concurrency() > 1;
    if (!twoCores || count <= piece) {
        work(0, count, 0);
        return;
    }
    if (!helper_)
        helper_ = std::make_unique<HelperThread>();
    std::atomic<std::size_t> taken{0};
    const auto run = [&](std::size_t thread) {
        for (;;) {
            const std::size_t from = taken.fetch_add(piece, std::memory_order_relaxed);
            if (from >= count)
                return;
            work(from, std::min(count, from + piece), thread);
        }
    };
    helper_->start([&] { run(1); });
    try {
        run(0);
    } catch (...) {
        // The helper still reads what this frame holds: it must be done first.
        try {
            helper_->finish();
        } catch (...) {
        }
        throw;
    }
    helper_->finish();
}

void SearchCache::Index::buildTexts(const Library& library) {
    const std::vector<Snippet>& snippets = library.snippets();
    const std::size_t count = snippets.size();
    // Room for every text at once; a preview is no longer than its text.
    std::size_t bytes = 0;
    for (const Snippet& snippet : snippets)
        bytes += snippet.name.size() + snippet.text.size() + 2;
    folded_.clear();
    folded_.reserve(bytes);
    spans_.assign(count, Span{});
    // The helper folds its pieces into a buffer of its own, which then goes after this
    // thread's; `layout_` follows the texts.
    std::string tail;
    std::vector<std::uint8_t> helped((count + buildPiece - 1) / buildPiece, 0);
    shared(count, buildPiece, [&](std::size_t from, std::size_t to, std::size_t thread) {
        std::string& out = thread == 0 ? folded_ : tail;
        if (thread != 0 && tail.capacity() == 0)
            tail.reserve(bytes / 2);
        helped[from / buildPiece] = static_cast<std::uint8_t>(thread);
        for (std::size_t i = from; i < to; ++i)
            appendTo(out, snippets[i], spans_[i]);
    });
    const std::size_t shift = folded_.size();
    folded_ += tail;
    layout_.clear();
    layout_.reserve(count);
    for (const std::uint8_t thread : {0, 1})
        for (std::size_t piece = 0; piece < helped.size(); ++piece) {
            if (helped[piece] != thread)
                continue;
            for (std::size_t i = piece * buildPiece; i < std::min(count, (piece + 1) * buildPiece);
                 ++i) {
                spans_[i].offset += thread != 0 ? shift : 0;
                layout_.push_back(static_cast<std::uint32_t>(i));
            }
        }
    deadBytes_ = 0;
    textsBuilt_ = true;
}

void SearchCache::Index::appendTo(std::string& out, const Snippet& snippet, Span& span) {
    span.offset = out.size();
    appendFolded(out, snippet.name);
    span.nameLength = out.size() - span.offset;
    out += ' ';
    // A plain snippet's preview is its text; asking for it would copy it.
    appendFolded(out, snippet.format == SnippetFormat::plain ? std::string_view(snippet.text)
                                                             : snippet.plainPreview());
    span.length = out.size() - span.offset;
    out += ' ';
}

void SearchCache::Index::remember(const Snippet& snippet, Source& source) {
    source.nameStamp = snippet.nameStamp;
    source.textStamp = snippet.textStamp;
    source.format = snippet.format;
}

SearchCache::Index::KeyHead SearchCache::Index::headOf(std::string_view key) {
    const auto bytesAt = [&](std::size_t from) {
        std::uint64_t value = 0;
        for (std::size_t b = from; b < from + 8; ++b)
            value = value << 8 | (b < key.size() ? static_cast<unsigned char>(key[b]) : 0U);
        return value;
    };
    return {bytesAt(0), bytesAt(8)};
}

// The whole sort key of each name that is not its old entry's (`from` gives the old entry
// by position, `none` for a new snippet; null means the same position). Making keys is most
// of a refresh of many names: the helper shares it.
void SearchCache::Index::makeKeys(const std::vector<Snippet>& snippets,
                                  const std::vector<std::size_t>* from, SortKeys& keys) {
    keys.reset(snippets.size());
    shared(snippets.size(), buildPiece,
           [&](std::size_t begin, std::size_t end, std::size_t thread) {
               for (std::size_t i = begin; i < end; ++i) {
                   const std::size_t j = from != nullptr ? (*from)[i] : i;
                   if (j == none || sources_[j].nameStamp != snippets[i].nameStamp)
                       keys.make(i, snippets[i].name, thread);
               }
           });
}

void SearchCache::Index::blank(const Span& span) {
    std::memset(folded_.data() + span.offset, ' ', span.length);
    deadBytes_ += span.length + 1;
}

bool SearchCache::Index::refreshInPlace(const Library& library, bool groupsChanged) {
    const std::vector<Snippet>& snippets = library.snippets();
    const std::size_t count = snippets.size();
    if (count != sources_.size())
        return false;
    for (std::size_t i = 0; i < count; ++i)
        if (sources_[i].id != snippets[i].id)
            return false;

    SortKeys keys;
    makeKeys(snippets, nullptr, keys);
    std::vector<std::uint8_t> moved(count, 0);
    bool anyMoved = false;
    bool renamed = false;
    for (std::size_t i = 0; i < count; ++i) {
        const Snippet& snippet = snippets[i];
        Source& source = sources_[i];
        const bool nameKept = !keys.made(i);
        if (!nameKept || !sameText(source, snippet)) {
            if (textsBuilt_) {
                blank(spans_[i]);
                append(snippet, spans_[i]);
                moved[i] = 1;
                anyMoved = true;
            }
            remember(snippet, source);
        }
        if (!nameKept) {
            heads_[i] = headOf(keys[i]);
            renamed = true;
        }
        if (groupsChanged || source.groupID != snippet.groupID) {
            weights_[i].group = groupSlot(snippet.groupID);
            source.groupID = snippet.groupID;
        }
        weights_[i].uses = weightOf(snippet, 0).uses;
    }
    if (anyMoved) {
        // The changed texts now lie after all the others.
        std::erase_if(layout_, [&](std::uint32_t at) { return moved[at] != 0; });
        for (std::size_t i = 0; i < count; ++i)
            if (moved[i])
                layout_.push_back(static_cast<std::uint32_t>(i));
    }
    if (deadBytes_ > folded_.size() / 2)
        compact();
    if (renamed)
        orderByName(library, std::move(keys));
    return true;
}

void SearchCache::Index::refresh(const Library& library) {
    const bool groupsChanged = refreshGroups(library);
    // The usual change leaves every snippet where it was: edit, use, move, group rename.
    if (refreshInPlace(library, groupsChanged))
        return;

    const std::vector<Snippet>& snippets = library.snippets();
    const std::size_t count = snippets.size();
    const std::size_t oldCount = sources_.size();

    // Match each snippet to its old entry: the same position when the id is there (the
    // usual case), else by id. An old entry serves one snippet at most.
    std::vector<std::size_t> from(count, none);
    std::vector<std::uint8_t> taken(oldCount, 0);
    std::unordered_map<Uuid, std::size_t> oldPositions;
    bool indexed = false;
    for (std::size_t i = 0; i < count; ++i) {
        std::size_t j = none;
        if (i < oldCount && sources_[i].id == snippets[i].id && !taken[i]) {
            j = i;
        } else {
            if (!indexed) {
                oldPositions.reserve(oldCount);
                for (std::size_t k = 0; k < oldCount; ++k)
                    oldPositions.try_emplace(sources_[k].id, k);
                indexed = true;
            }
            const auto found = oldPositions.find(snippets[i].id);
            if (found != oldPositions.end() && !taken[found->second])
                j = found->second;
        }
        if (j != none) {
            taken[j] = 1;
            from[i] = j;
        }
    }

    // New entries; what is unchanged moves over from the old ones, and a text that is
    // unchanged stays where it is in `folded_`. Whole sort keys are made only for new
    // names, and kept only until they are in order.
    SortKeys keys;
    makeKeys(snippets, &from, keys);
    const bool texts = textsBuilt_;
    std::vector<Source> sources;
    std::vector<KeyHead> heads;
    std::vector<Weight> weights(count);
    std::vector<Span> spans(texts ? count : 0);
    std::vector<std::size_t> keptAt(texts ? oldCount : 0, none);
    std::vector<std::uint32_t> appended;
    sources.reserve(count);
    heads.reserve(count);
    bool namesMoved = count != oldCount;
    for (std::size_t i = 0; i < count; ++i) {
        const Snippet& snippet = snippets[i];
        const std::size_t j = from[i];
        if (j != i)
            namesMoved = true;
        if (j == none) {
            Source source{.id = snippet.id, .format = snippet.format, .groupID = snippet.groupID};
            remember(snippet, source);
            sources.push_back(source);
            heads.push_back(headOf(keys[i]));
            if (texts) {
                append(snippet, spans[i]);
                appended.push_back(static_cast<std::uint32_t>(i));
            }
            weights[i] = weightOf(snippet, groupSlot(snippet.groupID));
            continue;
        }
        Source& old = sources_[j];
        const bool nameKept = !keys.made(i);
        const bool textKept = nameKept && sameText(old, snippet);
        if (texts) {
            if (textKept) {
                spans[i] = spans_[j];
                keptAt[j] = i;
            } else {
                blank(spans_[j]);
                append(snippet, spans[i]);
                appended.push_back(static_cast<std::uint32_t>(i));
            }
        }
        if (!textKept)
            remember(snippet, old);
        if (nameKept) {
            heads.push_back(heads_[j]);
        } else {
            namesMoved = true;
            heads.push_back(headOf(keys[i]));
        }
        weights[i] = weightOf(snippet, !groupsChanged && old.groupID == snippet.groupID
                                           ? weights_[j].group
                                           : groupSlot(snippet.groupID));
        old.groupID = snippet.groupID;
        sources.push_back(old);
    }

    if (texts) {
        for (std::size_t j = 0; j < oldCount; ++j)
            if (!taken[j])
                blank(spans_[j]);
        std::vector<std::uint32_t> layout;
        layout.reserve(count);
        for (const std::uint32_t j : layout_)
            if (keptAt[j] != none)
                layout.push_back(static_cast<std::uint32_t>(keptAt[j]));
        layout.insert(layout.end(), appended.begin(), appended.end());
        spans_ = std::move(spans);
        layout_ = std::move(layout);
    }
    sources_ = std::move(sources);
    heads_ = std::move(heads);
    weights_ = std::move(weights);
    if (deadBytes_ > folded_.size() / 2)
        compact();
    if (namesMoved || nameOrder_.size() != count)
        orderByName(library, std::move(keys));
}

void SearchCache::Index::compact() {
    std::string packed;
    packed.reserve(folded_.size() - deadBytes_);
    for (Span& span : spans_) {
        const std::size_t offset = packed.size();
        packed.append(folded_, span.offset, span.length);
        packed += ' ';
        span.offset = offset;
    }
    folded_ = std::move(packed);
    deadBytes_ = 0;
    layout_.resize(spans_.size());
    std::iota(layout_.begin(), layout_.end(), 0U);
}

// `keys` holds the whole sort keys made so far, by position, or is empty; the missing
// ones are made for the names whose heads are shared.
void SearchCache::Index::orderByName(const Library& library, SortKeys keys) {
    const std::vector<Snippet>& snippets = library.snippets();
    struct Entry {
        KeyHead head;
        std::uint32_t at;
    };
    std::vector<Entry> order(heads_.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = {heads_[i], static_cast<std::uint32_t>(i)};
    std::sort(order.begin(), order.end(), [](const Entry& a, const Entry& b) {
        if (a.head.high != b.head.high)
            return a.head.high < b.head.high;
        return a.head.low != b.head.low ? a.head.low < b.head.low : a.at < b.at;
    });
    // Keys that share their first sixteen bytes are then ordered by the rest.
    if (keys.size() != order.size())
        keys.reset(order.size());
    // The runs of shared heads, with the keys they lack: all made before any is read,
    // since making one may move the bytes of others.
    std::vector<std::pair<std::size_t, std::size_t>> runs;
    for (std::size_t start = 0; start < order.size();) {
        std::size_t end = start + 1;
        while (end < order.size() && order[end].head == order[start].head)
            ++end;
        if (end - start > 1) {
            runs.emplace_back(start, end);
            for (std::size_t k = start; k < end; ++k)
                if (!keys.made(order[k].at))
                    keys.make(order[k].at, snippets[order[k].at].name, 0);
        }
        start = end;
    }
    // Each run is sorted beside its keys, which would otherwise be looked up for every
    // comparison. Runs lie apart, so the helper shares them.
    shared(runs.size(), runPiece, [&](std::size_t from, std::size_t to, std::size_t) {
        std::vector<std::pair<std::string_view, std::uint32_t>> tied;
        for (std::size_t r = from; r < to; ++r) {
            const auto [start, end] = runs[r];
            tied.clear();
            for (std::size_t k = start; k < end; ++k)
                tied.emplace_back(keys[order[k].at], order[k].at);
            std::sort(tied.begin(), tied.end(), [](const auto& a, const auto& b) {
                const int byKey = a.first.compare(b.first);
                return byKey != 0 ? byKey < 0 : a.second < b.second;
            });
            for (std::size_t k = start; k < end; ++k)
                order[k].at = tied[k - start].second;
        }
    });
    nameOrder_.resize(order.size());
    nameRanks_.resize(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        nameOrder_[i] = order[i].at;
        nameRanks_[order[i].at] = static_cast<std::uint32_t>(i);
    }
}

void SearchCache::Index::listRecentFirst(const Library& library) {
    const std::vector<Snippet>& snippets = library.snippets();
    // Sorted again only once the library changed: clearing the field between words
    // should not sort every snippet anew.
    if (!recentKnown_) {
        std::vector<std::pair<Date, std::uint32_t>> dated;
        for (std::size_t i = 0; i < snippets.size(); ++i)
            if (snippets[i].lastUsed)
                dated.emplace_back(*snippets[i].lastUsed, static_cast<std::uint32_t>(i));
        // Later first; equal dates keep library order.
        std::sort(dated.begin(), dated.end(), [](const auto& a, const auto& b) {
            return a.first != b.first ? a.first > b.first : a.second < b.second;
        });
        recentOrder_.clear();
        recentOrder_.reserve(snippets.size());
        for (const auto& entry : dated)
            recentOrder_.push_back(entry.second);
        for (const std::uint32_t at : nameOrder_)
            if (!snippets[at].lastUsed)
                recentOrder_.push_back(at);
        recentKnown_ = true;
    }
    results_.resize(recentOrder_.size());
    for (std::size_t k = 0; k < recentOrder_.size(); ++k)
        results_[k] = &snippets[recentOrder_[k]];
}

void SearchCache::Index::listMatches(const Library& library, bool narrowing) {
    const std::vector<Snippet>& snippets = library.snippets();
    const std::size_t count = snippets.size();
    tokens_ = tokensOf(query_);
    const std::size_t tokenCount = tokens_.size();

    // Which tokens each group's name holds, and what that adds to the score.
    const std::size_t slots = groupTexts_.size();
    std::vector<std::uint8_t> inGroup(slots * tokenCount, 0);
    std::vector<std::int64_t> groupBonus(slots, 0);
    for (std::size_t slot = 0; slot < slots; ++slot)
        for (std::size_t t = 0; t < tokenCount; ++t)
            if (holds(groupTexts_[slot], tokens_[t])) {
                inGroup[slot * tokenCount + t] = 1;
                groupBonus[slot] += 5;
            }

    std::size_t lead = 0;
    for (std::size_t t = 1; t < tokenCount; ++t)
        if (tokens_[t].size() > tokens_[lead].size())
            lead = t;
    const bool single = tokenCount == 1 && tokens_[0] == query_;

    const std::string_view token = tokenCount > 0 ? tokens_[lead] : std::string_view();
    // When the lead token grows as it is typed, its first place in a text is no earlier
    // than that of the token it was, and most often the same.
    const bool grown = narrowing && !leadBefore_.empty() && token.starts_with(leadBefore_);
    // A short query that grew is then checked against the bytes kept from the last answer,
    // without going back to the texts.
    const bool kept = grown && single && token.size() <= sizeof(std::uint64_t);
    // The previous answer's matches are the only candidates when this query only adds to
    // it: each of its tokens then lies inside one of this query's. Visiting them one by
    // one waits on memory for each, where the scan streams through: it pays only when
    // they are few, or when most are settled by the bytes kept.
    narrowing =
        narrowing && (kept ? matchedCount_ <= count * grownShare / 16 : matchedCount_ <= count / 4);
    std::swap(hits_, before_);
    hits_.assign(count, unseen);
    leadAt_.resize(count);
    leadBytes_.resize(count);
    nameBytes_.resize(count);

    const auto singleScore = [](bool prefix, bool leadInName) -> std::int64_t {
        return prefix ? 120 + 15 : (leadInName ? 70 + 15 : 0);
    };
    const auto record = [&](std::size_t i, std::int64_t score, std::vector<Found>& found) {
        hits_[i] = matched;
        const Weight weight = weights_[i];
        found.push_back({nameRanks_[i], score + groupBonus[weight.group] + weight.uses});
    };

    // Scores a snippet that holds the lead token where its folded texts start `leadAt` on,
    // or whose group does (`leadAt` is `absent`). Called as the scan passes its texts,
    // while they are at hand. Writes only what belongs to the snippet, and its own list:
    // the helper searches pieces of the index at the same time.
    const auto weigh = [&](std::size_t i, std::size_t leadAt, std::vector<Found>& found) {
        const Span& span = spans_[i];
        leadAt_[i] = leadAt == absent
                         ? absentAt
                         : (leadAt < absentAt ? static_cast<std::uint32_t>(leadAt) : 0);
        const bool leadInName =
            tokenCount > 0 && leadAt != absent && leadAt + tokens_[lead].size() <= span.nameLength;
        const Weight weight = weights_[i];
        const std::uint8_t* groupHas = inGroup.data() + weight.group * tokenCount;
        for (std::size_t t = 0; t < tokenCount; ++t)
            if (t != lead && !groupHas[t] && !holds(segment(i), tokens_[t])) {
                hits_[i] = failed;
                return;
            }
        nameBytes_[i] = eightAt(span.offset);
        leadBytes_[i] = leadAt_[i] == absentAt ? 0 : eightAt(span.offset + leadAt_[i]);
        const std::string_view folded = name(i);
        const bool prefix = startsWith(folded, query_);
        std::int64_t score = 0;
        if (single) {
            score = singleScore(prefix, leadInName);
        } else {
            score = prefix ? 120 : (holds(folded, query_) ? 70 : 0);
            for (std::size_t t = 0; t < tokenCount; ++t)
                if (t == lead ? leadInName : holds(folded, tokens_[t]))
                    score += 15;
        }
        record(i, score, found);
    };

    // The token's bytes, and which bytes of those kept it covers.
    const std::uint64_t tokenBytes = kept ? eightOf(token) : 0;
    const std::uint64_t tokenMask = kept ? eightOf(std::string(token.size(), '\xff')) : 0;
    std::vector<std::uint8_t> groupHasLead(slots, 0);
    bool anyGroup = false;
    for (std::size_t slot = 0; tokenCount > 0 && slot < slots; ++slot) {
        groupHasLead[slot] = inGroup[slot * tokenCount + lead];
        anyGroup = anyGroup || groupHasLead[slot] != 0;
    }
    // The snippets whose texts are at layout_[from, to).
    const auto searchPart = [&](std::size_t from, std::size_t to, std::vector<Found>& found) {
        if (tokenCount == 0) {
            // Spaces alone, left by folding: everything matches.
            for (std::size_t k = from; k < to; ++k)
                weigh(layout_[k], 0, found);
            return;
        }
        if (narrowing) {
            for (std::size_t k = from; k < to; ++k) {
                const std::uint32_t at = layout_[k];
                if (before_[at] != matched)
                    continue;
                const Span& span = spans_[at];
                const bool inGroupName = groupHasLead[weights_[at].group] != 0;
                if (grown && leadAt_[at] == absentAt) {
                    if (inGroupName)
                        weigh(at, absent, found);
                    continue;
                }
                const std::size_t was = leadAt_[at];
                if (kept && was + token.size() <= span.length &&
                    (leadBytes_[at] & tokenMask) == tokenBytes) {
                    // Still where it was: the name's part of the score is in the bytes kept.
                    const bool prefix = span.nameLength >= token.size() &&
                                        (nameBytes_[at] & tokenMask) == tokenBytes;
                    record(at, singleScore(prefix, was + token.size() <= span.nameLength), found);
                    continue;
                }
                const char* const begin = folded_.data() + span.offset;
                const char* const start = begin + (grown ? leadAt_[at] : 0);
                if (const char* hit = findIn(start, begin + span.length, token))
                    weigh(at, static_cast<std::size_t>(hit - begin), found);
                else if (inGroupName)
                    weigh(at, absent, found);
            }
            return;
        }
        // One pass over the folded texts for the longest token (likely the rarest) finds
        // the candidates. The first match tells whether the token is in the name, which
        // comes first. A text passed over may still match through its group's name. No
        // token holds a space, so none runs from one text into the next.
        if (from == to)
            return;
        const auto passOver = [&](std::size_t at) {
            if (anyGroup && groupHasLead[weights_[at].group])
                weigh(at, absent, found);
        };
        const char* const begin = folded_.data();
        const Span& last = spans_[layout_[to - 1]];
        const char* const end = begin + last.offset + last.length;
        std::size_t next = from;
        eachMatch(begin + spans_[layout_[from]].offset, end, token,
                  [&](const char* hit) -> const char* {
                      const auto offset = static_cast<std::size_t>(hit - begin);
                      while (next < to &&
                             spans_[layout_[next]].offset + spans_[layout_[next]].length <= offset)
                          passOver(layout_[next++]);
                      if (next == to)
                          return nullptr;
                      const Span& span = spans_[layout_[next]];
                      weigh(layout_[next], offset - span.offset, found);
                      ++next;
                      return next < to ? begin + span.offset + span.length : nullptr;
                  });
        for (; next < to; ++next)
            passOver(layout_[next]);
    };

    // A large index is searched in pieces taken in turn by this thread and the helper;
    // they touch the texts and the entries of different snippets only.
    const bool helped = count > 0 && folded_.size() >= splitBytes &&
                        (!narrowing || matchedCount_ >= splitCandidates);
    // Either thread may take any share of the pieces: the lists grow as they need, and
    // keep their room for the next query.
    for (std::vector<Found>& found : found_)
        found.clear();
    if (helped)
        shared(layout_.size(), (layout_.size() + searchPieces - 1) / searchPieces,
               [&](std::size_t from, std::size_t to, std::size_t thread) {
                   searchPart(from, to, found_[thread]);
               });
    else
        searchPart(0, layout_.size(), found_[0]);
    leadBefore_ = tokenCount > 0 ? std::string(tokens_[lead]) : std::string();

    results_.clear();
    std::size_t total = 0;
    std::int64_t low = std::numeric_limits<std::int64_t>::max();
    std::int64_t high = std::numeric_limits<std::int64_t>::min();
    for (const std::vector<Found>& found : found_) {
        total += found.size();
        for (const Found& entry : found) {
            low = std::min(low, entry.score);
            high = std::max(high, entry.score);
        }
    }
    matchedCount_ = total;
    if (total == 0)
        return;
    const auto toResult = [&](std::uint32_t rank) { return &snippets[nameOrder_[rank]]; };
    const auto range = static_cast<std::uint64_t>(high) - static_cast<std::uint64_t>(low);
    // Few matches are sorted; so are scores spread too far for buckets by a wild use count.
    if (total * 16 < count || range > 4 * total + 4096) {
        std::vector<Found>& all = found_[0];
        all.insert(all.end(), found_[1].begin(), found_[1].end());
        std::sort(all.begin(), all.end(), [](const Found& a, const Found& b) {
            return a.score != b.score ? a.score > b.score : a.rank < b.rank;
        });
        results_.reserve(total);
        for (const Found& entry : all)
            results_.push_back(toResult(entry.rank));
        return;
    }

    // A stable bucket sort by score, high scores first, of the matches in name order. Each
    // match's bucket is noted by its place in name order (0 for none, 1 for the highest
    // score), so one pass over those places lists them; the ones that did not match are
    // written to one spare slot at the end rather than tested for.
    results_.resize(total + 1);
    if (rankBuckets_.size() != count)
        rankBuckets_.assign(count, 0);
    std::vector<std::size_t> next(static_cast<std::size_t>(range) + 3, 0);
    for (const std::vector<Found>& found : found_)
        for (const Found& entry : found) {
            const auto bucket = static_cast<std::uint32_t>(high - entry.score) + 1;
            rankBuckets_[entry.rank] = bucket;
            ++next[bucket + 1];
        }
    std::partial_sum(next.begin() + 1, next.end(), next.begin() + 1);
    next[0] = total;
    std::uint32_t* const buckets = rankBuckets_.data();
    const Snippet** const out = results_.data();
    for (std::uint32_t rank = 0; rank < count; ++rank) {
        const std::uint32_t bucket = buckets[rank];
        buckets[rank] = 0; // left clear for the next query
        out[next[bucket]] = toResult(rank);
        next[bucket] += bucket != 0 ? 1 : 0;
    }
    results_.pop_back();
}

SearchCache::SearchCache() : index_(std::make_unique<Index>()) {}

SearchCache::~SearchCache() = default;

const std::vector<const Snippet*>& SearchCache::results(std::string_view query,
                                                        const Library& library) {
    return index_->results(query, library);
}

void SearchCache::prepare(const Library& library) {
    index_->prepare(library);
}

void SearchCache::releaseTexts() {
    index_->releaseTexts();
}

bool SearchCache::holdsTexts() const {
    return index_->holdsTexts();
}

std::size_t SearchCache::heldBytes() const {
    return index_->heldBytes();
}

} // namespace quillo
