#include "fakes/LibraryFixture.h"
#include "fakes/Names.h"

#include <gmock/gmock.h>
#include <limits>

namespace quillo {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

// Editing runs on an in-memory library; saving is covered by the storage tests.
class LibraryEditing : public testing::LibraryTest {
protected:
    std::unique_ptr<Library> library = open(false);

    Snippet add(const std::string& name, std::optional<Uuid> group = std::nullopt) {
        Snippet snippet = library->addSnippet(group);
        snippet.name = name;
        library->update(snippet);
        return *library->snippet(snippet.id);
    }

    std::vector<std::string> names() const { return testing::namesOf(library->snippets()); }
    std::vector<std::string> groupNames() const { return testing::namesOf(library->groups()); }
};

TEST_F(LibraryEditing, newSnippetsAreEmptyRichAndAppendedAndGroupNamesStayAsGiven) {
    const SnippetGroup group = library->addGroup("  Work ");
    EXPECT_EQ(group.name, "  Work ");
    add("first");
    const Snippet snippet = library->addSnippet(group.id);
    EXPECT_EQ(snippet.name, "New Snippet");
    EXPECT_EQ(snippet.format, SnippetFormat::rich);
    EXPECT_EQ(snippet.groupID, group.id);
    EXPECT_EQ(snippet.created, clock.now());
    EXPECT_EQ(snippet.useCount, 0);
    EXPECT_THAT(names(), ElementsAre("first", "New Snippet"));
    EXPECT_EQ(library->groupName(snippet), "  Work ");

    // Renaming changes only an existing group.
    library->renameGroup(group.id, "New ");
    library->renameGroup(Uuid::random(), "Other");
    EXPECT_THAT(groupNames(), ElementsAre("New "));
}

TEST_F(LibraryEditing, updateSkipsUnchangedValuesAndStampsChangedOnes) {
    const Snippet original = add("a");
    const std::uint64_t revision = library->revision();
    clock.advance(5s);
    library->update(original);
    EXPECT_EQ(library->revision(), revision);
    EXPECT_EQ(library->snippet(original.id)->modified, original.modified);

    Snippet renamed = original;
    renamed.name = "b";
    renamed.useCount = 7; // every field comes from the given value
    library->update(renamed);
    const Snippet* stored = library->snippet(original.id);
    EXPECT_EQ(stored->name, "b");
    EXPECT_EQ(stored->useCount, 7);
    EXPECT_EQ(stored->modified, clock.now());
    EXPECT_EQ(stored->created, original.created);

    library->update(Snippet{.name = "stranger"});
    EXPECT_THAT(names(), ElementsAre("b"));
}

TEST_F(LibraryEditing, duplicateAppendsAFreshCopy) {
    const SnippetGroup group = library->addGroup("G");
    Snippet source = add("Reply", group.id);
    library->recordUse(source.id);
    add("other");
    clock.advance(1h);
    const auto copy = library->duplicate(source.id);
    ASSERT_TRUE(copy);
    EXPECT_NE(copy->id, source.id);
    EXPECT_EQ(copy->name, "Reply copy");
    EXPECT_EQ(copy->groupID, group.id);
    EXPECT_EQ(copy->useCount, 0);
    EXPECT_FALSE(copy->lastUsed);
    EXPECT_EQ(copy->created, clock.now());
    library->duplicate(copy->id);
    EXPECT_THAT(names(), ElementsAre("Reply", "other", "Reply copy", "Reply copy copy"));
    EXPECT_FALSE(library->duplicate(Uuid::random()));
}

TEST_F(LibraryEditing, recordUseCountsOneAndLeavesModifiedAlone) {
    const Snippet snippet = add("a");
    clock.advance(1min);
    library->recordUse(snippet.id);
    library->recordUse(snippet.id);
    const Snippet* used = library->snippet(snippet.id);
    EXPECT_EQ(used->useCount, 2);
    EXPECT_EQ(used->lastUsed, clock.now());
    EXPECT_EQ(used->modified, snippet.modified);

    Snippet worn = *used;
    worn.useCount = std::numeric_limits<std::int64_t>::max();
    library->update(worn);
    library->recordUse(snippet.id);
    EXPECT_EQ(library->snippet(snippet.id)->useCount, std::numeric_limits<std::int64_t>::max());
}

TEST_F(LibraryEditing, deleteSummariesAndUndoRestoresTheFormerOrder) {
    const Snippet a = add("a"), b = add("b"), c = add("c"), d = add("d"), e = add("e");
    library->deleteSnippets({b.id});
    EXPECT_EQ(library->lastDeletion()->summary, "Deleted “b”");
    library->undoDeletion();

    library->deleteSnippets({d.id, b.id, Uuid::random()});
    EXPECT_EQ(library->lastDeletion()->summary, "Deleted 2 snippets");
    EXPECT_THAT(names(), ElementsAre("a", "c", "e"));
    EXPECT_THAT(library->undoDeletion(), UnorderedElementsAre(b.id, d.id));
    EXPECT_THAT(names(), ElementsAre("a", "b", "c", "d", "e"));
    EXPECT_FALSE(library->lastDeletion());
    EXPECT_THAT(library->undoDeletion(), IsEmpty());

    library->deleteSnippets({a.id, c.id, e.id});
    EXPECT_EQ(library->lastDeletion()->summary, "Deleted 3 snippets");
    // Deleting nothing keeps the record that can still be undone.
    library->deleteSnippets({Uuid::random()});
    EXPECT_EQ(library->lastDeletion()->summary, "Deleted 3 snippets");
    library->undoDeletion();
    EXPECT_THAT(names(), ElementsAre("a", "b", "c", "d", "e"));
}

TEST_F(LibraryEditing, undoPutsSnippetsBackAmongSnippetsAddedSinceAndUngroupsTheGroupless) {
    const Snippet a = add("a");
    add("b");
    const Snippet c = add("c");
    add("d");
    library->deleteSnippets({a.id, c.id});
    add("new");
    library->deleteSnippets({}); // an empty deletion keeps the record
    library->undoDeletion();
    EXPECT_THAT(names(), ElementsAre("a", "b", "c", "d", "new"));

    // A snippet whose group is missing comes back ungrouped.
    const Snippet s = add("s");
    library->move({s.id}, Uuid::random());
    library->deleteSnippets({s.id});
    EXPECT_THAT(library->undoDeletion(), ElementsAre(s.id));
    EXPECT_FALSE(library->snippet(s.id)->groupID);
}

TEST_F(LibraryEditing, deleteGroupKeepsItsSnippetsAndUndoBringsThemBack) {
    const SnippetGroup first = library->addGroup("First");
    const SnippetGroup work = library->addGroup("Work");
    library->addGroup("Last");
    const Snippet a = add("a", work.id), b = add("b", work.id), c = add("c", first.id);
    clock.advance(1min);
    library->deleteGroup(work.id);
    EXPECT_EQ(library->lastDeletion()->summary, "Deleted the group “Work”");
    EXPECT_EQ(library->lastDeletion()->restoredGroupID(), work.id);
    EXPECT_THAT(groupNames(), ElementsAre("First", "Last"));
    EXPECT_FALSE(library->snippet(a.id)->groupID);
    EXPECT_EQ(library->snippet(a.id)->modified, a.modified);

    EXPECT_THAT(library->undoDeletion(), IsEmpty());
    EXPECT_THAT(groupNames(), ElementsAre("First", "Work", "Last"));
    EXPECT_EQ(library->snippet(a.id)->groupID, work.id);
    EXPECT_EQ(library->snippet(b.id)->groupID, work.id);
    EXPECT_EQ(library->snippet(c.id)->groupID, first.id);

    library->deleteGroup(Uuid::random());
    EXPECT_FALSE(library->lastDeletion());
}

TEST_F(LibraryEditing, membersMovedAfterAGroupDeletionStayWhereTheyWereMoved) {
    const SnippetGroup work = library->addGroup("Work");
    const SnippetGroup home = library->addGroup("Home");
    const Snippet a = add("a", work.id), b = add("b", work.id), c = add("c", work.id);
    library->deleteGroup(work.id);
    library->move({a.id}, home.id);
    library->move({b.id}, std::nullopt);  // explicitly to Ungrouped
    ASSERT_TRUE(library->lastDeletion()); // moving never clears the record
    library->undoDeletion();
    EXPECT_EQ(library->snippet(a.id)->groupID, home.id);
    EXPECT_FALSE(library->snippet(b.id)->groupID);
    EXPECT_EQ(library->snippet(c.id)->groupID, work.id);
}

TEST_F(LibraryEditing, undoingAGroupDeletionAfterASnippetDeletionOnlyRestoresTheGroup) {
    const SnippetGroup work = library->addGroup("Work");
    const Snippet a = add("a", work.id), b = add("b", work.id);
    library->deleteSnippets({a.id});
    library->deleteGroup(work.id);
    library->undoDeletion();
    EXPECT_EQ(library->snippet(a.id), nullptr);
    EXPECT_EQ(library->snippet(b.id)->groupID, work.id);
    EXPECT_FALSE(library->lastDeletion());

    // A group already back is not undone into a second one.
    library->deleteGroup(work.id);
    library->merge({work}, {}); // the same group comes back by import, clearing the record
    EXPECT_FALSE(library->lastDeletion());
    EXPECT_THAT(groupNames(), ElementsAre("Work"));
}

TEST_F(LibraryEditing, moveSetsTheGroupWithoutCheckingIt) {
    const Snippet a = add("a"), b = add("b");
    const Uuid nowhere = Uuid::random();
    clock.advance(1min);
    library->move({a.id, Uuid::random()}, nowhere);
    EXPECT_EQ(library->snippet(a.id)->groupID, nowhere);
    EXPECT_FALSE(library->snippet(b.id)->groupID);
    EXPECT_EQ(library->snippet(a.id)->modified, a.modified);
}

TEST_F(LibraryEditing, mergeJoinsGroupsIgnoringCaseAndSkipsDuplicates) {
    const SnippetGroup work = library->addGroup("Work");
    const Snippet existing = add("Hello", work.id);
    library->deleteSnippets({add("temp").id});

    const SnippetGroup incomingWork{.name = "WORK"};
    const SnippetGroup incomingNew{.name = "Ärger"};
    const SnippetGroup incomingNewAgain{.name = "ärger"};
    const std::vector<Snippet> incoming{
        // The same as the library's, once its group is mapped: skipped.
        Snippet{.name = "Hello", .text = existing.text, .groupID = incomingWork.id},
        Snippet{.name = "Hello", .text = existing.text}, // ungrouped: different
        Snippet{.name = "A", .groupID = incomingNew.id},
        Snippet{.name = "A", .groupID = incomingNewAgain.id}, // same mapped group: skipped
        Snippet{.name = "B", .groupID = Uuid::random()},      // unknown group: ungrouped
        Snippet{.name = "C", .format = SnippetFormat::plain},
        Snippet{.name = "C", .format = SnippetFormat::rich},
        Snippet{.name = "Caf\u00e9"},
        Snippet{.name = "Cafe\u0301"}, // canonically the same name
        Snippet{.name = "CAF\u00c9"},  // letter case matters
    };
    EXPECT_EQ(library->merge({incomingWork, incomingNew, incomingNewAgain}, incoming), 7u);
    EXPECT_FALSE(library->lastDeletion());
    EXPECT_THAT(groupNames(), ElementsAre("Work", "Ärger"));
    EXPECT_EQ(library->groups()[1].id, incomingNew.id);
    EXPECT_THAT(names(),
                ElementsAre("Hello", "Hello", "A", "B", "C", "C", "Caf\u00e9", "CAF\u00c9"));
    EXPECT_EQ(library->snippets()[2].groupID, incomingNew.id);
    EXPECT_FALSE(library->snippets()[3].groupID);
    // Imported snippets keep their own ids and dates.
    EXPECT_EQ(library->snippets()[3].id, incoming[4].id);
    EXPECT_EQ(library->snippets()[3].created, incoming[4].created);

    EXPECT_EQ(library->merge({incomingWork, incomingNew, incomingNewAgain}, incoming), 0u);
    EXPECT_EQ(library->snippets().size(), 8u);
}

TEST_F(LibraryEditing, mergeNeverGivesTwoRecordsOneId) {
    const SnippetGroup work = library->addGroup("Work");
    const Snippet mine = add("Mine", work.id);
    // An edited copy of a snippet and a renamed copy of a group, with the same ids.
    const SnippetGroup renamed{.id = work.id, .name = "Office"};
    Snippet edited = mine;
    edited.text = "changed";
    edited.groupID = renamed.id;
    EXPECT_EQ(library->merge({renamed}, {edited, edited}), 1u);

    ASSERT_EQ(library->groups().size(), 2u);
    const SnippetGroup& office = library->groups()[1];
    EXPECT_EQ(office.name, "Office");
    EXPECT_NE(office.id, work.id);
    ASSERT_EQ(library->snippets().size(), 2u);
    const Snippet& imported = library->snippets()[1];
    EXPECT_NE(imported.id, mine.id);
    EXPECT_EQ(imported.text, "changed");
    EXPECT_EQ(imported.groupID, office.id);
    // Each is still found, and deleted, on its own.
    library->deleteSnippets({mine.id});
    EXPECT_THAT(names(), ElementsAre("Mine"));
    EXPECT_EQ(library->snippets()[0].text, "changed");
}

} // namespace
} // namespace quillo
