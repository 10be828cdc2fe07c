#include "core/browser/SnippetListing.h"

#include "core/browser/BrowserTexts.h"
#include "core/browser/SidebarScope.h"
#include "fakes/BrowserFixture.h"
#include "fakes/Names.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace quillo {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Names = std::vector<std::string>;
using testing::namesOf;

// Which snippets the list shows, and in what order, for each sidebar row and search.
class SnippetListingTest : public testing::BrowserFixture {
protected:
    Names listed(const std::optional<SidebarItem>& sidebar, std::string_view search = "") {
        return namesOf(listing.visibleSnippets(*library, sidebar, search));
    }

    SnippetListing listing;
};

TEST_F(SnippetListingTest, namesSortAsPeopleSortThemAndTiesKeepLibraryOrder) {
    add("Reply 10", std::nullopt, "first");
    add("reply 2");
    add("Reply 1");
    add("REPLY 10", std::nullopt, "second");
    EXPECT_THAT(listed(SidebarItem::all()),
                ElementsAre("Reply 1", "reply 2", "Reply 10", "REPLY 10"));
    // No sidebar row selected counts as All Snippets.
    EXPECT_EQ(listed(std::nullopt), listed(SidebarItem::all()));
}

TEST_F(SnippetListingTest, groupsAndUngroupedHoldTheirOwnSnippets) {
    const Uuid work = library->addGroup("Work").id;
    const Uuid home = library->addGroup("Home").id;
    add("Zeta", work);
    add("Alpha", work);
    add("Beta", home);
    add("Loose");
    Snippet orphan = add("Orphan");
    orphan.groupID = Uuid::random(); // a group the library does not have
    library->update(orphan);

    EXPECT_THAT(listed(SidebarItem::ofGroup(work)), ElementsAre("Alpha", "Zeta"));
    EXPECT_THAT(listed(SidebarItem::ofGroup(home)), ElementsAre("Beta"));
    // A snippet of a group that is gone is shown, and counted, as ungrouped.
    EXPECT_THAT(listed(SidebarItem::ungrouped()), ElementsAre("Loose", "Orphan"));

    const SidebarCounts counts = countSnippets(*library);
    EXPECT_EQ(counts.all, 5u);
    EXPECT_EQ(counts.inGroup(work), 2u);
    EXPECT_EQ(counts.inGroup(home), 1u);
    EXPECT_EQ(counts.ungrouped, 2u);
    EXPECT_EQ(counts.inGroup(Uuid::random()), 0u);
}

TEST_F(SnippetListingTest, recentlyUsedListsThirtyNewestFirstAndNeverTheUnused) {
    add("Never used");
    std::vector<Snippet> used;
    for (int i = 0; i < 35; ++i)
        used.push_back(add("Used " + std::to_string(i)));
    for (const Snippet& snippet : used)
        use(snippet);
    add("Also never used");

    const Names recent = listed(SidebarItem::recent());
    ASSERT_EQ(recent.size(), SnippetListing::recentLimit);
    EXPECT_EQ(recent.front(), "Used 34");
    EXPECT_EQ(recent.back(), "Used 5");

    // A search looks at every used snippet, not only the thirty, in the search's order.
    const Names found = listed(SidebarItem::recent(), "used");
    EXPECT_EQ(found.size(), 35u);
    EXPECT_EQ(std::count(found.begin(), found.end(), "Never used"), 0);
    EXPECT_EQ(listed(SidebarItem::recent(), " ").size(), 35u) << "a blank search has no limit";
}

TEST_F(SnippetListingTest, equalUseTimesKeepLibraryOrder) {
    const Snippet b = add("B");
    const Snippet a = add("A");
    library->recordUse(b.id); // the clock stands still: one moment for both
    library->recordUse(a.id);
    EXPECT_THAT(listed(SidebarItem::recent()), ElementsAre("B", "A"));
}

TEST_F(SnippetListingTest, searchKeepsThePickersRankingWithinTheSidebarsScope) {
    const Uuid work = library->addGroup("Work").id;
    add("Invoice reminder", work, "Your invoice is due");
    add("Invoice copy", std::nullopt, "Attached is the invoice");
    add("Late invoice", work, "overdue");
    add("Greeting", work, "Hello");

    const Names everywhere = namesOf(PickerSearch::search("invoice", *library));
    EXPECT_EQ(listed(SidebarItem::all(), "invoice"), everywhere);

    Names inWork;
    for (const std::string& name : everywhere)
        if (name != "Invoice copy")
            inWork.push_back(name);
    EXPECT_EQ(listed(SidebarItem::ofGroup(work), "invoice"), inWork);
    EXPECT_THAT(listed(SidebarItem::ungrouped(), "invoice"), ElementsAre("Invoice copy"));
    EXPECT_THAT(listed(SidebarItem::ofGroup(work), "zebra"), IsEmpty());
}

TEST_F(SnippetListingTest, searchOfOnlySpacesListsTheScopeInThePickersBlankOrder) {
    add("B unused");
    const Snippet older = add("Used z");
    const Snippet newer = add("Used a");
    add("A unused");
    use(older);
    use(newer);
    // Most recently used first, then the unused by name.
    EXPECT_THAT(listed(SidebarItem::all(), "   "),
                ElementsAre("Used a", "Used z", "A unused", "B unused"));
}

TEST_F(SnippetListingTest, listingFollowsTheLibrary) {
    const Snippet first = add("Beta");
    add("Gamma");
    EXPECT_THAT(listed(SidebarItem::all()), ElementsAre("Beta", "Gamma"));

    Snippet renamed = first;
    renamed.name = "Zulu";
    library->update(renamed);
    EXPECT_THAT(listed(SidebarItem::all()), ElementsAre("Gamma", "Zulu"));

    add("Alpha");
    EXPECT_THAT(listed(SidebarItem::all()), ElementsAre("Alpha", "Gamma", "Zulu"));
    library->deleteSnippets({first.id});
    EXPECT_THAT(listed(SidebarItem::all()), ElementsAre("Alpha", "Gamma"));
    library->undoDeletion();
    EXPECT_THAT(listed(SidebarItem::all()), ElementsAre("Alpha", "Gamma", "Zulu"));

    // Pointers always point into the library as it is now.
    for (const Snippet* snippet : listing.visibleSnippets(*library, SidebarItem::all(), ""))
        EXPECT_EQ(snippet, library->snippet(snippet->id));
}

// The titles and the hint are checked through the library browser.
TEST(BrowserTextsTest, theReadyStatusNamesTheShortcutAndGroupNamesLoseSpacesButNotLineBreaks) {
    EXPECT_EQ(BrowserTexts::readyStatus("Ctrl+Alt+Space"), "Ready · Ctrl+Alt+Space to insert");
    EXPECT_EQ(BrowserTexts::trimmedGroupName("  Work \t"), "Work");
    EXPECT_EQ(BrowserTexts::trimmedGroupName("\u00A0\u3000Café\u2003"), "Café");
    EXPECT_EQ(BrowserTexts::trimmedGroupName("\nWork\n"), "\nWork\n");
    EXPECT_EQ(BrowserTexts::trimmedGroupName(" Two  words "), "Two  words");
    EXPECT_EQ(BrowserTexts::trimmedGroupName(" \t\u00A0"), "");
    EXPECT_EQ(BrowserTexts::trimmedGroupName(""), "");
}

} // namespace
} // namespace quillo
