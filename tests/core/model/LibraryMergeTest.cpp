#include "core/model/LibraryMerge.h"

#include "fakes/Dates.h"
#include "fakes/Names.h"

#include <gmock/gmock.h>

namespace quillo {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using testing::utc;

const Uuid snippetID = Uuid::random();

// The record as the file held it when the program last read or wrote it.
Snippet base() {
    return Snippet{.id = snippetID,
                   .name = "Thanks",
                   .text = "Thank you!",
                   .created = utc(2026, 1, 1),
                   .modified = utc(2026, 1, 1),
                   .lastUsed = utc(2026, 1, 2),
                   .useCount = 3};
}

Snippet edited(std::string text, Date modified) {
    Snippet snippet = base();
    snippet.text = std::move(text);
    snippet.modified = modified;
    return snippet;
}

Snippet used(std::int64_t count, Date last) {
    Snippet snippet = base();
    snippet.useCount = count;
    snippet.lastUsed = last;
    return snippet;
}

std::vector<Snippet> merged(const std::optional<Snippet>& ours,
                            const std::optional<Snippet>& theirs) {
    const LibraryFingerprints prints = LibraryFingerprints::of({}, {base()});
    LibraryFile mine, other;
    if (ours)
        mine.snippets.push_back(*ours);
    if (theirs)
        other.snippets.push_back(*theirs);
    return mergeLibraries(prints, mine, other).snippets;
}

struct BothSides {
    const char* what;
    std::optional<Snippet> ours;
    std::optional<Snippet> theirs;
    std::optional<Snippet> expected;
};

TEST(LibraryMerge, eachRecordFollowsTheSideThatChangedIt) {
    const Date earlier = utc(2026, 2, 1);
    const Date later = utc(2026, 2, 2);
    Snippet ourUsesOnTheirText = edited("Theirs", earlier);
    ourUsesOnTheirText.useCount = 9;
    ourUsesOnTheirText.lastUsed = later;
    Snippet subSecond = base();
    subSecond.modified += 700ms; // in memory; the file keeps whole seconds

    const std::vector<BothSides> cases = {
        {"unchanged", base(), base(), base()},
        {"ours edited", edited("Ours", later), base(), edited("Ours", later)},
        {"theirs edited", base(), edited("Theirs", later), edited("Theirs", later)},
        {"both edited, theirs later", edited("Ours", earlier), edited("Theirs", later),
         edited("Theirs", later)},
        {"both edited, ours later", edited("Ours", later), edited("Theirs", earlier),
         edited("Ours", later)},
        {"both edited in the same second: ours", edited("Ours", later),
         edited("Theirs", later + 400ms), edited("Ours", later)},
        {"dates finer than the file's are no change", subSecond, edited("Theirs", later),
         edited("Theirs", later)},
        {"ours used, theirs edited", used(9, later), edited("Theirs", earlier), ourUsesOnTheirText},
        {"both used: larger count, later use", used(9, earlier), used(4, later), used(9, later)},
        {"theirs used less (reset) and ours not", base(), used(0, earlier), used(0, earlier)},
        {"ours deleted, theirs unchanged", std::nullopt, base(), std::nullopt},
        {"ours deleted, theirs edited", std::nullopt, edited("Theirs", later),
         edited("Theirs", later)},
        {"ours deleted, theirs used", std::nullopt, used(4, later), used(4, later)},
        {"theirs deleted, ours unchanged", base(), std::nullopt, std::nullopt},
        {"theirs deleted, ours edited", edited("Ours", later), std::nullopt, edited("Ours", later)},
        {"both deleted", std::nullopt, std::nullopt, std::nullopt},
    };
    for (const BothSides& c : cases) {
        const std::vector<Snippet> result = merged(c.ours, c.theirs);
        if (c.expected)
            EXPECT_THAT(result, ElementsAre(*c.expected)) << c.what;
        else
            EXPECT_TRUE(result.empty()) << c.what;
    }
}

TEST(LibraryMerge, addedRecordsAndDuplicateIdsAreKeptInOrderAndGroupsAsTheirSnippetsNeed) {
    const Snippet kept = base();
    const Snippet ourNew{.name = "Ours"};
    const Snippet theirNew{.name = "Theirs"};
    Snippet twin = base(); // a second record of the same id, which files may hold
    twin.name = "Twin";
    const LibraryFingerprints prints = LibraryFingerprints::of({}, {kept});

    const LibraryFile result =
        mergeLibraries(prints, {1, {}, {kept, ourNew}}, {1, {}, {theirNew, kept, twin}});

    EXPECT_THAT(testing::namesOf(result.snippets), ElementsAre("Thanks", "Ours", "Theirs", "Twin"));

    // Groups follow the same rules, and stay while a snippet is in them: theirs renamed Work
    // and deleted Home and Old; ours put a new snippet into Home.
    const SnippetGroup work{.name = "Work"};
    const SnippetGroup home{.name = "Home"};
    const SnippetGroup old{.name = "Old"};
    const SnippetGroup renamed{.id = work.id, .name = "Office"};
    const Snippet intoHome{.name = "Hello", .groupID = home.id};
    const LibraryFile groups =
        mergeLibraries(LibraryFingerprints::of({work, home, old}, {}),
                       {1, {work, home, old}, {intoHome}}, {1, {renamed}, {}});
    EXPECT_THAT(groups.groups, ElementsAre(renamed, home));
    EXPECT_THAT(groups.snippets, ElementsAre(intoHome));
}

} // namespace
} // namespace quillo
